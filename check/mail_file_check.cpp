#include "check/mail_file_check.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "mailfile/unicode_text.h"
#include "platform/attachment_path.h"
#include "platform/failure.h"

namespace check {
namespace {

using mailfile::Encoding;
using mailfile::LineUse;
using mailfile::ReadLine;
using mailfile::Section;
using platform::DecimalDigits;

// Indexed by Section.
constexpr std::array<std::u16string_view, 5> kSectionNames = {u"", u"address", u"subject", u"body", u"attachment"};

constexpr std::size_t IndexOf(Section section) { return static_cast<std::size_t>(section); }

// Values and sample words longer than this are shown cut short.
constexpr std::size_t kShownLength = 160;
constexpr std::size_t kBodyLinesShown = 5;
// How many bytes at the start of an ANSI file are looked at for UTF-16 text.
constexpr std::size_t kUtf16Sample = 4096;

std::u16string Hex(unsigned value, std::size_t digits) {
  std::u16string text(digits, u'0');
  for (std::size_t at = text.size(); at-- > 0; value >>= 4) text[at] = u"0123456789ABCDEF"[value & 0xF];
  return text;
}

std::u16string Counted(std::uint64_t count, std::u16string_view thing) {
  return DecimalDigits(count) + u" " + std::u16string(thing) + (count == 1 ? u"" : u"s");
}

bool IsBlankOrTab(char16_t c) { return c == u' ' || c == u'\t'; }

// What an ANSI code page gives for a byte it does not define: a C1 control
// character (Windows' tables) or U+FFFD.
bool IsUnreadable(char16_t c) {
  return static_cast<char16_t>(c - 0x80) < 0x20 || c == mailfile::kReplacementCharacter;
}

// Text as the report shows it: control characters named, a long text cut short.
std::u16string Shown(std::u16string_view text) {
  std::u16string shown;
  for (const char16_t c : text.substr(0, kShownLength)) {
    if (c == u'\t') {
      shown += u"<TAB>";
    } else if (c == u'\n') {
      shown += u"<LF>";
    } else if (c == u'\0') {
      shown += u"<NUL>";
    } else if (c < 0x20 || (c >= 0x7F && c < 0xA0)) {
      shown += u"<U+" + Hex(c, 4) + u">";
    } else {
      shown += c;
    }
  }
  if (text.size() > kShownLength) shown += u"...";
  return shown;
}

std::u16string Quoted(std::u16string_view text) {
  std::u16string quoted = u"\"" + Shown(text) + u"\"";
  if (text.size() > kShownLength) quoted += u" (" + Counted(text.size(), u"character") + u")";
  return quoted;
}

// The marker a line would be but for letter case and blanks or tabs around it.
Section LookAlike(std::u16string_view text) {
  if (text.size() > 64) return Section::None;
  const std::size_t start = text.find_first_not_of(u" \t");
  if (start == std::u16string_view::npos) return Section::None;
  const std::u16string_view trimmed = text.substr(start, text.find_last_not_of(u" \t") - start + 1);
  if (trimmed.size() < 6 || trimmed.size() > 12 || trimmed.front() != u'[') return Section::None;
  std::u16string upper(trimmed);
  for (char16_t& c : upper) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return mailfile::MarkedSection(upper);
}

// The blank-delimited word of bytes around the byte at `at`, at most 40 bytes.
std::string_view WordAround(std::string_view bytes, std::size_t at) {
  std::size_t start = at;
  const auto inWord = [](char byte) { return byte != ' ' && byte != '\t' && byte != '\n'; };
  while (start > 0 && at - start < 20 && inWord(bytes[start - 1])) --start;
  std::size_t end = at;
  while (end < bytes.size() && end - start < 40 && inWord(bytes[end])) ++end;
  return bytes.substr(start, end - start);
}

// Follows the reader line by line and keeps what each finding needs.
class Inspector final : public mailfile::ReadingEvents {
 public:
  explicit Inspector(System& system) : system_(system) {}

  void EncodingChosen(Encoding encoding) override { encoding_ = encoding; }

