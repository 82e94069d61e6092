#include "fake_desktop.h"

#include <algorithm>
#include <cstdio>

#include "documented_errors.h"
#include "platform/windows1252.h"

namespace testing_support {
namespace {

class FakeObject final : public platform::AutomationObject {
 public:
  FakeObject(FakeDesktop& desktop, std::string name) : desktop_(desktop), name_(std::move(name)) {}
  ~FakeObject() override { desktop_.journal.push_back("release " + name_); }
  const std::string& Name() const { return name_; }

 private:
  FakeDesktop& desktop_;
  std::string name_;
};

const std::string& NameOf(platform::AutomationObject& object) { return static_cast<FakeObject&>(object).Name(); }

std::string Describe(const platform::Value& value) {
  using Kind = platform::Value::Kind;
  switch (value.GetKind()) {
    case Kind::String:
      return "String " + Quoted(value.Text());
    case Kind::StringByRef:
      return "StringByRef " + Quoted(*value.Variable());
    case Kind::NullString:
      return "NullString";
    case Kind::Int16:
      return "Int16 " + std::to_string(value.Int16Value());
    case Kind::Boolean:
      return value.BooleanValue() ? "Boolean true" : "Boolean false";
    case Kind::ObjectByRef:
      return "ObjectByRef " + NameOf(*value.Object());
    case Kind::Missing:
      return "Missing";
  }
  return "?";
}

std::string DescribeCall(std::string_view verb, platform::AutomationObject& object, std::u16string_view member,
                         std::initializer_list<platform::Value> arguments) {
  std::string line = std::string(verb) + " " + NameOf(object) + "." + Utf8(member) + "(";
  bool first = true;
  for (const platform::Value& argument : arguments) {
    if (!first) line += ", ";
    line += Describe(argument);
    first = false;
  }
  return line + ")";
}

class FakeInputFile final : public platform::InputFile {
 public:
  FakeInputFile(FakeDesktop& desktop, const FakeDesktop::MailFile& file) : desktop_(desktop), file_(file) {}
  ~FakeInputFile() override { desktop_.journal.push_back("close"); }

  std::size_t Read(std::span<char> buffer) override {
    if (file_.failReadAfter && position_ >= *file_.failReadAfter) {
      desktop_.journal.push_back("read failed");
      throw platform::MakeFailure(platform::RuntimeError::DeviceIoError);
    }
    std::size_t count = std::min({buffer.size(), file_.chunkSize, file_.bytes.size() - position_});
    if (file_.failReadAfter) count = std::min(count, *file_.failReadAfter - position_);
    std::copy_n(file_.bytes.data() + position_, count, buffer.data());
    position_ += count;
    return count;
  }

  std::uint64_t SizeHint() override { return file_.statedSize.value_or(file_.bytes.size()); }

 private:
  FakeDesktop& desktop_;
  const FakeDesktop::MailFile& file_;
  std::size_t position_ = 0;
};

}  // namespace

std::string Utf8(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string Quoted(std::u16string_view text) {
  std::string out = "\"";
  for (char16_t c : text) {
    if (c == u'\r') {
      out += "\\r";
    } else if (c == u'\n') {
      out += "\\n";
    } else if (c < 0x20 || (c >= 0x7F && c < 0xA0)) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(c));
      out += escaped;
    } else {
      out += Utf8(std::u16string_view(&c, 1));
    }
  }
  return out + "\"";
}

std::vector<LookupFailure> AttachmentLookupFailures() {
  using platform::RuntimeError;
  namespace documented = oracles::errors;
  return {
      {"a NUL in the line", platform::MakeFailure(RuntimeError::BadFileName), oracles::ErrorBox(documented::BadFileName)},
      {"a folder on the way that may not be listed", platform::MakeFailure(RuntimeError::PermissionDenied),
       oracles::ErrorBox(documented::PermissionDenied)},
      {"a drive not ready", platform::MakeFailure(RuntimeError::DiskNotReady),
       oracles::ErrorBox(documented::DiskNotReady)},
      // A network error other than "no such server or share": its HRESULT with Windows' text.
      {"a network name no longer there", platform::Failure(-2147024832, u"The specified network name is no longer available."),
       u"Error: -2147024832 The specified network name is no longer available."},
  };
}

