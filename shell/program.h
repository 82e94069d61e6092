// What sets Quorvel and Zembrik apart: name, window caption and composer.
#pragma once

#include <string_view>

#include "mailfile/mail_file.h"

namespace shell {

struct Program {
  std::u16string_view name;     // message box titles, version resource
  std::u16string_view caption;  // Form1's title bar
  mailfile::Composer composer;
};

}  // namespace shell
