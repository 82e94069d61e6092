// The mail file: four sections of plain ANSI text, read into MailFields and
// handed to the program's composer.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/desktop.h"
#include "platform/failure_report.h"

namespace mailfile {

struct MailFields {
  std::u16string address;
  std::u16string subject;
  std::u16string body;
  std::u16string attachment;
};

// The program's composer, called once at the end of a successful read. It
// reports every failure itself and tells only how the hand-off ended.
using Composer = platform::HandOff (*)(platform::Desktop& desktop, MailFields& fields);

// Reads the mail file at path and hands its values to composer, giving how
// that hand-off ended. A path that is empty or names no normal file returns
// quietly with nothing. A file that passes the lookup but cannot be opened or
// read throws platform::Failure, with the file closed and nothing handed off.
//
// A file that starts with the UTF-8 byte-order mark is read as UTF-8, one
// that starts with FF FE as UTF-16 little-endian; any other in the system's
// ANSI code page.
std::optional<platform::HandOff> ReadMailFile(platform::Desktop& desktop, const std::u16string& path,
                                              Composer composer);

// What the reader does with each line, for a tool that explains a mail file
// rather than hands it off (MailFileCheck).
enum class Encoding { Ansi, Utf8, Utf16LittleEndian };
enum class Section { None, Address, Subject, Body, Attachment };

// A section's marker, the whole line exactly so; "" for Section::None.
std::u16string_view MarkerOf(Section section);
// The section a marker line starts, or Section::None for any other line.
Section MarkedSection(std::u16string_view line);

// What the section rules made of a line.
enum class LineUse {
  Marker,   // it starts its section
  Ignored,  // text above the first marker
  Value,    // it replaced the value of its section
  Empty,    // an empty line outside the body: the value stays
  Body,     // a line of the body
};

struct ReadLine {
  std::u16string_view text;  // decoded, its line end taken off
  // Its bytes as the file holds them, in the 8-bit encodings (ANSI and UTF-8);
  // empty in UTF-16.
  std::string_view bytes;
  bool endsInCarriageReturn = false;  // false only for a last line without line end
  Section section = Section::None;  // the section it is in; a marker's, the one it starts
  LineUse use = LineUse::Ignored;
};

class ReadingEvents {
 public:
  virtual ~ReadingEvents() = default;
  virtual void EncodingChosen(Encoding encoding) = 0;
  // Each line in file order; the views last until the call returns.
  virtual void Line(const ReadLine& line) = 0;
};

// Reads the mail file at path exactly as ReadMailFile does, telling events
// about every line, and gives the values it would hand off; nothing for a
// path that names no mail file. Fails as ReadMailFile does.
std::optional<MailFields> ReadMailFileLines(platform::Desktop& desktop, const std::u16string& path,
                                            ReadingEvents& events);

}  // namespace mailfile
