// The end-to-end suite: runs Quorvel and Zembrik under Wine against the
// stand-in mail clients, as GoogleTest cases. For the demo:
// --wait-message-window (until a stand-in shows a composed message, at most
// 30 s) and --close-standins (close what the stand-ins show and let them end).
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string_view>

#include "harness.h"

int wmain(int argc, wchar_t** argv) {
  using namespace e2e;
  const std::wstring_view only = argc == 2 ? argv[1] : L"";
  if (only == L"--close-standins") return CloseStandinWindows();
  if (only == L"--wait-message-window") return WaitForMessageWindow() ? 0 : 1;
  testing::InitGoogleTest(&argc, argv);

  // The stand-ins' own case creates stand-in objects itself.
  struct Apartment {
    Apartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~Apartment() { CoUninitialize(); }
  } apartment;

  const int status = RUN_ALL_TESTS();
  // Leave both stand-ins registered, as the demo and a user expect them.
  if (!GTEST_FLAG_GET(list_tests)) RegisterAllStandins();
  return status;
}
