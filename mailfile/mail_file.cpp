#include "mailfile/mail_file.h"

#include <array>
#include <cstdint>
#include <new>
#include <span>
#include <string_view>

namespace mailfile {
namespace {

enum class Section { None, Address, Subject, Body, Attachment };

// The section a marker line starts, or Section::None for any other line.
Section MarkedSection(std::u16string_view line) {
  if (line == u"[ADDRESS]") return Section::Address;
  if (line == u"[SUBJECT]") return Section::Subject;
  if (line == u"[BODY]") return Section::Body;
  if (line == u"[ATTACHMENT]") return Section::Attachment;
  return Section::None;
}

// Decodes one line at a time and applies the section rules to it.
class SectionReader {
 public:
  SectionReader(platform::Desktop& desktop, MailFields& fields, std::uint64_t fileSize)
      : desktop_(desktop), fields_(fields), fileSize_(fileSize) {}

  void Line(std::string_view bytes) {
    if (section_ == Section::Body) {
      BodyLine(bytes);
      return;
    }
    line_.clear();
    desktop_.AppendDecodedAnsi(line_, bytes);
    if (const Section marked = MarkedSection(line_); marked != Section::None) {
      Enter(marked);
    } else {
      Content(line_);
    }
  }

 private:
  // Most of a large file is body: its lines are decoded straight onto the
  // body, and a marker line is taken off again.
  void BodyLine(std::string_view bytes) {
    std::u16string& body = fields_.body;
    const std::size_t lineStart = body.size();
    desktop_.AppendDecodedAnsi(body, bytes);
    if (const Section marked = MarkedSection(std::u16string_view(body).substr(lineStart));
        marked != Section::None) {
      body.resize(lineStart);
      Enter(marked);
    } else {
      body += u'\r';
    }
  }

  void Enter(Section section) {
    section_ = section;
    if (section == Section::Body && !bodyReserved_) ReserveBody();
  }

  // A body never holds more characters than the file has bytes: no ANSI code
  // page decodes into more UTF-16 units than bytes, and each line's CR stands
  // for at least one byte of line end, except after a last line with none,
  // which comes after the marker line's own line end. Reserving that much
  // once spares the copies, and the doubled memory, of a growing body. The
  // size is only a hint: a reserve that cannot be had leaves the body to grow
  // as it needs.
  void ReserveBody() {
    bodyReserved_ = true;
    if (fileSize_ > fields_.body.max_size()) return;
    try {
      fields_.body.reserve(static_cast<std::size_t>(fileSize_));
    } catch (const std::bad_alloc&) {
    }
  }

  void Content(const std::u16string& text) {
    switch (section_) {
      case Section::Address:
        ReplaceUnlessEmpty(fields_.address, text);
        break;
      case Section::Subject:
        ReplaceUnlessEmpty(fields_.subject, text);
        break;
      case Section::Attachment:
        ReplaceUnlessEmpty(fields_.attachment, text);
        break;
      case Section::None:
      case Section::Body:
        break;
    }
  }

  static void ReplaceUnlessEmpty(std::u16string& value, const std::u16string& text) {
    if (!text.empty()) value = text;
  }

  platform::Desktop& desktop_;
  MailFields& fields_;
  const std::uint64_t fileSize_;
  Section section_ = Section::None;
  bool bodyReserved_ = false;
  std::u16string line_;  // the decoded line outside the body, reused from line to line
};

// Splits the file's bytes into lines: CR or CR LF ends a line, a lone LF is an
// ordinary character, and a final line needs no line end.
class LineSplitter {
 public:
  explicit LineSplitter(SectionReader& sections) : sections_(sections) {}

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
        sections_.Line(rest.substr(0, lineEnd));
      } else {
        line_.append(rest.substr(0, lineEnd));
        sections_.Line(line_);
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
    if (!line_.empty()) sections_.Line(line_);
  }

 private:
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
  SectionReader sections(desktop, fields, file->SizeHint());
  LineSplitter lines(sections);
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
