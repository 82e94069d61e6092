// A recording stand-in for the desktop: every operation the logic makes is
// written to a journal, one readable line each, and any of them can be made
// to fail.
#pragma once

#include <exception>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/desktop.h"

namespace testing_support {

std::string Utf8(std::u16string_view text);
// Quotes text for the journal with control characters made visible.
std::string Quoted(std::u16string_view text);

// A failure the attachment's file-name lookup raises where "no such file"
// would hide a fault, and the box it gives.
struct LookupFailure {
  const char* name;
  platform::Failure failure;
  std::u16string box;
};
std::vector<LookupFailure> AttachmentLookupFailures();

class FakeDesktop final : public platform::Desktop {
 public:
  struct MailFile {
    std::string bytes;
    std::size_t chunkSize = 4096;  // bytes handed out by each Read
    std::optional<std::size_t> failReadAfter;  // bytes delivered before a read fails
    std::optional<std::uint64_t> statedSize;  // the size hint, if not the number of bytes
  };

  std::vector<std::string> journal;

  // Inputs of the desktop.
  std::u16string commandLineTail;
  std::u16string programFolder = u"C:\\Tools";
  std::u16string currentFolder = u"C:\\Work";  // what FullPathName puts before a path
  platform::WindowHandle notesWindow = 0;
  std::map<std::u16string, std::u16string> fileNames;  // path -> name FindFileName gives
  std::map<std::u16string, MailFile> mailFiles;
  std::function<void()> onPump;  // runs inside PumpMessages, as a waiting click would

  // Makes the operation whose journal line starts with prefix throw failure
  // (a platform::Failure, or any other exception), the occurrence-th time it
  // is met (counting from 1).
  void FailWhen(std::string prefix, std::exception_ptr failure, int occurrence = 1) {
    plannedFailures_.push_back({std::move(prefix), std::move(failure), occurrence});
  }
  template <class Exception>
  void FailWhen(std::string prefix, Exception failure, int occurrence = 1) {
    FailWhen(std::move(prefix), std::make_exception_ptr(std::move(failure)), occurrence);
  }

  // Only the lines that start with prefix, or all lines but those.
  std::vector<std::string> Lines(const std::string& prefix) const;

  platform::ObjectRef CreateAutomationObject(std::u16string_view progId) override;
  void CallMethod(platform::AutomationObject& object, std::u16string_view member,
                  std::initializer_list<platform::Value> arguments) override;
  platform::ObjectRef CallMethodForObject(platform::AutomationObject& object, std::u16string_view member,
                                          std::initializer_list<platform::Value> arguments) override;
  platform::ObjectRef GetObjectProperty(platform::AutomationObject& object, std::u16string_view member) override;
  void SetProperty(platform::AutomationObject& object, std::u16string_view member,
                   const platform::Value& value) override;
  // Recorded as "message 0 ..." or "message 16 ...", the numbers of the
  // Win32 styles; a planned failure of "message" makes the box fail.
  void ShowMessage(std::u16string_view text, platform::MessageStyle style) override;
  std::u16string FindFileName(std::u16string_view path) override;
  std::u16string FullPathName(std::u16string_view path) override;
  void PumpMessages() override;
  std::u16string CommandLineTail() override { return commandLineTail; }
  std::u16string ProgramFolder() override { return programFolder; }
  platform::WindowHandle FindWindowA(const char* className, const char* windowName) override;
  // Recorded as "ShowWindow <window> 3", the number of SW_SHOWMAXIMIZED.
  void ShowWindow(platform::WindowHandle window, platform::ShowCommand command) override;
  void SetForegroundWindow(platform::WindowHandle window) override;
  std::unique_ptr<platform::InputFile> OpenForInput(std::u16string_view path) override;
  void AppendDecodedAnsi(std::u16string& text, std::string_view bytes) override;

  // Journals a line, then throws if a failure was set for it.
  void Record(std::string line);

 private:
  struct PlannedFailure {
    std::string prefix;
    std::exception_ptr failure;
    int remaining;
  };
  platform::ObjectRef MakeObject(std::string name);

  std::vector<PlannedFailure> plannedFailures_;
};

}  // namespace testing_support