  void Line(const ReadLine& line) override {
    const std::size_t first = nextLine_;
    // One pass over the text, without branches: its LFs, and whether it holds
    // a character that an ANSI code page gives for a byte it does not define.
    std::size_t lineFeeds = 0;
    bool unreadable = false;
    for (const char16_t c : line.text) {
      lineFeeds += c == u'\n' ? 1 : 0;
      unreadable |= IsUnreadable(c);
    }
    nextLine_ += lineFeeds + (line.endsInCarriageReturn ? 1 : 0);
    carriageReturn_ = carriageReturn_ || line.endsInCarriageReturn;
    ++lines_;
    if (lineFeeds > 0 && carriageReturn_) {
      Warn(first, u"lines " + DecimalDigits(first) + u" to " + DecimalDigits(first + lineFeeds) +
                      u" are one line to the programs, as an LF without CR ends no line: a marker among them is "
                      u"not found, and the LF stays in the text. End every line with CR LF.");
    }
    if (encoding_ == Encoding::Ansi) AnsiLine(first, line, unreadable);
    bodyLines_ += line.use == LineUse::Body ? 1 : 0;
    SectionRules(first, line);
  }

  Encoding ChosenEncoding() const { return encoding_; }
  std::size_t BodyLines() const { return bodyLines_; }
  std::size_t ValueLine(Section section) const { return values_[IndexOf(section)].line; }

  // The findings of the whole file, once it is read, in the order found.
  std::vector<Finding> Findings(const mailfile::MailFields& fields) {
    if (!anyMarker_) {
      // Each of these leaves the file without a marker; the rest follows from it.
      if (std::optional<std::u16string> cause = WholeFileCause()) {
        return {Finding{1, Severity::Warning, *cause}};
      }
    }
    if (!Utf8Found()) {
      for (const Unreadable& unreadable : unreadable_) Warn(unreadable.line, UnreadableText(unreadable));
    }
    if (!anyMarker_) {
      Warn(1, u"no line is a marker ([ADDRESS], [SUBJECT], [BODY] or [ATTACHMENT], exactly so, alone on its line): "
              u"the message opens empty.");
    } else {
      if (fields.address.empty()) {
        const std::size_t marker = markerLine_[IndexOf(Section::Address)];
        Warn(marker == 0 ? 1 : marker,
             std::u16string(marker == 0 ? u"no address: there is no [ADDRESS] section"
                                        : u"no address: the [ADDRESS] section holds no non-empty line") +
                 u", so the message opens with an empty To field for the user to fill in.");
      }
      ValueFindings(Section::Address, fields.address);
      ValueFindings(Section::Subject, fields.subject);
      ValueFindings(Section::Attachment, fields.attachment);
    }
    return std::move(findings_);
  }

 private:
  struct Value {
    std::size_t line = 0;
    std::u16string text;
  };
  struct Utf8Sample {
    std::size_t line;
    std::string word;
  };
  // The first character of a line that the code page does not define.
  struct Unreadable {
    std::size_t line;
    char16_t character;
    std::optional<unsigned char> byte;  // known where each byte is one character
  };

  void Warn(std::size_t line, std::u16string text) { findings_.push_back({line, Severity::Warning, std::move(text)}); }
  void Note(std::size_t line, std::u16string text) { findings_.push_back({line, Severity::Note, std::move(text)}); }

  std::u16string CodePageName() const { return u"code page " + DecimalDigits(system_.CodePage()); }

  void AnsiLine(std::size_t first, const ReadLine& line, bool unreadable) {
    const std::string_view bytes = line.bytes;
    if (lines_ == 1) bigEndianMark_ = bytes.starts_with("\xFE\xFF");
    if (sampled_ < kUtf16Sample) {
      const std::size_t taken = std::min(bytes.size(), kUtf16Sample - sampled_);
      nuls_ += static_cast<std::size_t>(std::count(bytes.data(), bytes.data() + taken, '\0'));
      sampled_ += taken;
    }
    if (!notUtf8_) ScanForUtf8(first, bytes);
    if (!unreadable) return;
    const std::size_t at = static_cast<std::size_t>(std::find_if(line.text.begin(), line.text.end(), IsUnreadable) -
                                                    line.text.begin());
    Unreadable& found = unreadable_.emplace_back(Unreadable{first, line.text[at], std::nullopt});
    if (line.text.size() == bytes.size()) found.byte = static_cast<unsigned char>(bytes[at]);
  }

