#include "harness.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <set>

#include "folders.h"
#include "journal_text.h"
#include "message_window.h"
#include "platform/win32/owners.h"

namespace e2e {

namespace {

using platform::win32::UniqueHandle;

// Only catches a program that hangs: on a busy shared machine the 64-bit
// programs take more than a minute to hand a 200 MB body to a local server.
constexpr std::chrono::milliseconds kProgramTimeout{180000};
constexpr DWORD kServerEndMilliseconds = 10000;
constexpr DWORD kLockWaitMilliseconds = 300000;

const std::wstring& BinFolder() {
  static const std::wstring folder = standins::ModuleFolder();
  return folder;
}

std::wstring StandinFolder() { return BinFolder() + L"\\standins"; }

std::wstring WorkFolder() {
  wchar_t full[MAX_PATH * 2] = {};
  GetFullPathNameW((BinFolder() + L"\\..\\e2e-work").c_str(), MAX_PATH * 2, full, nullptr);
  return full;
}

// The local stand-in servers the journal saw start: "server-start Notes local pid=N".
std::vector<DWORD> LocalServers(const std::vector<std::wstring>& journal) {
  std::vector<DWORD> processes;
  for (const std::wstring& line : journal) {
    if (!line.starts_with(L"server-start ") || line.find(L" local ") == std::wstring::npos) continue;
    const std::size_t pid = line.find(L"pid=");
    if (pid != std::wstring::npos) processes.push_back(static_cast<DWORD>(std::wcstoul(line.c_str() + pid + 4, nullptr, 10)));
  }
  return processes;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

bool IsStandinWindow(HWND window) {
  const std::wstring name = ClassOf(window);
  return name == L"NOTES" || name == standins::kMessageWindowClass;
}

// Closes the windows of the stand-in processes and waits for each to end.
// Killing is the last resort: a server that is still alive with no window
// holds an object some client never released.
std::vector<std::wstring> EndServers(const std::vector<DWORD>& processes) {
  std::vector<std::wstring> problems;
  for (const DWORD processId : processes) {
    UniqueHandle process(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, processId));
    if (!process.Valid()) continue;  // already ended
    for (const HWND window : TopLevelWindowsOf(processId)) {
      if (IsStandinWindow(window)) PostMessageW(window, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(process.Get(), kServerEndMilliseconds) != WAIT_OBJECT_0) {
      problems.push_back(L"stand-in server pid " + std::to_wstring(processId) +
                         L" did not end when its windows were closed: an object was never released");
      TerminateProcess(process.Get(), 1);
      WaitForSingleObject(process.Get(), kServerEndMilliseconds);
    }
  }
  return problems;
}

std::wstring StandinServerPath(Client client, standins::ServerKind kind) {
  const std::wstring name = client == Client::Notes ? L"NotesStandin" : L"OutlookStandin";
  return StandinFolder() + L"\\" + name + (kind == standins::ServerKind::Local ? L".exe" : L"Inproc.dll");
}

std::span<const standins::StandinClass> ClassesOf(Client client) {
  return client == Client::Notes ? standins::NotesClasses() : standins::OutlookClasses();
}

// The object a journal line names after "-> VT_DISPATCH " or "create X -> ".
std::optional<std::wstring> ObjectMade(const std::wstring& line) {
  if (line.ends_with(L"[injected]")) return std::nullopt;
  std::size_t at = line.find(L" -> VT_DISPATCH ");
  if (at != std::wstring::npos) {
    at += 16;
  } else if (line.starts_with(L"create ") && (at = line.find(L" -> ")) != std::wstring::npos) {
    at += 4;
  } else {
    return std::nullopt;
  }
  const std::wstring name = line.substr(at, line.find(L' ', at) - at);
  if (name.find(L'#') == std::wstring::npos) return std::nullopt;
  return name;
}

bool IsUnwantedResultObject(std::wstring_view name) {
  return name.starts_with(L"embeddedobject#") || name.starts_with(L"attachment#");
}

}  // namespace

CaseFiles::CaseFiles(std::wstring_view caseName) : folder_(WorkFolder() + L"\\" + std::wstring(caseName)) {
  CreateDirectoryW(WorkFolder().c_str(), nullptr);
  wine_tests::DeleteTree(folder_);
  CreateDirectoryW(folder_.c_str(), nullptr);
}

std::wstring CaseFiles::Write(std::wstring_view name, std::string_view bytes) const {
  const std::wstring path = Path(name);
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (file.Valid()) WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  return path;
}

std::wstring CaseFiles::WriteHidden(std::wstring_view name, std::string_view bytes) const {
  std::wstring path = Write(name, bytes);
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
  if ((GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_HIDDEN) != 0) return path;
  DeleteFileW(path.c_str());
  return Write(L"." + std::wstring(name), bytes);
}

std::wstring CaseFiles::MakeFolder(std::wstring_view name) const {
  const std::wstring path = Path(name);
  CreateDirectoryW(path.c_str(), nullptr);
  return path;
}

std::wstring ProgramPath(Client client) { return BinFolder() + L"\\" + ProgramName(client) + L".exe"; }

std::wstring BinPath(std::wstring_view name) { return BinFolder() + L"\\" + std::wstring(name); }

std::vector<std::wstring> ReadLines(const std::wstring& path) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  std::vector<std::wstring> lines;
  if (!file.Valid()) return lines;
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
  const std::wstring text = standins::FromUtf8(bytes);
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = std::min(text.find(L'\n', start), text.size());
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::wstring ProgramName(Client client) { return client == Client::Notes ? L"Quorvel" : L"Zembrik"; }

StandinLock TakeStandinLock() {
  const HANDLE mutex = CreateMutexW(nullptr, FALSE, L"qz-standin-settings");
  if (mutex == nullptr) return nullptr;
  const DWORD waited = WaitForSingleObject(mutex, kLockWaitMilliseconds);
  // An abandoned lock was held by a test that died: ours now.
  if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) return StandinLock(mutex);
  CloseHandle(mutex);
  return nullptr;
}

StandinSession::StandinSession(const CaseFiles& files, const StandinSetup& setup)
    : journalPath_(files.Path(L"journal.txt")),
      settingsPath_(StandinFolder() + L"\\" + std::wstring(standins::kSettingsFileName)) {
  const std::span<const standins::StandinClass> classes = ClassesOf(setup.client);
  if (setup.classes && setup.classes->empty()) {
    standins::UnregisterClasses(classes);
    registered_ = true;
  } else {
    registered_ = standins::RegisterClasses(classes, setup.classes.value_or(std::vector<std::wstring>{}),
                                            StandinServerPath(setup.client, setup.server), setup.server);
  }
  DeleteFileW(journalPath_.c_str());
  standins::Settings settings;
  settings.journalPath = journalPath_;
  settings.notesWindow = setup.notesWindow;
  settings.faults = setup.faults;
  registered_ = standins::WriteSettingsFile(settingsPath_, settings) && registered_;
}

StandinSession::~StandinSession() { End(); }

std::vector<std::wstring> StandinSession::Journal() const { return ReadLines(journalPath_); }

StandinWindows StandinSession::Windows() const {
  StandinWindows windows;
  const HWND front = GetForegroundWindow();
  DWORD frontProcess = 0;
  GetWindowThreadProcessId(front, &frontProcess);
  windows.foreground = L"\"" + ClassOf(front) + L"\" of pid " + std::to_wstring(frontProcess);
  for (const DWORD processId : LocalServers(Journal())) {
    for (const HWND window : TopLevelWindowsOf(processId)) {
      if (ClassOf(window) == standins::kMessageWindowClass && IsWindowVisible(window)) ++windows.messageWindows;
      if (ClassOf(window) != L"NOTES") continue;
      windows.notesWindowFound = true;
      windows.notesWindowMaximized = IsZoomed(window) != FALSE;
      windows.notesWindowInFront = front == window || GetWindow(front, GW_OWNER) == window;
    }
  }
  return windows;
}

std::vector<std::wstring> StandinSession::End() {
  if (ended_) return {};
  ended_ = true;
  std::vector<std::wstring> problems = EndServers(LocalServers(Journal()));
  DeleteFileW(settingsPath_.c_str());
  return problems;
}

Result Run(const CaseFiles& files, const Scenario& scenario) {
  Result result;
  if (scenario.mail) files.Write(L"mail.txt", *scenario.mail);
  StandinSession standin(files, scenario);
  if (!standin.Registered()) result.cleanupProblems.push_back(L"could not set the stand-in up");

  const std::wstring program = ProgramPath(scenario.client);
  result.run = RunProgram(program, L"\"" + program + L"\" " + scenario.tail.value_or(files.Path(L"mail.txt")),
                          kProgramTimeout, scenario.currentFolder ? scenario.currentFolder->c_str() : nullptr);

  const StandinWindows windows = standin.Windows();
  result.notesWindowFound = windows.notesWindowFound;
  result.notesWindowMaximized = windows.notesWindowMaximized;
  result.notesWindowInFront = windows.notesWindowInFront;
  result.foreground = windows.foreground;
  result.standinWindowsLeft = windows.messageWindows;
  for (std::wstring& problem : standin.End()) result.cleanupProblems.push_back(std::move(problem));
  result.journal = standin.Journal();
  return result;
}

bool WaitForMessageWindow() {
  for (int attempt = 0; attempt < 300; ++attempt) {
    for (const HWND window : TopLevelWindows()) {
      if (ClassOf(window) == standins::kMessageWindowClass && IsWindowVisible(window)) {
        Sleep(1000);
        return true;
      }
    }
    Sleep(100);
  }
  return false;
}

void RegisterAllStandins() {
  const StandinLock lock = TakeStandinLock();
  for (const Client client : {Client::Notes, Client::Outlook}) {
    standins::RegisterClasses(ClassesOf(client), {}, StandinServerPath(client, standins::ServerKind::Local),
                              standins::ServerKind::Local);
  }
}

int CloseStandinWindows() {
  const StandinLock lock = TakeStandinLock();
  std::set<DWORD> processes;
  for (const HWND window : TopLevelWindows()) {
    if (!IsStandinWindow(window)) continue;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    processes.insert(processId);
  }
  const std::vector<std::wstring> problems = EndServers({processes.begin(), processes.end()});
  for (const std::wstring& problem : problems) std::fputs(standins::ToUtf8(problem + L"\n").c_str(), stdout);
  return problems.empty() ? 0 : 1;
}

std::vector<std::wstring> ClientEvents(const std::vector<std::wstring>& journal) {
  static constexpr std::wstring_view kEventPrefixes[] = {L"create ", L"lookup ", L"call ", L"call|get ", L"get ",
                                                         L"put ",    L"putref ", L"invoke", L"release "};
  std::vector<std::wstring> events;
  for (std::wstring line : journal) {
    if (std::ranges::none_of(kEventPrefixes, [&](std::wstring_view prefix) { return line.starts_with(prefix); })) {
      continue;
    }
    if (line.starts_with(L"release ") && IsUnwantedResultObject(std::wstring_view(line).substr(8))) continue;
    if (line.ends_with(L" -> VT_EMPTY")) line.resize(line.size() - 12);
    if (const std::optional<std::wstring> made = ObjectMade(line); made && IsUnwantedResultObject(*made)) {
      line.resize(line.find(L" -> "));
    }
    events.push_back(line);
  }
  return events;
}

std::vector<std::wstring> UnreleasedObjects(const std::vector<std::wstring>& journal) {
  // Names restart with each server: count them rather than match them once.
  std::vector<std::wstring> made;
  std::multiset<std::wstring> released;
  for (const std::wstring& line : journal) {
    if (const std::optional<std::wstring> name = ObjectMade(line)) made.push_back(*name);
    if (line.starts_with(L"release ")) released.insert(line.substr(8));
    // A server that died took its objects with it.
    if (line.starts_with(L"server-dies ")) {
      for (const std::wstring& name : made) {
        if (const auto found = released.find(name); found != released.end()) released.erase(found);
      }
      made.clear();
    }
  }
  std::vector<std::wstring> unreleased;
  for (const std::wstring& name : made) {
    const auto found = released.find(name);
    if (found == released.end()) unreleased.push_back(name);
    else released.erase(found);
  }
  return unreleased;
}

std::vector<std::wstring> LinesStartingWith(const std::vector<std::wstring>& journal, std::wstring_view prefix) {
  std::vector<std::wstring> lines;
  for (const std::wstring& line : journal) {
    if (line.starts_with(prefix)) lines.push_back(line);
  }
  return lines;
}

std::wstring Bstr(std::wstring_view text) { return L"VT_BSTR " + standins::JournalText(text); }
std::wstring BstrRef(std::wstring_view text) { return L"VT_BYREF|VT_BSTR " + standins::JournalText(text); }

std::wstring SystemText(HRESULT result) {
  wchar_t text[1024] = {};
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                      static_cast<DWORD>(result), 0, text, 1024, nullptr);
  std::wstring description(text, length);
  while (!description.empty() && (description.back() == L'\n' || description.back() == L'\r')) description.pop_back();
  return description;
}

std::wstring FromWindows1252(std::string_view bytes) {
  // 0x80..0x9F; the five bytes Windows-1252 leaves free map to the C1 controls.
  static constexpr wchar_t kHigh[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::wstring text;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    text += byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : static_cast<wchar_t>(byte);
  }
  return text;
}

}  // namespace e2e
