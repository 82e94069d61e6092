// The end-to-end suite: runs Quorvel and Zembrik under Wine against the
// stand-in mail clients. Arguments: case-name prefixes to run (none: all) and
// --list. For the demo: --wait-message-window (until a stand-in shows a
// composed message, at most 30 s) and --close-standins (close what the
// stand-ins show and let them end).
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <chrono>

#include "harness.h"
#include "runner.h"

int wmain(int argc, wchar_t** argv) {
  using namespace e2e;
  std::vector<std::wstring> prefixes(argv + 1, argv + argc);
  if (prefixes.size() == 1 && prefixes[0] == L"--close-standins") return CloseStandinWindows();
  if (prefixes.size() == 1 && prefixes[0] == L"--wait-message-window") return WaitForMessageWindow() ? 0 : 1;
  const bool listOnly = std::erase(prefixes, L"--list") > 0;

  // The registration case creates a stand-in object itself.
  struct Apartment {
    Apartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~Apartment() { CoUninitialize(); }
  } apartment;

  std::vector<TestCase> cases = AllCases();
  std::ranges::stable_sort(cases, {}, &TestCase::name);
  const auto selected = [&](const TestCase& test) {
    return prefixes.empty() ||
           std::ranges::any_of(prefixes, [&](const std::wstring& prefix) { return test.name.starts_with(prefix); });
  };

  int passed = 0;
  int failed = 0;
  const auto suiteStart = std::chrono::steady_clock::now();
  for (const TestCase& test : cases) {
    if (!selected(test)) continue;
    if (listOnly) {
      Print(test.name + L"\n");
      continue;
    }
    Print(L"[ RUN      ] " + test.name + L"\n");
    const auto start = std::chrono::steady_clock::now();
    Check check;
    test.run(check);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::wstring time = L" (" + std::to_wstring(static_cast<int>(seconds * 1000)) + L" ms)\n";
    if (check.Failed()) {
      ++failed;
      for (const std::wstring& failure : check.Failures()) Print(L"    " + failure + L"\n");
      for (const std::wstring& note : check.Notes()) Print(L"    " + note + L"\n");
      Print(L"[  FAILED  ] " + test.name + time);
    } else {
      ++passed;
      Print(L"[       OK ] " + test.name + time);
    }
  }
  if (listOnly) return 0;
  // Leave both stand-ins registered, as the demo and a user expect them.
  RegisterAllStandins();
  const double total = std::chrono::duration<double>(std::chrono::steady_clock::now() - suiteStart).count();
  Print(std::to_wstring(passed) + L" passed, " + std::to_wstring(failed) + L" failed (" +
        std::to_wstring(static_cast<int>(total)) + L" s)\n");
  return failed == 0 && passed > 0 ? 0 : 1;
}
