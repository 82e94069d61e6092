#include "mailfile/mail_file.h"

#include <array>
#include <cstdint>
#include <new>
#include <optional>
#include <span>
#include <string_view>
#include <type_traits>

#include "mailfile/unicode_text.h"

namespace mailfile {
namespace {

// How the units of one line, its line end taken off, become text. A line is
// split off before it is decoded: in none of the three encodings can a CR
// unit be part of a character.
class AnsiDecoder {
 public:
  using Unit = char;
  explicit AnsiDecoder(platform::Desktop& desktop) : desktop_(desktop) {}
  void Append(std::u16string& text, std::string_view units) { desktop_.AppendDecodedAnsi(text, units); }

 private:
  platform::Desktop& desktop_;
};

struct Utf8Decoder {
  using Unit = char;
  static void Append(std::u16string& text, std::string_view units) { AppendUtf8(text, units); }
};

struct Utf16Decoder {
  using Unit = char16_t;
  static void Append(std::u16string& text, std::u16string_view units) { AppendUtf16(text, units); }
};

// The programs' reader: it is told nothing.
struct IgnoreLines {
  static void EncodingChosen(Encoding) {}
  static void Line(const ReadLine&) {}
};

// Decodes one line at a time and applies the section rules to it, telling
// events what it did.
template <class Decoder, class Events>
class SectionReader {
 public:
  using Unit = typename Decoder::Unit;
  using Units = std::basic_string_view<Unit>;

  // bodyLimit: the most characters the body can come to (see ReserveBody).
  SectionReader(Decoder decoder, MailFields& fields, std::uint64_t bodyLimit, Events& events)
      : decoder_(decoder), fields_(fields), bodyLimit_(bodyLimit), events_(events) {}

  void Line(Units units, bool endsInCarriageReturn) {
    if (section_ == Section::Body) {
      BodyLine(units, endsInCarriageReturn);
      return;
    }
    line_.clear();
    decoder_.Append(line_, units);
    if (const Section marked = MarkedSection(line_); marked != Section::None) {
      Enter(marked);
      Tell(units, line_, endsInCarriageReturn, marked, LineUse::Marker);
    } else {
      Tell(units, line_, endsInCarriageReturn, section_, Content(line_));
    }
  }

 private:
  // Most of a large file is body: its lines are decoded straight onto the
  // body, and a marker line is taken off again.
  void BodyLine(Units units, bool endsInCarriageReturn) {
    std::u16string& body = fields_.body;
    const std::size_t lineStart = body.size();
    decoder_.Append(body, units);
    const std::u16string_view text = std::u16string_view(body).substr(lineStart);
    if (const Section marked = MarkedSection(text); marked != Section::None) {
      Tell(units, text, endsInCarriageReturn, marked, LineUse::Marker);
      body.resize(lineStart);
      Enter(marked);
    } else {
      Tell(units, text, endsInCarriageReturn, Section::Body, LineUse::Body);
      body += u'\r';
    }
  }

  void Tell(Units units, std::u16string_view text, bool endsInCarriageReturn, Section section, LineUse use) {
    std::string_view bytes;
    if constexpr (std::is_same_v<Unit, char>) bytes = units;
    events_.Line(ReadLine{.text = text, .bytes = bytes, .endsInCarriageReturn = endsInCarriageReturn,
                          .section = section, .use = use});
  }

  void Enter(Section section) {
    section_ = section;
    if (section == Section::Body && !bodyReserved_) ReserveBody();
  }

  // A body never holds more characters than the file has units (bytes, or
  // byte pairs in UTF-16): no ANSI code page decodes into more UTF-16 units
  // than bytes, a UTF-8 sequence gives at most one unit per byte, a UTF-16
  // unit one, and each line's CR stands for at least one unit of line end,
  // except after a last line with none, which comes after the marker line's
  // own line end. Reserving that much once spares the copies, and the doubled
  // memory, of a growing body. The size is only a hint: a reserve that
  // cannot be had leaves the body to grow as it needs.
  void ReserveBody() {
    bodyReserved_ = true;
    if (bodyLimit_ > fields_.body.max_size()) return;
    try {
      fields_.body.reserve(static_cast<std::size_t>(bodyLimit_));
    } catch (const std::bad_alloc&) {
    }
  }

