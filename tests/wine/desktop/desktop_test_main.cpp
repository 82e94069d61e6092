#include <windows.h>

#include <string>

#include "test_main.h"

namespace desktop_tests {
int RunProbe(const std::wstring& output);
}

// With QZ_DESKTOP_PROBE set, the program is a child started by the
// command-line tests and only reports what it was started with.
std::optional<int> wine_tests::RunInstead(int, wchar_t**) {
  std::wstring probeOutput(32768, L'\0');
  probeOutput.resize(GetEnvironmentVariableW(L"QZ_DESKTOP_PROBE", probeOutput.data(),
                                             static_cast<DWORD>(probeOutput.size())));
  if (probeOutput.empty()) return std::nullopt;
  return desktop_tests::RunProbe(probeOutput);
}
