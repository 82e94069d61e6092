// Times the start of Quorvel and Zembrik against empty programs of the same
// toolchain, under Wine or on Windows:
//
// - command-line mode: from CreateProcess to the program's first automation
//   call, seen as the first line the in-process stand-in journals (the
//   creation of its session or application object); the yardstick is
//   com_client.exe creating the same stand-in, the least any hand-off does
//   before that call; the whole run of empty_program.exe, which starts and
//   returns, shows what starting a process costs;
// - window mode: from CreateProcess to Form1 being visible; the yardstick is
//   empty_window.exe showing its window.
//
// Each figure is the median of several runs after one run to warm up. The
// driver must sit in bin/ beside the programs and the stand-ins.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "harness.h"
#include "platform/win32/owners.h"
#include "performance_clock.h"
#include "program_run.h"

namespace {

using reader_tools::Seconds;

constexpr std::chrono::milliseconds kWait{30000};

std::wstring BinPath(const wchar_t* name) { return standins::ModuleFolder() + L"\\" + name; }

// The program started with the tail after its quoted path; ended by force if
// it is still running when this goes.
class Process : public e2e::StartedProgram {
 public:
  Process(const std::wstring& program, const std::wstring& tail)
      : StartedProgram(program, L"\"" + program + L"\"" + (tail.empty() ? L"" : L" " + tail)) {}
};

// Polls condition every millisecond; the seconds since start when it held, or
// nothing when it did not within the wait.
std::optional<double> SecondsUntil(double start, const std::function<bool()>& condition) {
  const ULONGLONG deadline = GetTickCount64() + kWait.count();
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
  if (!process.Started() || !process.WaitForEnd(kWait)) return std::nullopt;
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
  if (!process.WaitForEnd(kWait)) return std::nullopt;
  return seconds;
}

// Until the stand-in journals the first call, then to the program's end. The
// program is given the mail file's path, or, when tail is not empty, tail.
std::optional<double> TimeFirstAutomationCall(e2e::Client client, const std::wstring& program,
                                              const std::wstring& tail = L"") {
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
    const Process process(program, tail.empty() ? mail : tail);
    if (!process.Started()) return std::nullopt;
    seconds = SecondsUntil(start, [&] { return FileHasBytes(journal); });
    if (!process.WaitForEnd(kWait)) seconds.reset();  // a message box: the hand-off failed
  }
  standin.End();
  return seconds;
}

struct Row {
  const char* what;
  Timing timing;
};

// Times the yardstick and the rows in turn, run after run, after one round to
// warm up, so that a change in the shared machine's load falls on all of them
// alike. Prints their medians against the yardstick's; false if any failed.
bool Compare(int runs, const Row& yardstick, const std::vector<Row>& rows) {
  std::vector<Row> all{yardstick};
  all.insert(all.end(), rows.begin(), rows.end());
  std::vector<std::vector<double>> times(all.size());
  std::vector<bool> failed(all.size(), false);
  for (int run = -1; run < runs; ++run) {
    for (std::size_t row = 0; row < all.size(); ++row) {
      if (failed[row]) continue;
      const std::optional<double> seconds = all[row].timing();
      if (!seconds) failed[row] = true;
      else if (run >= 0) times[row].push_back(*seconds);
    }
  }
  std::vector<double> medians;
  for (std::vector<double>& row : times) {
    std::sort(row.begin(), row.end());
    medians.push_back(row.empty() ? 0 : row[row.size() / 2]);
  }
  for (std::size_t row = 0; row < all.size(); ++row) {
    if (failed[row]) {
      std::printf("  %-42s failed\n", all[row].what);
    } else if (failed[0]) {
      std::printf("  %-42s %8.1f ms\n", all[row].what, medians[row] * 1000);
    } else {
      std::printf("  %-42s %8.1f ms %6.2f x\n", all[row].what, medians[row] * 1000, medians[row] / medians[0]);
    }
  }
  std::fflush(stdout);
  return std::find(failed.begin(), failed.end(), true) == failed.end();
}

}  // namespace

// The figures of one program in command-line mode against the floor of its client.
bool CompareFirstCall(int runs, e2e::Client client, const char* floor, const wchar_t* floorTail, const char* what) {
  return Compare(runs, {floor, [=] { return TimeFirstAutomationCall(client, BinPath(L"com_client.exe"), floorTail); }},
                 {{what, [=] { return TimeFirstAutomationCall(client, e2e::ProgramPath(client)); }}});
}

int wmain(int argc, wchar_t** argv) {
  const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 7;
  std::printf("start-up, median of %d runs after one to warm up\n", runs);
  std::printf("command-line mode: to the first automation call\n");
  bool complete = Compare(runs, {"empty_program.exe, start to end", TimeEmptyProgram}, {});
  complete = CompareFirstCall(runs, e2e::Client::Notes, "com_client.exe Notes.NotesSession (floor)",
                              L"Notes.NotesSession GETDATABASE", "Quorvel.exe mail.txt") &&
             complete;
  complete = CompareFirstCall(runs, e2e::Client::Outlook, "com_client.exe Outlook.Application (floor)",
                              L"Outlook.Application CreateItem", "Zembrik.exe mail.txt") &&
             complete;
  std::printf("window mode: to the window being visible\n");
  complete = Compare(runs, {"empty_window.exe", [] { return TimeWindowShown(L"empty_window.exe"); }},
                     {{"Quorvel.exe", [] { return TimeWindowShown(L"Quorvel.exe"); }},
                      {"Zembrik.exe", [] { return TimeWindowShown(L"Zembrik.exe"); }}}) &&
             complete;
  return complete ? 0 : 1;
}