  LineUse Content(const std::u16string& text) {
    switch (section_) {
      case Section::Address:
        return ReplaceUnlessEmpty(fields_.address, text);
      case Section::Subject:
        return ReplaceUnlessEmpty(fields_.subject, text);
      case Section::Attachment:
        return ReplaceUnlessEmpty(fields_.attachment, text);
      case Section::None:
      case Section::Body:
        break;
    }
    return LineUse::Ignored;
  }

  static LineUse ReplaceUnlessEmpty(std::u16string& value, const std::u16string& text) {
    if (text.empty()) return LineUse::Empty;
    value = text;
    return LineUse::Value;
  }

  Decoder decoder_;
  MailFields& fields_;
  const std::uint64_t bodyLimit_;
  Events& events_;
  Section section_ = Section::None;
  bool bodyReserved_ = false;
  std::u16string line_;  // the decoded line outside the body, reused from line to line
};

// Splits the file's units into lines: CR or CR LF ends a line, a lone LF is
// an ordinary character, and a final line needs no line end. UTF-16 units are
// put together from byte pairs, little-endian, across reads.
template <class Decoder, class Events>
class LineSplitter {
 public:
  using Unit = typename Decoder::Unit;
  using Units = std::basic_string_view<Unit>;

  explicit LineSplitter(SectionReader<Decoder, Events>& sections) : sections_(sections) {}

  void Bytes(std::string_view bytes) {
    if constexpr (std::is_same_v<Unit, char>) {
      Split(bytes);
    } else {
      pairs_.clear();
      std::size_t at = 0;
      if (oddByte_ && !bytes.empty()) {
        pairs_ += LittleEndian(*oddByte_, bytes[0]);
        oddByte_.reset();
        at = 1;
      }
      for (; at + 1 < bytes.size(); at += 2) pairs_ += LittleEndian(bytes[at], bytes[at + 1]);
      if (at < bytes.size()) oddByte_ = bytes[at];
      Split(pairs_);
    }
  }

  void EndOfFile() {
    if constexpr (!std::is_same_v<Unit, char>) {
      // A last byte without its partner is a character that cannot be read.
      if (oddByte_) Split(Units(&kReplacementCharacter, 1));
    }
    if (!line_.empty()) sections_.Line(line_, false);
  }

 private:
  static char16_t LittleEndian(char low, char high) {
    return static_cast<char16_t>(static_cast<unsigned char>(low) | (static_cast<unsigned char>(high) << 8));
  }

  void Split(Units rest) {
    if (afterCarriageReturn_ && !rest.empty()) {
      afterCarriageReturn_ = false;
      if (rest.front() == Unit('\n')) rest.remove_prefix(1);
    }
    while (!rest.empty()) {
      const std::size_t lineEnd = rest.find(Unit('\r'));
      if (lineEnd == Units::npos) {
        line_.append(rest);
        return;
      }
      // A line that lies whole in this read is decoded where it is; only one
      // that an earlier read cut off is gathered first.
      if (line_.empty()) {
        sections_.Line(rest.substr(0, lineEnd), true);
      } else {
        line_.append(rest.substr(0, lineEnd));
        sections_.Line(line_, true);
        line_.clear();
      }
      rest.remove_prefix(lineEnd + 1);
      if (rest.empty()) {
        afterCarriageReturn_ = true;
      } else if (rest.front() == Unit('\n')) {
        rest.remove_prefix(1);
      }
    }
  }

