// Times the start of Quorvel and Zembrik against empty programs of the same
// toolchain, under Wine or on Windows:
//
// - command-line mode: from CreateProcess to the program's first automation
//   call, seen as the first line the in-process stand-in journals (the
//   creation of its session or application object); the yardstick is the
//   whole run of empty_program.exe, which starts and returns;
// - window mode: from CreateProcess to Form1 being visible; the yardstick is
//   empty_window.exe showing its window.
//
// Each figure is the median of several runs after one run to warm up. The
// driver must sit in bin/ beside the programs and the stand-ins.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "harness.h"
#include "owners.h"
#include "performance_clock.h"
#include "program_run.h"

namespace {

using reader_tools::Seconds;
using standins::UniqueHandle;

constexpr DWORD kWaitMilliseconds = 30000;

std::wstring BinPath(const wchar_t* name) { return standins::ModuleFolder() + L"\\" + name; }

// A started process; ended by force if it is still running when this goes.
class Process {
 public:
  Process(const std::wstring& program, const std::wstring& tail) {
    std::wstring commandLine = L"\"" + program + L"\"" + (tail.empty() ? L"" : L" " + tail);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
      return;
    }
    CloseHandle(info.hThread);
    handle_ = UniqueHandle(info.hProcess);
    id_ = info.dwProcessId;
  }
  ~Process() {
    if (handle_.Valid() && !WaitForEnd(0)) {
      TerminateProcess(handle_.Get(), 1);
      WaitForSingleObject(handle_.Get(), kWaitMilliseconds);
    }
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool Started() const { return handle_.Valid(); }
  DWORD Id() const { return id_; }
  bool WaitForEnd(DWORD milliseconds) const { return WaitForSingleObject(handle_.Get(), milliseconds) == WAIT_OBJECT_0; }

 private:
  UniqueHandle handle_;
  DWORD id_ = 0;
};

// Polls condition every millisecond; the seconds since start when it held, or
// nothing when it did not within the wait.
std::optional<double> SecondsUntil(double start, const std::function<bool()>& condition) {
  const ULONGLONG deadline = GetTickCount64() + kWaitMilliseconds;
  while (GetTickCount64() < deadline) {
    if (condition()) return Seconds() - start;
    Sleep(1);
  }
  return std::nullopt;
}

HWND VisibleWindowOf(DWORD processId) {
  for (const HWND window : e2e::TopLevelWindowsOf(processId)) {
    if (IsWindowVisible(window)) return window;
  }
  return nullptr;
}

bool FileHasBytes(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  return GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) && (data.nFileSizeLow | data.nFileSizeHigh);
}

// One timing; nothing when the run went wrong.
using Timing = std::function<std::optional<double>()>;

std::optional<double> TimeEmptyProgram() {
  const double start = Seconds();
  const Process process(BinPath(L"empty_program.exe"), L"");
  if (!process.Started() || !process.WaitForEnd(kWaitMilliseconds)) return std::nullopt;
  return Seconds() - start;
}

// Until a visible top-level window of the process, which is then closed.
std::optional<double> TimeWindowShown(const wchar_t* program) {
  const double start = Seconds();
  const Process process(BinPath(program), L"");
  if (!process.Started()) return std::nullopt;
  HWND window = nullptr;
  const std::optional<double> seconds = SecondsUntil(start, [&] { return (window = VisibleWindowOf(process.Id())); });
  if (window != nullptr) PostMessageW(window, WM_CLOSE, 0, 0);
  if (!process.WaitForEnd(kWaitMilliseconds)) return std::nullopt;
  return seconds;
}

// Until the stand-in journals the first call, then to the program's end.
std::optional<double> TimeFirstAutomationCall(e2e::Client client) {
  const e2e::CaseFiles files(L"startup-timing");
  const std::wstring mail = files.Write(
      L"mail.txt", "[ADDRESS]\r\nPurchasing Team\r\n[SUBJECT]\r\nOrder confirmed\r\n[BODY]\r\nHello,\r\n");
  e2e::StandinSetup setup;
  setup.client = client;
  setup.server = standins::ServerKind::InProcess;  // the call lands in the program's own process
  e2e::StandinSession standin(files, setup);
  if (!standin.Registered()) return std::nullopt;
  const std::wstring journal = files.Path(L"journal.txt");

  const double start = Seconds();
  std::optional<double> seconds;
  {
    const Process process(e2e::ProgramPath(client), mail);
    if (!process.Started()) return std::nullopt;
    seconds = SecondsUntil(start, [&] { return FileHasBytes(journal); });
    if (!process.WaitForEnd(kWaitMilliseconds)) seconds.reset();  // a message box: the hand-off failed
  }
  standin.End();
  return seconds;
}

// The median of runs timings after one to warm up; nothing if any failed.
std::optional<double> Median(int runs, const Timing& timing) {
  if (!timing()) return std::nullopt;
  std::vector<double> times;
  for (int run = 0; run < runs; ++run) {
    const std::optional<double> seconds = timing();
    if (!seconds) return std::nullopt;
    times.push_back(*seconds);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

struct Row {
  const char* what;
  Timing timing;
};

// Prints the rows against the yardstick; false if any timing failed.
bool Compare(int runs, const char* mode, const Row& yardstick, const std::vector<Row>& rows) {
  const std::optional<double> base = Median(runs, yardstick.timing);
  if (!base) {
    std::printf("%-44s failed\n", yardstick.what);
    return false;
  }
  std::printf("%s\n  %-42s %8.1f ms\n", mode, yardstick.what, *base * 1000);
  bool complete = true;
  for (const Row& row : rows) {
    const std::optional<double> seconds = Median(runs, row.timing);
    if (!seconds) {
      std::printf("  %-42s failed\n", row.what);
      complete = false;
      continue;
    }
    std::printf("  %-42s %8.1f ms %6.2f x\n", row.what, *seconds * 1000, *seconds / *base);
  }
  std::fflush(stdout);
  return complete;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 7;
  std::printf("start-up, median of %d runs after one to warm up\n", runs);
  bool complete = Compare(runs, "command-line mode: to the first automation call",
                          {"empty_program.exe, start to end", TimeEmptyProgram},
                          {{"Quorvel.exe mail.txt", [] { return TimeFirstAutomationCall(e2e::Client::Notes); }},
                           {"Zembrik.exe mail.txt", [] { return TimeFirstAutomationCall(e2e::Client::Outlook); }}});
  complete = Compare(runs, "window mode: to the window being visible",
                     {"empty_window.exe", [] { return TimeWindowShown(L"empty_window.exe"); }},
                     {{"Quorvel.exe", [] { return TimeWindowShown(L"Quorvel.exe"); }},
                      {"Zembrik.exe", [] { return TimeWindowShown(L"Zembrik.exe"); }}}) &&
             complete;
  return complete ? 0 : 1;
}
