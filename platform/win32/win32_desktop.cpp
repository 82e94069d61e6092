#include "platform/win32/win32_desktop.h"

#include <windows.h>
#include <objbase.h>

#include <span>

#include "platform/command_line.h"
#include "platform/win32/owners.h"
#include "platform/win32/dispatch_call.h"
#include "platform/win32/failure_mapping.h"
#include "platform/win32/file_services.h"
#include "platform/win32/wide_text.h"

namespace platform::win32 {
namespace {

std::span<const Value> AsSpan(std::initializer_list<Value> arguments) {
  return std::span<const Value>(arguments.begin(), arguments.size());
}

HWND AsWindow(WindowHandle window) { return reinterpret_cast<HWND>(window); }

}  // namespace

ComApartment::ComApartment() : initialized_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}

ComApartment::~ComApartment() {
  if (initialized_) CoUninitialize();
}

Win32Desktop::Win32Desktop(std::u16string programName) : programName_(std::move(programName)) {}

ObjectRef Win32Desktop::CreateAutomationObject(std::u16string_view progId) { return CreateDispatchObject(progId); }

void Win32Desktop::CallMethod(AutomationObject& object, std::u16string_view member,
                              std::initializer_list<Value> arguments) {
  InvokeMember(object, member, DISPATCH_METHOD, AsSpan(arguments), nullptr);
}

ObjectRef Win32Desktop::CallMethodForObject(AutomationObject& object, std::u16string_view member,
                                            std::initializer_list<Value> arguments) {
  UniqueVariant result;
  InvokeMember(object, member, DISPATCH_METHOD, AsSpan(arguments), &result);
  return ObjectFromResult(result);
}

ObjectRef Win32Desktop::GetObjectProperty(AutomationObject& object, std::u16string_view member) {
  UniqueVariant result;
  InvokeMember(object, member, DISPATCH_PROPERTYGET, {}, &result);
  return ObjectFromResult(result);
}

void Win32Desktop::SetProperty(AutomationObject& object, std::u16string_view member, const Value& value) {
  InvokeMember(object, member, DISPATCH_PROPERTYPUT, std::span<const Value>(&value, 1), nullptr);
}

void Win32Desktop::ShowMessage(std::u16string_view text, MessageStyle style) {
  // Owned by our active window when there is one. Without one (command-line
  // mode, or the user is in another program) the box is task modal, so that
  // no window of ours takes input behind it, and it asks to come to the
  // front, since a batch job that started us may have no window at all.
  const HWND owner = GetActiveWindow();
  UINT type = MB_OK | MB_SETFOREGROUND | (style == MessageStyle::Critical ? MB_ICONERROR : 0u);
  if (owner == nullptr) type |= MB_TASKMODAL;
  // A box the system cannot show leaves nothing to report it with.
  MessageBoxW(owner, ToWide(text).c_str(), ToWide(programName_).c_str(), type);
}

std::u16string Win32Desktop::FindFileName(std::u16string_view path) { return FindFirstNormalFile(path); }

std::u16string Win32Desktop::FullPathName(std::u16string_view path) { return platform::win32::FullPathName(path); }

void Win32Desktop::PumpMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Not ours to end on: post it again for the main message loop. It comes
      // only once the queue is empty, so nothing is left to handle here.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (handleDialogKeys_ && handleDialogKeys_(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

std::u16string Win32Desktop::CommandLineTail() {
  return std::u16string(CommandLineTailOf(FromWide(GetCommandLineW())));
}

std::u16string Win32Desktop::ProgramFolder() {
  // Paths past MAX_PATH are possible; the system truncates silently, so grow
  // until the name fits with room to spare.
  constexpr std::size_t kLongestPath = 32768;
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) throw FailureFromWin32Error(GetLastError(), Operation::FileAccess);
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    if (path.size() > kLongestPath) throw FailureFromWin32Error(ERROR_INSUFFICIENT_BUFFER, Operation::FileAccess);
    path.resize(path.size() * 2);
  }
  const std::u16string programPath = FromWide(path);
  return std::u16string(ProgramFolderOf(programPath));
}

WindowHandle Win32Desktop::FindWindowA(const char* className, const char* windowName) {
  return reinterpret_cast<WindowHandle>(::FindWindowA(className, windowName));
}

void Win32Desktop::ShowWindow(WindowHandle window, ShowCommand command) {
  switch (command) {
    case ShowCommand::Maximized:
      ::ShowWindow(AsWindow(window), SW_SHOWMAXIMIZED);
      return;
  }
}

void Win32Desktop::SetForegroundWindow(WindowHandle window) { ::SetForegroundWindow(AsWindow(window)); }

std::unique_ptr<InputFile> Win32Desktop::OpenForInput(std::u16string_view path) { return OpenFileForInput(path); }

void Win32Desktop::AppendDecodedAnsi(std::u16string& text, std::string_view bytes) {
  AppendFromAnsiCodePage(text, bytes);
}

void Win32Desktop::SetDialogKeys(std::function<bool(MSG&)> handleDialogKeys) {
  handleDialogKeys_ = std::move(handleDialogKeys);
}

}  // namespace platform::win32
