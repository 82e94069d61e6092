#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/win32/win32_desktop.h"

namespace desktop_tests {
int RunProbe(const std::wstring& output);
}

namespace {

// Under Wine an unhandled crash starts the debugger, which waits for ever:
// end the run at once instead, as failed.
LONG WINAPI EndOnCrash(EXCEPTION_POINTERS* crash) {
  std::fprintf(stderr, "crashed with exception 0x%08lx\n", crash->ExceptionRecord->ExceptionCode);
  std::fflush(stderr);
  ExitProcess(3);
}

}  // namespace

// With QZ_DESKTOP_PROBE set, the program is a child started by the
// command-line tests and only reports what it was started with.
int wmain(int argc, wchar_t** argv) {
  SetUnhandledExceptionFilter(EndOnCrash);
  platform::win32::ComApartment apartment;
  std::wstring probeOutput(32768, L'\0');
  probeOutput.resize(GetEnvironmentVariableW(L"QZ_DESKTOP_PROBE", probeOutput.data(),
                                             static_cast<DWORD>(probeOutput.size())));
  if (!probeOutput.empty()) return desktop_tests::RunProbe(probeOutput);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
