#include "mailfile/mail_file.h"

#include <array>
#include <span>
#include <string_view>

namespace mailfile {
namespace {

enum class Section { None, Address, Subject, Body, Attachment };

// Applies the section rules to one decoded line at a time.
class SectionReader {
 public:
  explicit SectionReader(MailFields& fields) : fields_(fields) {}

  void Line(const std::u16string& text) {
    if (text == u"[ADDRESS]") {
      section_ = Section::Address;
    } else if (text == u"[SUBJECT]") {
      section_ = Section::Subject;
    } else if (text == u"[BODY]") {
      section_ = Section::Body;
    } else if (text == u"[ATTACHMENT]") {
      section_ = Section::Attachment;
    } else {
      Content(text);
    }
  }

 private:
  void Content(const std::u16string& text) {
    switch (section_) {
      case Section::None:
        break;
      case Section::Address:
        ReplaceUnlessEmpty(fields_.address, text);
        break;
      case Section::Subject:
        ReplaceUnlessEmpty(fields_.subject, text);
        break;
      case Section::Attachment:
        ReplaceUnlessEmpty(fields_.attachment, text);
        break;
      case Section::Body:
        fields_.body += text;
        fields_.body += u'\r';
        break;
    }
  }

  static void ReplaceUnlessEmpty(std::u16string& value, const std::u16string& text) {
    if (!text.empty()) value = text;
  }

  MailFields& fields_;
  Section section_ = Section::None;
};

// Splits the file's bytes into lines: CR or CR LF ends a line, a lone LF is an
// ordinary character, and a final line needs no line end.
class LineSplitter {
 public:
  LineSplitter(platform::Desktop& desktop, SectionReader& sections) : desktop_(desktop), sections_(sections) {}

  void Bytes(std::span<const char> bytes) {
    std::string_view rest(bytes.data(), bytes.size());
    if (afterCarriageReturn_ && !rest.empty()) {
      afterCarriageReturn_ = false;
      if (rest.front() == '\n') rest.remove_prefix(1);
    }
    while (!rest.empty()) {
      const std::size_t lineEnd = rest.find('\r');
      if (lineEnd == std::string_view::npos) {
        line_.append(rest);
        return;
      }
      // A line that lies whole in this read is decoded where it is; only one
      // that an earlier read cut off is gathered first.
      if (line_.empty()) {
        EndLine(rest.substr(0, lineEnd));
      } else {
        line_.append(rest.substr(0, lineEnd));
        EndLine(line_);
        line_.clear();
      }
      rest.remove_prefix(lineEnd + 1);
      if (rest.empty()) {
        afterCarriageReturn_ = true;
      } else if (rest.front() == '\n') {
        rest.remove_prefix(1);
      }
    }
  }

  void EndOfFile() {
    if (!line_.empty()) EndLine(line_);
  }

 private:
  void EndLine(std::string_view line) { sections_.Line(desktop_.DecodeAnsi(line)); }

  platform::Desktop& desktop_;
  SectionReader& sections_;
  std::string line_;  // the start of a line cut off by the end of a read; a line is open only with bytes in it
  bool afterCarriageReturn_ = false;
};

}  // namespace

void ReadMailFile(platform::Desktop& desktop, const std::u16string& path, Composer composer) {
  MailFields fields;
  if (path.empty()) return;
  if (desktop.FindFileName(path).empty()) return;

  std::unique_ptr<platform::InputFile> file = desktop.OpenForInput(path);
  SectionReader sections(fields);
  LineSplitter lines(desktop, sections);
  std::array<char, 64 * 1024> buffer;
  for (;;) {
    const std::size_t count = file->Read(buffer);
    if (count == 0) break;
    lines.Bytes(std::span<const char>(buffer.data(), count));
  }
  lines.EndOfFile();
  // Closed before the hand-off: a nested read from a re-entered window finds the file free.
  file.reset();

  composer(desktop, fields);
}

}  // namespace mailfile
