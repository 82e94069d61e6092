// MailFileCheck: reads a mail file with the programs' own reader, prints what
// the mail client would be given, and one line per finding in the form
// compilers use, FILE:LINE: warning: TEXT (or note:), each saying what the
// programs would do with the file and what to change.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "mailfile/mail_file.h"
#include "platform/desktop.h"

namespace check {

inline constexpr int kExitClean = 0;       // no warning (notes alone leave it)
inline constexpr int kExitUnreadable = 1;  // the mail file could not be read
inline constexpr int kExitNoMailFile = 2;  // the path names no mail file, as the programs decide it
inline constexpr int kExitWarnings = 3;    // at least one warning
inline constexpr int kExitUsage = 4;       // a command line it does not understand

enum class Severity { Warning, Note };

struct Finding {
  std::size_t line;  // from 1, as an editor counts lines: CR, LF and CR LF each end one
  Severity severity;
  std::u16string text;
};

// Why the programs' lookup finds no normal file at a path.
enum class NoFile {
  Missing,
  Folder,
  Hidden,
  SystemFile,
  Device,
  Pattern,
  BadName,
  NoFolder,
  NoDrive,
  NoServer,
  NoShare,
};

// The reason in a few words, and what to do: "it is a folder: name a file in it".
std::u16string NoFileText(NoFile reason);

// What the check needs of the system: the programs' own desktop services
// (the lookup, the file, the ANSI decoding) and a few of its own.
class System {
 public:
  virtual ~System() = default;
  virtual platform::Desktop& Desktop() = 0;
  // The code page Desktop() decodes ANSI files in, from then on; false when
  // there is no such code page here.
  virtual bool SelectCodePage(unsigned codePage) = 0;
  virtual unsigned CodePage() = 0;
  // Only on Windows can the check look a file up as the programs do.
  virtual bool LooksUpFiles() = 0;
  // Why the programs' lookup finds no normal file at path, and what to do
  // (NoFileText, or the system's own words).
  virtual std::u16string WhyNoFile(std::u16string_view path) = 0;
  // The folder relative paths are resolved against here.
  virtual std::u16string CurrentFolder() = 0;
  virtual void WriteOutput(std::u16string_view text) = 0;
  virtual void WriteError(std::u16string_view text) = 0;
};

struct Outcome {
  std::optional<mailfile::MailFields> fields;  // what the programs hand over, once read
  std::vector<Finding> findings;               // in line order
  std::u16string output;                       // the report, then the findings
  std::u16string error;                        // why there is no report
  int exitCode = kExitClean;
};

// Checks the mail file at path, which the report and the findings name as it
// is given.
Outcome CheckMailFile(System& system, const std::u16string& path);

// The whole program: MailFileCheck [--codepage N] MAILFILE, or --help.
// Gives the exit code.
int RunCheck(std::span<const std::u16string> arguments, System& system);

// UTF-8 of text; a lone surrogate becomes U+FFFD.
std::string Utf8Of(std::u16string_view text);

}  // namespace check
