#include "test_main.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "platform/win32/win32_desktop.h"

namespace {

// Under Wine an unhandled crash starts the debugger, which waits for ever:
// end the run at once instead, as failed.
LONG WINAPI EndOnCrash(EXCEPTION_POINTERS* crash) {
  std::fprintf(stderr, "crashed with exception 0x%08lx\n", crash->ExceptionRecord->ExceptionCode);
  std::fflush(stderr);
  ExitProcess(3);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  SetUnhandledExceptionFilter(EndOnCrash);
  SetProcessDPIAware();
  const platform::win32::ComApartment apartment;
  if (const std::optional<int> code = wine_tests::RunInstead(argc, argv)) return *code;
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