  // Whether every non-ASCII byte so far belongs to a well-formed UTF-8
  // sequence; the first such word is kept as a sample.
  void ScanForUtf8(std::size_t first, std::string_view bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
      if (static_cast<unsigned char>(bytes[at]) < 0x80) {
        ++at;
        continue;
      }
      const std::size_t length = mailfile::WellFormedUtf8Length(bytes, at);
      if (length == 0) {
        notUtf8_ = true;
        return;
      }
      if (!utf8Sample_) utf8Sample_ = Utf8Sample{first, std::string(WordAround(bytes, at))};
      at += length;
    }
  }

  void SectionRules(std::size_t first, const ReadLine& line) {
    const std::size_t section = IndexOf(line.section);
    if (line.use == LineUse::Marker) {
      anyMarker_ = true;
      if (markerLine_[section] == 0) {
        markerLine_[section] = first;
      } else {
        const std::u16string marker(mailfile::MarkerOf(line.section));
        const std::u16string name(kSectionNames[section]);
        Note(first, marker + u" again (first on line " + DecimalDigits(markerLine_[section]) +
                        u"): its lines still count; " +
                        (line.section == Section::Body
                             ? u"the body is every body line in file order."
                             : u"the " + name + u" is the last non-empty line of all " + marker + u" sections."));
      }
      return;
    }
    if (const Section alike = LookAlike(line.text); alike != Section::None) LookAlikeFound(first, line, alike);
    if (line.use == LineUse::Value) {
      Value& value = values_[section];
      if (value.line != 0) Warn(value.line, Dropped(line.section, value, first));
      value = Value{first, std::u16string(line.text)};
    }
  }

  void LookAlikeFound(std::size_t first, const ReadLine& line, Section alike) {
    const std::u16string_view marker = mailfile::MarkerOf(alike);
    const bool blanks = IsBlankOrTab(line.text.front()) || IsBlankOrTab(line.text.back());
    const bool letterCase = line.text.find(marker) == std::u16string_view::npos;
    std::u16string text = Quoted(line.text) + u" is no marker (" +
                          (letterCase && blanks ? u"letter case, and blanks or tabs around it"
                           : letterCase         ? u"letter case"
                                                : u"blanks or tabs around it") +
                          u"): ";
    const std::u16string name(kSectionNames[IndexOf(line.section)]);
    switch (line.section) {
      case Section::None:
        text += u"it is ignored, like all text above the first marker.";
        break;
      case Section::Body:
        text += u"it is a line of the body, and so are the lines after it up to the next marker.";
        break;
      case Section::Address:
      case Section::Subject:
      case Section::Attachment:
        text += u"it and the lines after it up to the next marker belong to the " + name +
                u" section above, whose last non-empty line becomes the " + name + u".";
        break;
    }
    Warn(first, text + u" Write " + std::u16string(marker) + u" exactly so, alone on its line.");
  }

  static std::u16string Dropped(Section section, const Value& dropped, std::size_t replacing) {
    const std::u16string name(kSectionNames[IndexOf(section)]);
    std::u16string text = name + u" line " + Quoted(dropped.text) + u" is dropped: line " + DecimalDigits(replacing) +
                          u" replaces it, as only the last non-empty line of the section counts. ";
    switch (section) {
      case Section::Address:
        return text + u"Put all recipients on one line, in the form the mail client accepts (for Outlook, "
                      u"separated by semicolons).";
      case Section::Attachment:
        return text + u"A message takes one attachment at most.";
      default:
        return text + u"Write the " + name + u" on one line.";
    }
  }

  void ValueFindings(Section section, const std::u16string& value) {
    if (value.empty()) return;
    const std::u16string name(kSectionNames[IndexOf(section)]);
    const std::size_t line = ValueLine(section);
    if (std::all_of(value.begin(), value.end(), IsBlankOrTab)) {
      Warn(line, u"the " + name + u" is only blanks or tabs (" + Quoted(value) + u"), and the mail client gets it so. "
                 u"Remove the line, or leave it empty: an empty line keeps the " + name + u" above it.");
      return;
    }
    if (section == Section::Attachment || !IsBlankOrTab(value.back())) return;
    const std::size_t kept = value.size() - value.find_last_not_of(u" \t") - 1;
    Warn(line, u"the " + name + u" ends in " + DecimalDigits(kept) +
                   (kept == 1 ? u" blank or tab" : u" blanks or tabs") + u", kept as written: the mail client gets " +
                   Quoted(value) + u". Remove them unless they are meant.");
  }

