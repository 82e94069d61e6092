// The mail file: four sections of plain ANSI text, read into MailFields and
// handed to the program's composer.
#pragma once

#include <optional>
#include <string>

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

}  // namespace mailfile
