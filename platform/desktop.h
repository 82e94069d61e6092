// Every service of the Windows desktop that the logic uses. The programs get
// the Win32 implementation; the unit tests a recording fake. Every operation
// that fails throws platform::Failure, or std::bad_alloc when it runs out of
// memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/automation.h"

namespace platform {

// The icon of a message box: none, or the critical one.
enum class MessageStyle { Plain, Critical };

// How ShowWindow shows a window.
enum class ShowCommand { Maximized };

using WindowHandle = std::uintptr_t;

// A file open for sequential reading; destroying it closes the file.
class InputFile {
 public:
  virtual ~InputFile() = default;
  // Reads up to buffer.size() bytes and returns how many; 0 at the end of the file.
  virtual std::size_t Read(std::span<char> buffer) = 0;
  // The file's size in bytes when it was opened; a hint only, as the file may
  // change while it is read.
  virtual std::uint64_t SizeHint() = 0;
};

class Desktop {
 public:
  virtual ~Desktop() = default;

  // Automation. Members are looked up by name at every call; arguments are
  // given in source order.
  virtual ObjectRef CreateAutomationObject(std::u16string_view progId) = 0;
  // A call whose result is not wanted.
  virtual void CallMethod(AutomationObject& object, std::u16string_view member,
                          std::initializer_list<Value> arguments) = 0;
  // A call whose result is wanted and must be an object.
  virtual ObjectRef CallMethodForObject(AutomationObject& object, std::u16string_view member,
                                        std::initializer_list<Value> arguments) = 0;
  // Reads a property that must hold an object.
  virtual ObjectRef GetObjectProperty(AutomationObject& object, std::u16string_view member) = 0;
  virtual void SetProperty(AutomationObject& object, std::u16string_view member, const Value& value) = 0;

  // A modal box with one OK button, titled with the program's name.
  virtual void ShowMessage(std::u16string_view text, MessageStyle style) = 0;
  // The name of the first normal file matching path (wildcards allowed), or "".
  virtual std::u16string FindFileName(std::u16string_view path) = 0;
  // The full path the system makes of path against the current folder, as
  // the lookup resolves it; wildcards, "." and ".." are resolved as it does.
  virtual std::u16string FullPathName(std::u16string_view path) = 0;
  // Handles the window messages waiting for this thread, then returns.
  virtual void PumpMessages() = 0;
  // The command line after the program's name, quotes and inner blanks kept.
  virtual std::u16string CommandLineTail() = 0;
  // The folder that holds the program's executable file.
  virtual std::u16string ProgramFolder() = 0;

  // The user32 functions of the same names.
  virtual WindowHandle FindWindowA(const char* className, const char* windowName) = 0;
  virtual void ShowWindow(WindowHandle window, ShowCommand command) = 0;
  virtual void SetForegroundWindow(WindowHandle window) = 0;

  // The mail file: opened for sequential input, its bytes decoded from the
  // system's ANSI code page. The decoding is appended to text, which is left
  // as it was if the decoding fails.
  virtual std::unique_ptr<InputFile> OpenForInput(std::u16string_view path) = 0;
  virtual void AppendDecodedAnsi(std::u16string& text, std::string_view bytes) = 0;
};

}  // namespace platform