  // A cause that leaves the whole file without a marker, if there is one.
  std::optional<std::u16string> WholeFileCause() const {
    if (lines_ > 0 && !carriageReturn_) {
      return u"no line ends in CR: the programs end lines only at CR or CR LF, so the whole file is one line, no "
             u"marker is found and the message opens empty. Write CR LF line ends (Windows line ends; in Python, "
             u"newline=\"\\r\\n\").";
    }
    if (encoding_ != Encoding::Ansi) return std::nullopt;
    const std::u16string readAsAnsi = u"the programs read it as ANSI (" + CodePageName() +
                                      u"), find no marker, and the message opens empty. ";
    if (bigEndianMark_) {
      return u"the file starts with FE FF, the byte-order mark of UTF-16 big-endian, which the programs do not know: " +
             readAsAnsi + u"Save it as UTF-16 LE (\"Unicode\") or as UTF-8 with BOM.";
    }
    if (sampled_ >= 8 && nuls_ * 4 >= sampled_) {
      return DecimalDigits(nuls_) + u" of the first " + Counted(sampled_, u"byte") +
             u" are NUL: this looks like UTF-16 without a byte-order mark, and " + readAsAnsi +
             u"Save it with the mark (UTF-16 LE, \"Unicode\") or as UTF-8 with BOM.";
    }
    return std::nullopt;
  }

  // The UTF-8 finding, when the file's non-ASCII bytes are all UTF-8 and
  // would arrive as something else.
  bool Utf8Found() {
    if (encoding_ != Encoding::Ansi || notUtf8_ || !utf8Sample_) return false;
    std::u16string meant;
    mailfile::AppendUtf8(meant, utf8Sample_->word);
    std::u16string arriving;
    system_.Desktop().AppendDecodedAnsi(arriving, utf8Sample_->word);
    if (meant == arriving) return false;
    Warn(utf8Sample_->line, u"no byte-order mark, but the bytes are UTF-8: the programs read the file in " +
                                CodePageName() + u", so " + Quoted(meant) + u" arrives as " + Quoted(arriving) +
                                u". Save the file as UTF-8 with BOM (PowerShell 7: -Encoding utf8BOM; Python: "
                                u"encoding=\"utf-8-sig\"), or in " + CodePageName() + u".");
    return true;
  }

  std::u16string UnreadableText(const Unreadable& unreadable) const {
    const std::u16string what = unreadable.byte ? u"byte 0x" + Hex(*unreadable.byte, 2) : u"a byte sequence";
    const std::u16string arrives = unreadable.character == mailfile::kReplacementCharacter
                                       ? u"the replacement character U+FFFD"
                                       : u"the invisible control character U+" + Hex(unreadable.character, 4);
    return what + u" is not defined in " + CodePageName() + u": it arrives as " + arrives + u". Write the text in " +
           CodePageName() + u", or as UTF-8 with BOM.";
  }