std::vector<std::string> FakeDesktop::Lines(const std::string& prefix) const {
  std::vector<std::string> lines;
  for (const std::string& line : journal) {
    if (line.starts_with(prefix)) lines.push_back(line);
  }
  return lines;
}

void FakeDesktop::Record(std::string line) {
  journal.push_back(line);
  for (PlannedFailure& planned : plannedFailures_) {
    if (line.starts_with(planned.prefix) && --planned.remaining == 0) {
      journal.back() += " FAILS";
      std::rethrow_exception(planned.failure);
    }
  }
}

platform::ObjectRef FakeDesktop::MakeObject(std::string name) { return std::make_unique<FakeObject>(*this, name); }

platform::ObjectRef FakeDesktop::CreateAutomationObject(std::u16string_view progId) {
  Record("create " + Utf8(progId));
  return MakeObject(Utf8(progId));
}

void FakeDesktop::CallMethod(platform::AutomationObject& object, std::u16string_view member,
                             std::initializer_list<platform::Value> arguments) {
  Record(DescribeCall("call", object, member, arguments));
}

platform::ObjectRef FakeDesktop::CallMethodForObject(platform::AutomationObject& object, std::u16string_view member,
                                                     std::initializer_list<platform::Value> arguments) {
  Record(DescribeCall("call", object, member, arguments) + " -> " + Utf8(member));
  return MakeObject(Utf8(member));
}

platform::ObjectRef FakeDesktop::GetObjectProperty(platform::AutomationObject& object, std::u16string_view member) {
  Record("get " + NameOf(object) + "." + Utf8(member) + " -> " + Utf8(member));
  return MakeObject(Utf8(member));
}

void FakeDesktop::SetProperty(platform::AutomationObject& object, std::u16string_view member,
                              const platform::Value& value) {
  Record("set " + NameOf(object) + "." + Utf8(member) + " = " + Describe(value));
}

void FakeDesktop::ShowMessage(std::u16string_view text, platform::MessageStyle style) {
  Record(std::string("message ") + (style == platform::MessageStyle::Critical ? "16 " : "0 ") + Quoted(text));
}

std::u16string FakeDesktop::FindFileName(std::u16string_view path) {
  const auto found = fileNames.find(std::u16string(path));
  const std::u16string name = found == fileNames.end() ? std::u16string() : found->second;
  Record("find " + Quoted(path) + " -> " + Quoted(name));
  return name;
}

std::u16string FakeDesktop::FullPathName(std::u16string_view path) {
  const std::u16string full = currentFolder + u"\\" + std::u16string(path);
  Record("fullpath " + Quoted(path) + " -> " + Quoted(full));
  return full;
}

void FakeDesktop::PumpMessages() {
  journal.push_back("pump");
  if (onPump) onPump();
}

platform::WindowHandle FakeDesktop::FindWindowA(const char* className, const char* windowName) {
  journal.push_back(std::string("FindWindowA \"") + className + "\" " +
                    (windowName == nullptr ? "null" : windowName) + " -> " + std::to_string(notesWindow));
  return notesWindow;
}

void FakeDesktop::ShowWindow(platform::WindowHandle window, platform::ShowCommand command) {
  switch (command) {
    case platform::ShowCommand::Maximized:
      journal.push_back("ShowWindow " + std::to_string(window) + " 3");
      return;
  }
}

void FakeDesktop::SetForegroundWindow(platform::WindowHandle window) {
  journal.push_back("SetForegroundWindow " + std::to_string(window));
}

std::unique_ptr<platform::InputFile> FakeDesktop::OpenForInput(std::u16string_view path) {
  const auto file = mailFiles.find(std::u16string(path));
  if (file == mailFiles.end()) throw platform::MakeFailure(platform::RuntimeError::FileNotFound);
  Record("open " + Quoted(path));
  return std::make_unique<FakeInputFile>(*this, file->second);
}

void FakeDesktop::AppendDecodedAnsi(std::u16string& text, std::string_view bytes) {
  platform::AppendWindows1252(text, bytes);
}

}  // namespace testing_support
