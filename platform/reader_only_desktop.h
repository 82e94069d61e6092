// A desktop that offers only what the mail file reader uses: the file-name
// lookup, the open file and the ANSI decode (Windows-1252). Every other
// operation fails, so a reader that strays beyond the file shows up at once.
// For builds without Windows: the fuzzer, the benchmarks and MailFileCheck.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/desktop.h"
#include "platform/windows1252.h"

namespace platform {

class ReaderOnlyDesktop : public Desktop {
 public:
  std::u16string FindFileName(std::u16string_view path) override { return std::u16string(path); }
  void AppendDecodedAnsi(std::u16string& text, std::string_view bytes) override { AppendWindows1252(text, bytes); }

  ObjectRef CreateAutomationObject(std::u16string_view) override { Unused(); }
  void CallMethod(AutomationObject&, std::u16string_view, std::initializer_list<Value>) override { Unused(); }
  ObjectRef CallMethodForObject(AutomationObject&, std::u16string_view, std::initializer_list<Value>) override {
    Unused();
  }
  ObjectRef GetObjectProperty(AutomationObject&, std::u16string_view) override { Unused(); }
  void SetProperty(AutomationObject&, std::u16string_view, const Value&) override { Unused(); }
  void ShowMessage(std::u16string_view, MessageStyle) override { Unused(); }
  std::u16string FullPathName(std::u16string_view) override { Unused(); }
  void PumpMessages() override { Unused(); }
  std::u16string CommandLineTail() override { Unused(); }
  std::u16string ProgramFolder() override { Unused(); }
  WindowHandle FindWindowA(const char*, const char*) override { Unused(); }
  void ShowWindow(WindowHandle, ShowCommand) override { Unused(); }
  void SetForegroundWindow(WindowHandle) override { Unused(); }

 private:
  [[noreturn]] static void Unused() {
    throw Failure(NumberOf(RuntimeError::MemberNotSupported), u"not a service of the mail file reader");
  }
};

}  // namespace platform