  System& system_;
  Encoding encoding_ = Encoding::Ansi;
  std::vector<Finding> findings_;
  std::size_t nextLine_ = 1;
  std::size_t lines_ = 0;
  std::size_t bodyLines_ = 0;
  bool carriageReturn_ = false;
  bool anyMarker_ = false;
  std::array<std::size_t, 5> markerLine_{};  // the first line of each marker
  std::array<Value, 5> values_{};            // the line each value comes from
  // ANSI files only.
  bool bigEndianMark_ = false;
  std::size_t sampled_ = 0;
  std::size_t nuls_ = 0;
  bool notUtf8_ = false;
  std::optional<Utf8Sample> utf8Sample_;
  std::vector<Unreadable> unreadable_;
};

constexpr std::u16string_view kStartIn =
    u"The programs resolve it against their own current folder, a shortcut's or a scheduled task's \"Start in\": "
    u"write the full path to be independent of it.";

// What the programs do with the attachment: the report's line on it and the findings.
struct AttachmentVerdict {
  std::u16string shown;
  std::vector<Finding> findings;
};

AttachmentVerdict JudgeAttachment(System& system, const std::u16string& attachment, std::size_t line) {
  if (attachment.empty()) return {};
  AttachmentVerdict verdict;
  const auto add = [&](Severity severity, std::u16string text) {
    verdict.findings.push_back({line, severity, std::move(text)});
  };
  const auto warn = [&](std::u16string text) { add(Severity::Warning, std::move(text)); };
  const auto note = [&](std::u16string text) { add(Severity::Note, std::move(text)); };
  const std::u16string quoted = Quoted(attachment);
  const bool relative = !platform::IsFullyQualified(attachment);
  const bool wildcard = attachment.find_first_of(u"*?") != std::u16string::npos;
  const std::u16string refused = u"the programs hand the pattern to the mail client as written, which refuses it: the "
                                 u"hand-off ends with an \"Error:\" box (exit code 4)";
  const auto fails = [&](const platform::Failure& failure) {
    const std::u16string box = platform::GeneralErrorText(failure);
    verdict.shown = u"the hand-off fails: \"" + box + u"\"";
    warn(u"looking up the attachment " + quoted + u" fails: the programs stop the hand-off with the box \"" + box +
         u"\" and exit code 4. " +
         (attachment.find(u'\0') != std::u16string::npos
              ? u"Remove the NUL character from the line."
              : u"Check the path, the rights to its folders and the drive."));
  };

  if (!system.LooksUpFiles()) {
    verdict.shown = u"not looked up on this system";
    if (attachment.find(u'\0') != std::u16string::npos) {
      fails(platform::MakeFailure(platform::RuntimeError::BadFileName));
      return verdict;
    }
    note(u"the attachment is not looked up on this system: MailFileCheck.exe on Windows tells whether the programs "
         u"attach " + quoted + u".");
    if (wildcard) {
      warn(u"the attachment " + quoted + u" holds * or ?: when it matches a file, " + refused +
           u"; when it matches none, the attachment is left out. Write the file's exact name.");
    }
    if (relative) note(u"the attachment " + quoted + u" is a relative path. " + std::u16string(kStartIn));
    return verdict;
  }

  platform::Desktop& desktop = system.Desktop();
  std::u16string found;
  std::u16string clientPath;
  try {
    found = desktop.FindFileName(attachment);
    if (!found.empty()) clientPath = platform::AttachmentPathForClient(desktop, attachment);
  } catch (...) {
    fails(platform::CurrentFailure());
    return verdict;
  }
  if (found.empty()) {
    const std::u16string why = system.WhyNoFile(attachment);
    verdict.shown = u"left out: " + why;
    warn(u"the attachment " + quoted + u" is left out: " + why +
         u". The message opens without it, and the programs say nothing (exit code 0).");
  } else {
    verdict.shown = u"attached as " + Quoted(clientPath);
    if (wildcard) {
      warn(u"the attachment " + quoted + u" holds * or ?: the lookup finds " + Quoted(found) + u", but " + refused +
           u". Write the file's exact name.");
    }
  }
  if (relative) {
    note(u"the attachment " + quoted + u" is a relative path, resolved here against the current folder " +
         system.CurrentFolder() + u". " + std::u16string(kStartIn));
  }
  return verdict;
}

std::u16string EncodingText(Encoding encoding, unsigned codePage) {
  switch (encoding) {
    case Encoding::Utf8:
      return u"UTF-8, after its byte-order mark";
    case Encoding::Utf16LittleEndian:
      return u"UTF-16 LE, after its byte-order mark";
    case Encoding::Ansi:
      break;
  }
  return u"ANSI, code page " + DecimalDigits(codePage);
}

std::u16string ValueText(const std::u16string& value) { return value.empty() ? u"(none)" : Quoted(value); }

// lines: the body's lines, each of which ends in CR.
std::u16string BodyText(std::u16string_view body, std::size_t lines) {
  if (lines == 0) return u"(none)\n";
  std::u16string text = Counted(lines, u"line") + u", " + Counted(body.size(), u"character") + u"\n";
  std::size_t shown = 0;
  for (; shown < kBodyLinesShown && shown < lines; ++shown) {
    const std::size_t end = body.find(u'\r');
    const std::u16string line = Shown(body.substr(0, end));
    text += (line.empty() ? u"            |" : u"            | " + line) + u"\n";
    body.remove_prefix(end + 1);
  }
  if (shown < lines) text += u"            ... " + Counted(lines - shown, u"more line") + u"\n";
  return text;
}

constexpr std::u16string_view kUsage =
    u"Usage: MailFileCheck [--codepage N] MAILFILE\n"
    u"\n"
    u"Reads MAILFILE as Quorvel and Zembrik read it, shows what the mail client\n"
    u"would be given, then one line per finding, counting lines as editors do:\n"
    u"  MAILFILE:LINE: warning: TEXT  what the programs would drop or change\n"
    u"                                without a word, and what to do\n"
    u"  MAILFILE:LINE: note: TEXT     what to know\n"
    u"\n"
    u"  --codepage N  read files without a byte-order mark in code page N\n"
    u"                (default: the ANSI code page the programs use; 1252\n"
    u"                where the system has none)\n"
    u"  --help        show this text\n"
    u"\n"
    u"Exit codes: 0 no warning, 1 the file could not be read, 2 MAILFILE names\n"
    u"no mail file, 3 at least one warning, 4 a command line not understood.\n";

int UsageError(System& system, std::u16string_view problem) {
  system.WriteError(u"MailFileCheck: " + std::u16string(problem) + u"\n\n" + std::u16string(kUsage));
  return kExitUsage;
}

// A code page number: digits only, 1 to 65535.
std::optional<unsigned> CodePageNumber(std::u16string_view text) {
  if (text.empty() || text.size() > 5) return std::nullopt;
  unsigned number = 0;
  for (const char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    number = number * 10 + (c - u'0');
  }
  if (number == 0 || number > 65535) return std::nullopt;
  return number;
}

int RunArguments(std::span<const std::u16string> arguments, System& system) {
  std::optional<std::u16string> path;
  bool optionsEnd = false;
  for (std::size_t at = 0; at < arguments.size(); ++at) {
    const std::u16string& argument = arguments[at];
    if (!optionsEnd && (argument == u"--help" || argument == u"-h" || argument == u"/?")) {
      system.WriteOutput(kUsage);
      return kExitClean;
    }
    if (!optionsEnd && argument == u"--codepage") {
      if (++at == arguments.size()) return UsageError(system, u"--codepage wants a number");
      const std::optional<unsigned> codePage = CodePageNumber(arguments[at]);
      if (!codePage || !system.SelectCodePage(*codePage)) {
        return UsageError(system, u"no code page " + Quoted(arguments[at]) + u" here");
      }
    } else if (!optionsEnd && argument == u"--") {
      optionsEnd = true;
    } else if (!optionsEnd && argument.size() > 1 && argument.front() == u'-') {
      return UsageError(system, u"unknown option " + Quoted(argument));
    } else if (path) {
      return UsageError(system, u"one mail file at a time");
    } else {
      path = argument;
    }
  }
  if (!path) return UsageError(system, u"which mail file?");
  const Outcome outcome = CheckMailFile(system, *path);
  if (!outcome.output.empty()) system.WriteOutput(outcome.output);
  if (!outcome.error.empty()) system.WriteError(outcome.error);
  return outcome.exitCode;
}

}  // namespace

