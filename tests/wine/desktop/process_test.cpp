// What the process learns about itself, and the user-interface services:
// the command-line tail and program folder of a real child process, message
// pumping, message boxes and the three user32 window functions.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/win32/owners.h"
#include "platform/win32/win32_desktop.h"
#include "test_support.h"

namespace desktop_tests {
namespace {

using platform::win32::UniqueHandle;

constexpr wchar_t kProbeVariable[] = L"QZ_DESKTOP_PROBE";
constexpr wchar_t kTestProgram[] = L"qz_desktop_tests.exe";

std::wstring OwnPath() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return path;
}

struct ProbeResult {
  bool ran = false;
  std::u16string tail;
  std::u16string folder;
};

// Starts program with exactly this command line and reads what it reported.
ProbeResult RunProbe(const ScratchFolder& folder, const std::wstring& program, std::wstring commandLine) {
  const std::wstring output = folder.Path(L"probe.out");
  DeleteFileW(output.c_str());
  SetEnvironmentVariableW(kProbeVariable, output.c_str());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  const BOOL created = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                      nullptr, &startup, &started);
  SetEnvironmentVariableW(kProbeVariable, nullptr);
  ProbeResult result;
  if (!created) {
    ADD_FAILURE() << "cannot start the probe, error " << GetLastError();
    return result;
  }
  UniqueHandle process(started.hProcess);
  UniqueHandle thread(started.hThread);
  if (WaitForSingleObject(process.Get(), 30000) != WAIT_OBJECT_0) {
    TerminateProcess(process.Get(), 1);
    ADD_FAILURE() << "the probe did not end";
    return result;
  }
  std::ifstream file(output.c_str(), std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  const std::u16string text(reinterpret_cast<const char16_t*>(bytes.data()), bytes.size() / 2);
  const std::size_t separator = text.find(u'\0');
  if (separator == std::u16string::npos) {
    ADD_FAILURE() << "the probe wrote no report";
    return result;
  }
  result.ran = true;
  result.tail = text.substr(0, separator);
  result.folder = text.substr(separator + 1);
  return result;
}

TEST(CommandLineTail, IsWhatFollowsTheProgramNameInTheRealCommandLine) {
  ScratchFolder folder;
  const std::wstring program = OwnPath();
  const std::wstring quoted = L"\"" + program + L"\"";
  struct TailCase {
    const char* what;
    std::wstring commandLine;
    std::u16string tail;
  };
  const TailCase cases[] = {
      {"no arguments", quoted, u""},
      {"one path", quoted + L" C:\\Mail\\order.txt", u"C:\\Mail\\order.txt"},
      {"blanks kept but the first", quoted + L"  two  blanks ", u" two  blanks "},
      {"quotes kept", quoted + L" \"C:\\My Mail\\a.txt\"", u"\"C:\\My Mail\\a.txt\""},
      {"blanks only", quoted + L"   ", u"  "},
      {"text glued to the name's closing quote", quoted + L"x y", u"x y"},
      {"unquoted name, tab", L"Quorvel.exe\tC:\\a.txt", u"C:\\a.txt"},
  };
  for (const TailCase& tailCase : cases) {
    SCOPED_TRACE(tailCase.what);
    const ProbeResult probe = RunProbe(folder, program, tailCase.commandLine);
    EXPECT_TRUE(probe.ran);
    EXPECT_EQ(probe.tail, tailCase.tail);
  }
}

TEST(ProgramFolder, IsTheFolderOfTheExecutable) {
  platform::win32::Win32Desktop desktop{u"DesktopTest"};
  const std::u16string folder = desktop.ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), u'\\');
  const std::wstring program = std::wstring(folder.begin(), folder.end()) + L"\\" + kTestProgram;
  const DWORD attributes = GetFileAttributesW(program.c_str());
  EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

// A window that takes no part in the test but counts the WM_APP messages it
// is sent; one with wParam 1 asks it to post itself another.
class CountingWindow {
 public:
  CountingWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &CountingWindow::Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"QzDesktopTestCounter";
    RegisterClassW(&windowClass);
    window_ = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              windowClass.hInstance, nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  CountingWindow(const CountingWindow&) = delete;
  CountingWindow& operator=(const CountingWindow&) = delete;
  ~CountingWindow() { DestroyWindow(window_); }

