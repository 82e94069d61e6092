#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

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
  // The programs are DPI-aware: read their windows in the same pixels.
  SetProcessDPIAware();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
