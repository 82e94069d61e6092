// The desktop services on Windows: COM automation through IDispatch, user32
// message boxes and windows, the file system and the process's command line.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform/desktop.h"

namespace platform::win32 {

// COM for the program's one thread, which owns windows: a single-threaded
// apartment from construction to destruction.
class ComApartment {
 public:
  ComApartment();
  ~ComApartment();
  // Neither copied nor moved: the apartment belongs to the thread.
  ComApartment(ComApartment&&) = delete;

 private:
  bool initialized_ = false;
};

class Win32Desktop : public Desktop {
 public:
  // programName titles every message box.
  explicit Win32Desktop(std::u16string programName);

  ObjectRef CreateAutomationObject(std::u16string_view progId) override;
  void CallMethod(AutomationObject& object, std::u16string_view member,
                  std::initializer_list<Value> arguments) override;
  ObjectRef CallMethodForObject(AutomationObject& object, std::u16string_view member,
                                std::initializer_list<Value> arguments) override;
  ObjectRef GetObjectProperty(AutomationObject& object, std::u16string_view member) override;
  void SetProperty(AutomationObject& object, std::u16string_view member, const Value& value) override;

  void ShowMessage(std::u16string_view text, MessageStyle style) override;
  std::u16string FindFileName(std::u16string_view path) override;
  std::u16string FullPathName(std::u16string_view path) override;
  void PumpMessages() override;
  std::u16string CommandLineTail() override;
  std::u16string ProgramFolder() override;

  WindowHandle FindWindowA(const char* className, const char* windowName) override;
  void ShowWindow(WindowHandle window, ShowCommand command) override;
  void SetForegroundWindow(WindowHandle window) override;

  std::unique_ptr<InputFile> OpenForInput(std::u16string_view path) override;
  void AppendDecodedAnsi(std::u16string& text, std::string_view bytes) override;

  // The window's keyboard interface (Tab, Space, Enter), which gets the first
  // look at every message PumpMessages takes, as in the main message loop;
  // true when it handled the message.
  void SetDialogKeys(std::function<bool(MSG&)> handleDialogKeys);

 private:
  std::u16string programName_;
  std::function<bool(MSG&)> handleDialogKeys_;
};

}  // namespace platform::win32