  HWND Get() const { return window_; }
  int Count() const { return count_; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) {
      auto* self = reinterpret_cast<CountingWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
      ++self->count_;
      if (wParam == 1) PostMessageW(window, WM_APP, 0, 0);
      return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  HWND window_ = nullptr;
  int count_ = 0;
};

TEST(PumpMessages, HandlesEverythingWaitingAndLeavesAQuitForTheMainLoop) {
  platform::win32::Win32Desktop desktop{u"DesktopTest"};
  CountingWindow counter;
  desktop.PumpMessages();  // nothing waiting: returns at once

  PostMessageW(counter.Get(), WM_APP, 0, 0);
  PostMessageW(counter.Get(), WM_APP, 1, 0);
  desktop.PumpMessages();
  EXPECT_EQ(counter.Count(), 3) << "including the one posted while pumping";

  PostMessageW(counter.Get(), WM_APP, 0, 0);
  PostQuitMessage(7);
  desktop.PumpMessages();
  EXPECT_EQ(counter.Count(), 4);
  MSG message;
  ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(message.wParam, 7u);
}

// What another thread sees of the message box the test thread shows.
struct BoxSeen {
  DWORD thread = 0;
  HWND other = nullptr;  // a window of the test thread besides the box
  HWND box = nullptr;
  std::wstring title;
  std::wstring text;
  HWND owner = nullptr;
  bool icon = false;
  int buttons = 0;
  bool okButton = false;
  bool otherEnabled = true;
};

BOOL CALLBACK FindBox(HWND window, LPARAM seen) {
  wchar_t className[32] = {};
  GetClassNameW(window, className, 32);
  if (std::wstring(className) != L"#32770") return TRUE;
  reinterpret_cast<BoxSeen*>(seen)->box = window;
  return FALSE;
}

BOOL CALLBACK LookAtControl(HWND control, LPARAM seenParameter) {
  auto* seen = reinterpret_cast<BoxSeen*>(seenParameter);
  if (!IsWindowVisible(control)) return TRUE;
  wchar_t className[32] = {};
  GetClassNameW(control, className, 32);
  const std::wstring kind = className;
  if (kind == L"Button") {
    ++seen->buttons;
    seen->okButton = seen->okButton || GetDlgCtrlID(control) == IDOK;
  } else if (kind == L"Static") {
    if ((GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      seen->icon = seen->icon || SendMessageW(control, STM_GETICON, 0, 0) != 0;
    } else {
      wchar_t text[256] = {};
      GetWindowTextW(control, text, 256);
      if (text[0] != L'\0') seen->text = text;
    }
  }
  return TRUE;
}

DWORD WINAPI WatchForTheBox(void* parameter) {
  auto* seen = static_cast<BoxSeen*>(parameter);
  for (int tries = 0; tries < 200 && seen->box == nullptr; ++tries) {
    Sleep(50);
    EnumThreadWindows(seen->thread, FindBox, reinterpret_cast<LPARAM>(seen));
  }
  if (seen->box == nullptr) return 1;
  wchar_t title[256] = {};
  GetWindowTextW(seen->box, title, 256);
  seen->title = title;
  seen->owner = GetWindow(seen->box, GW_OWNER);
  seen->otherEnabled = IsWindowEnabled(seen->other) != FALSE;
  EnumChildWindows(seen->box, LookAtControl, reinterpret_cast<LPARAM>(seen));
  PostMessageW(seen->box, WM_COMMAND, IDOK, 0);
  return 0;
}

TEST(ShowMessage, ShowsAModalBoxWithOneButtonTheIconAndTheProgramName) {
  platform::win32::Win32Desktop desktop{u"Quorvel"};
  struct BoxCase {
    const char* what;
    std::u16string text;
    platform::MessageStyle style;
    bool activeWindow;
    bool icon;
  };
  const BoxCase cases[] = {
      {"plain, no window of ours active", u"File not found: C:\\x.txt", platform::MessageStyle::Plain, false, false},
      {"critical, no window of ours active", u"Lotus Notes is not installed!", platform::MessageStyle::Critical, false,
       true},
      {"critical, owned by the active window", u"Error: 429 x", platform::MessageStyle::Critical, true, true},
  };
  for (const BoxCase& boxCase : cases) {
    SCOPED_TRACE(boxCase.what);
    HWND window = CreateWindowExW(0, L"STATIC", L"Form1", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (boxCase.activeWindow) {
      ShowWindow(window, SW_SHOW);
      SetActiveWindow(window);
    }
    BoxSeen seen;
    seen.thread = GetCurrentThreadId();
    seen.other = window;
    UniqueHandle watcher(CreateThread(nullptr, 0, WatchForTheBox, &seen, 0, nullptr));
    desktop.ShowMessage(boxCase.text, boxCase.style);
    EXPECT_EQ(WaitForSingleObject(watcher.Get(), 20000), WAIT_OBJECT_0);
    DestroyWindow(window);

    ASSERT_NE(seen.box, nullptr);
    EXPECT_EQ(seen.title, L"Quorvel");
    EXPECT_EQ(Utf16(seen.text), boxCase.text);
    EXPECT_EQ(seen.icon, boxCase.icon);
    EXPECT_EQ(seen.buttons, 1);
    EXPECT_TRUE(seen.okButton);
    EXPECT_FALSE(seen.otherEnabled) << "no window of ours takes input while the box is up";
    EXPECT_EQ(seen.owner, boxCase.activeWindow ? window : nullptr);
  }
}

TEST(WindowFunctions, FindShowMaximisedAndBringToTheFront) {
  platform::win32::Win32Desktop desktop{u"DesktopTest"};
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = "QZTESTNOTES";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(0, "QZTESTNOTES", "Notes", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                                windowClass.hInstance, nullptr);
  ASSERT_NE(window, nullptr);

  const platform::WindowHandle found = desktop.FindWindowA("QZTESTNOTES", nullptr);
  EXPECT_EQ(found, reinterpret_cast<platform::WindowHandle>(window));
  EXPECT_EQ(desktop.FindWindowA("QZTESTNOSUCHCLASS", nullptr), 0u);
  desktop.ShowWindow(found, platform::ShowCommand::Maximized);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_TRUE(IsZoomed(window));
  desktop.SetForegroundWindow(found);
  EXPECT_EQ(GetForegroundWindow(), window);
  DestroyWindow(window);
}

}  // namespace

// The child side of the command-line and folder tests: reports the tail, a
// NUL and the folder, as UTF-16, to the file the parent named.
int RunProbe(const std::wstring& output) {
  platform::win32::Win32Desktop desktop{u"DesktopTest"};
  const std::u16string report = desktop.CommandLineTail() + u'\0' + desktop.ProgramFolder();
  std::ofstream file(output.c_str(), std::ios::binary);
  file.write(reinterpret_cast<const char*>(report.data()), static_cast<std::streamsize>(report.size() * 2));
  return file ? 0 : 1;
}

}  // namespace desktop_tests