std::u16string NoFileText(NoFile reason) {
  switch (reason) {
    case NoFile::Missing: return u"there is no such file (yet): write it before the mail file, and check its name";
    case NoFile::Folder: return u"it is a folder: name a file in it";
    case NoFile::Hidden: return u"it is a hidden file, which the programs skip: clear its Hidden attribute";
    case NoFile::SystemFile: return u"it is a system file, which the programs skip: clear its System attribute";
    case NoFile::Device: return u"it names a device (such as NUL, CON or COM1), not a file: rename the file";
    case NoFile::Pattern: return u"* and ? match no normal file here: write the file's exact name";
    case NoFile::BadName: return u"no file can have this name: check its characters";
    case NoFile::NoFolder: return u"a folder on its path does not exist: check the path";
    case NoFile::NoDrive:
      return u"its drive does not exist here: use a drive the job's user has (a mapped drive may be missing in a "
             u"scheduled task), or a \\\\server\\share path";
    case NoFile::NoServer: return u"its server does not exist or does not answer: check the name and the network";
    case NoFile::NoShare: return u"its server has no such share: check the share's name";
  }
  return u"the lookup finds no normal file there";
}

Outcome CheckMailFile(System& system, const std::u16string& path) {
  Outcome outcome;
  Inspector inspector(system);
  try {
    outcome.fields = mailfile::ReadMailFileLines(system.Desktop(), path, inspector);
  } catch (...) {
    outcome.error = u"MailFileCheck: " + Quoted(path) + u" cannot be read: the programs show \"" +
                    platform::GeneralErrorText(platform::CurrentFailure()) + u"\" and end with exit code 1.\n";
    outcome.exitCode = kExitUnreadable;
    return outcome;
  }
  if (!outcome.fields) {
    outcome.error = u"MailFileCheck: " + Quoted(path) + u" names no mail file, and the programs would end at once "
                    u"with exit code 2: " + system.WhyNoFile(path) + u".\n";
    outcome.exitCode = kExitNoMailFile;
    return outcome;
  }
  const mailfile::MailFields& fields = *outcome.fields;
  outcome.findings = inspector.Findings(fields);
  AttachmentVerdict attachment = JudgeAttachment(system, fields.attachment, inspector.ValueLine(Section::Attachment));
  outcome.findings.insert(outcome.findings.end(), attachment.findings.begin(), attachment.findings.end());
  std::stable_sort(outcome.findings.begin(), outcome.findings.end(),
                   [](const Finding& a, const Finding& b) { return a.line < b.line; });

  std::u16string& out = outcome.output;
  out = u"Mail file   " + path + u"\n";
  out += u"Read as     " + EncodingText(inspector.ChosenEncoding(), system.CodePage()) + u"\n";
  out += u"Address     " + ValueText(fields.address) + u"\n";
  out += u"Subject     " + ValueText(fields.subject) + u"\n";
  out += u"Body        " + BodyText(fields.body, inspector.BodyLines());
  out += u"Attachment  " + ValueText(fields.attachment) + u"\n";
  if (!attachment.shown.empty()) out += u"            " + attachment.shown + u"\n";
  out += u"\n";
  std::size_t warnings = 0;
  for (const Finding& finding : outcome.findings) {
    const bool warning = finding.severity == Severity::Warning;
    warnings += warning ? 1 : 0;
    out += path + u":" + DecimalDigits(finding.line) + (warning ? u": warning: " : u": note: ") + finding.text + u"\n";
  }
  out += u"MailFileCheck: " + Counted(warnings, u"warning") + u", " +
         Counted(outcome.findings.size() - warnings, u"note") + u"\n";
  outcome.exitCode = warnings > 0 ? kExitWarnings : kExitClean;
  return outcome;
}

int RunCheck(std::span<const std::u16string> arguments, System& system) {
  try {
    return RunArguments(arguments, system);
  } catch (...) {
    // Out of memory, say, in the report of a huge file.
    system.WriteError(u"MailFileCheck: " + platform::GeneralErrorText(platform::CurrentFailure()) + u"\n");
    return kExitUnreadable;
  }
}

std::string Utf8Of(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (std::size_t at = 0; at < text.size(); ++at) {
    char32_t c = text[at];
    if (c >= 0xD800 && c <= 0xDBFF && at + 1 < text.size() && text[at + 1] >= 0xDC00 && text[at + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++at] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = mailfile::kReplacementCharacter;
    }
    if (c < 0x80) {
      bytes += static_cast<char>(c);
    } else if (c < 0x800) {
      bytes += static_cast<char>(0xC0 | (c >> 6));
      bytes += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      bytes += static_cast<char>(0xE0 | (c >> 12));
      bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      bytes += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      bytes += static_cast<char>(0xF0 | (c >> 18));
      bytes += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      bytes += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return bytes;
}

}  // namespace check
