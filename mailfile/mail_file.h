// The mail file: four sections of plain ANSI text, read into MailFields and
// handed to the program's composer.
#pragma once

#include <string>

#include "platform/desktop.h"

namespace mailfile {

struct MailFields {
  std::u16string address;
  std::u16string subject;
  std::u16string body;
  std::u16string attachment;
};

// The program's composer, called once at the end of a successful read.
using Composer = void (*)(platform::Desktop& desktop, MailFields& fields);

// Reads the mail file at path and hands its values to composer. A path that is
// empty or names no normal file returns quietly. A file that passes the lookup
// but cannot be opened or read throws platform::Failure, with the file closed
// and nothing handed off.
void ReadMailFile(platform::Desktop& desktop, const std::u16string& path, Composer composer);

}  // namespace mailfile