  SectionReader<Decoder, Events>& sections_;
  // The start of a line cut off by the end of a read; a line is open only with units in it.
  std::basic_string<Unit> line_;
  bool afterCarriageReturn_ = false;
  std::u16string pairs_;           // UTF-16: the units of the current read
  std::optional<char> oddByte_;    // UTF-16: a unit's first byte, whose second is in the next read
};

// The bytes at the start of the file that tell its encoding.
struct FileStart {
  std::string_view bytes;
  bool endOfFile = false;
};

// Fills buffer with at least the first `wanted` bytes of the file, or all of
// a shorter one: a read may give fewer bytes than there are.
FileStart ReadStart(platform::InputFile& file, std::span<char> buffer, std::size_t wanted) {
  std::size_t count = 0;
  while (count < wanted) {
    const std::size_t got = file.Read(buffer.subspan(count));
    if (got == 0) return {std::string_view(buffer.data(), count), true};
    count += got;
  }
  return {std::string_view(buffer.data(), count), false};
}

// Reads the rest of the file, after `start` (a part of buffer), into fields.
template <class Decoder, class Events>
void ReadLines(platform::InputFile& file, std::span<char> buffer, const FileStart& start, std::size_t markLength,
               Decoder decoder, MailFields& fields, std::uint64_t bodyLimit, Events& events) {
  SectionReader<Decoder, Events> sections(decoder, fields, bodyLimit, events);
  LineSplitter<Decoder, Events> lines(sections);
  lines.Bytes(start.bytes.substr(markLength));
  while (!start.endOfFile) {
    const std::size_t count = file.Read(buffer);
    if (count == 0) break;
    lines.Bytes(std::string_view(buffer.data(), count));
  }
  lines.EndOfFile();
}

// The lookup, the open and the read; the file is closed on return.
template <class Events>
std::optional<MailFields> ReadFields(platform::Desktop& desktop, const std::u16string& path, Events& events) {
  if (path.empty()) return std::nullopt;
  if (desktop.FindFileName(path).empty()) return std::nullopt;

  const std::unique_ptr<platform::InputFile> file = desktop.OpenForInput(path);
  const std::uint64_t size = file->SizeHint();
  std::array<char, 64 * 1024> buffer;
  const FileStart start = ReadStart(*file, buffer, 3);
  MailFields fields;
  // The mark is no part of the first line.
  if (start.bytes.starts_with("\xEF\xBB\xBF")) {
    events.EncodingChosen(Encoding::Utf8);
    ReadLines(*file, buffer, start, 3, Utf8Decoder{}, fields, size, events);
  } else if (start.bytes.starts_with("\xFF\xFE")) {
    events.EncodingChosen(Encoding::Utf16LittleEndian);
    ReadLines(*file, buffer, start, 2, Utf16Decoder{}, fields, size / 2, events);
  } else {
    events.EncodingChosen(Encoding::Ansi);
    ReadLines(*file, buffer, start, 0, AnsiDecoder(desktop), fields, size, events);
  }
  return fields;
}

}  // namespace

std::optional<platform::HandOff> ReadMailFile(platform::Desktop& desktop, const std::u16string& path,
                                              Composer composer) {
  IgnoreLines events;
  // Closed before the hand-off: a nested read from a re-entered window finds the file free.
  std::optional<MailFields> fields = ReadFields(desktop, path, events);
  if (!fields) return std::nullopt;
  return composer(desktop, *fields);
}

std::u16string_view MarkerOf(Section section) {
  switch (section) {
    case Section::Address:
      return u"[ADDRESS]";
    case Section::Subject:
      return u"[SUBJECT]";
    case Section::Body:
      return u"[BODY]";
    case Section::Attachment:
      return u"[ATTACHMENT]";
    case Section::None:
      break;
  }
  return u"";
}

Section MarkedSection(std::u16string_view line) {
  for (const Section section : {Section::Address, Section::Subject, Section::Body, Section::Attachment}) {
    if (line == MarkerOf(section)) return section;
  }
  return Section::None;
}

std::optional<MailFields> ReadMailFileLines(platform::Desktop& desktop, const std::u16string& path,
                                            ReadingEvents& events) {
  return ReadFields(desktop, path, events);
}

}  // namespace mailfile
