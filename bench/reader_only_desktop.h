// A desktop that offers only what the mail file reader uses: the file-name
// lookup, the open file and the ANSI decode (Windows-1252). Every other
// operation fails, so a reader that strays beyond the file shows up at once.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/desktop.h"
#include "platform/windows1252.h"

namespace reader_tools {

class ReaderOnlyDesktop : public platform::Desktop {
 public:
  std::u16string FindFileName(std::u16string_view path) override { return std::u16string(path); }
  void AppendDecodedAnsi(std::u16string& text, std::string_view bytes) override {
    platform::AppendWindows1252(text, bytes);
  }

  platform::ObjectRef CreateAutomationObject(std::u16string_view) override { Unused(); }
  void CallMethod(platform::AutomationObject&, std::u16string_view, std::initializer_list<platform::Value>) override {
    Unused();
  }
  platform::ObjectRef CallMethodForObject(platform::AutomationObject&, std::u16string_view,
                                          std::initializer_list<platform::Value>) override {
    Unused();
  }
  platform::ObjectRef GetObjectProperty(platform::AutomationObject&, std::u16string_view) override { Unused(); }
  void SetProperty(platform::AutomationObject&, std::u16string_view, const platform::Value&) override { Unused(); }
  void ShowMessage(std::u16string_view, platform::MessageStyle) override { Unused(); }
  std::u16string FullPathName(std::u16string_view) override { Unused(); }
  void PumpMessages() override { Unused(); }
  std::u16string CommandLineTail() override { Unused(); }
  std::u16string ProgramFolder() override { Unused(); }
  platform::WindowHandle FindWindowA(const char*, const char*) override { Unused(); }
  void ShowWindow(platform::WindowHandle, platform::ShowCommand) override { Unused(); }
  void SetForegroundWindow(platform::WindowHandle) override { Unused(); }

 private:
  [[noreturn]] static void Unused() {
    throw platform::Failure(platform::NumberOf(platform::RuntimeError::MemberNotSupported),
                            u"not a service of the mail file reader");
  }
};

}  // namespace reader_tools
