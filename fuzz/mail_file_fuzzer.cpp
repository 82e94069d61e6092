// Fuzzes mailfile::ReadMailFile, and MailFileCheck's check, with the input as
// the mail file's bytes.
//
// Input layout: byte 0 chooses a failing read (bit 7 set: read number
// byte & 0x7F fails) or else the file's size hint (n: the true size + n - 64,
// at least 0; 0: the true size), bytes 1 to 4 are the sizes of successive
// reads in turn (n gives n + 1 bytes, 0xFF as many as the reader's buffer
// takes), the rest is the file. Missing header bytes count as 0. Small read
// sizes split CR LF pairs across reads.
//
// Each run checks what must hold of any hand-off, then compares it with a
// reference reader that splits the whole file into lines first and applies
// the section rules afterwards. A file may start with a byte-order mark. The
// check of the same file must give a report, never a crash, showing the
// values the reader handed off.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "check/mail_file_check.h"
#include "mailfile/mail_file.h"
#include "mailfile/unicode_text.h"
#include "platform/reader_only_desktop.h"
#include "platform/windows1252.h"

namespace {

constexpr std::u16string_view kPath = u"C:\\Mail\\fuzz.txt";
constexpr std::int32_t kDeviceError = 57;
constexpr std::array<std::u16string_view, 4> kMarkers = {u"[ADDRESS]", u"[SUBJECT]", u"[BODY]", u"[ATTACHMENT]"};

std::string Visible(std::u16string_view text) {
  std::string out;
  for (const char16_t c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char escaped[10];
      std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c));
      out += escaped;
    }
  }
  return out;
}

void Check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "mail file fuzzer: %s\n", what);
  std::abort();
}

struct Plan {
  std::optional<std::size_t> failingRead;
  std::uint64_t sizeHint = 0;
  std::array<std::size_t, 4> readSizes{};  // 0: as much as the buffer takes
  std::string_view file;
};

Plan PlanFrom(std::string_view input) {
  std::array<std::uint8_t, 5> header{};
  const std::size_t headerLength = std::min(input.size(), header.size());
  std::copy_n(input.begin(), headerLength, header.begin());
  Plan plan;
  for (std::size_t i = 0; i < plan.readSizes.size(); ++i) {
    plan.readSizes[i] = header[i + 1] == 0xFF ? 0 : header[i + 1] + 1u;
  }
  plan.file = input.substr(headerLength);
  plan.sizeHint = plan.file.size();
  if (header[0] & 0x80) {
    plan.failingRead = header[0] & 0x7F;
  } else if (header[0] != 0) {
    // A hint up to 64 bytes short of the true size, or up to 63 past it.
    const std::size_t stated = plan.file.size() + header[0];
    plan.sizeHint = stated < 64 ? 0 : stated - 64;
  }
  return plan;
}

// What the desktop learns of the file's life.
struct FileLog {
  bool open = false;
  std::size_t reads = 0;
};

class PlannedFile final : public platform::InputFile {
 public:
  PlannedFile(const Plan& plan, FileLog& log) : plan_(plan), log_(log) { log_.open = true; }
  ~PlannedFile() override { log_.open = false; }

  std::size_t Read(std::span<char> buffer) override {
    Check(!buffer.empty(), "read into an empty buffer");
    Check(!endReported_, "read again after the end of the file");
    const std::size_t readNumber = log_.reads++;
    if (plan_.failingRead == readNumber) throw platform::Failure(kDeviceError, u"Device I/O error");
    const std::size_t planned = plan_.readSizes[readNumber % plan_.readSizes.size()];
    const std::size_t count = std::min({planned == 0 ? buffer.size() : planned, buffer.size(),
                                        plan_.file.size() - position_});
    std::copy_n(plan_.file.begin() + static_cast<std::ptrdiff_t>(position_), count, buffer.begin());
    position_ += count;
    endReported_ = count == 0;
    return count;
  }

  std::uint64_t SizeHint() override { return plan_.sizeHint; }

 private:
  const Plan& plan_;
  FileLog& log_;
  std::size_t position_ = 0;
  bool endReported_ = false;
};

class FuzzDesktop final : public platform::ReaderOnlyDesktop {
 public:
  explicit FuzzDesktop(const Plan& plan, bool forCheck = false) : plan_(plan), forCheck_(forCheck) {}

  std::u16string FindFileName(std::u16string_view path) override {
    // Only the check looks up anything else: an attachment, found when its length is odd.
    if (forCheck_ && path != kPath) return path.size() % 2 == 1 ? std::u16string(path) : std::u16string();
    Check(path == kPath, "the lookup got another path");
    ++lookups;
    return u"fuzz.txt";
  }
  std::unique_ptr<platform::InputFile> OpenForInput(std::u16string_view path) override {
    Check(path == kPath, "the open got another path");
    Check(!file.open, "the file was opened twice");
    ++opens;
    return std::make_unique<PlannedFile>(plan_, file);
  }

  const Plan& plan_;
  const bool forCheck_;
  FileLog file;
  int lookups = 0;
  int opens = 0;
  std::optional<mailfile::MailFields> handedOff;
  int handOffs = 0;
};

bool IsMarker(std::u16string_view line) {
  return std::find(kMarkers.begin(), kMarkers.end(), line) != kMarkers.end();
}

// What holds of every hand-off, whatever the file.
void CheckValues(const mailfile::MailFields& fields) {
  for (const std::u16string* single : {&fields.address, &fields.subject, &fields.attachment}) {
    Check(single->find(u'\r') == std::u16string::npos, "a single-line value holds a CR");
    Check(!IsMarker(*single), "a single-line value is a marker line");
  }
  Check(fields.body.empty() || fields.body.back() == u'\r', "the body does not end with a CR");
  std::u16string_view rest = fields.body;
  while (!rest.empty()) {
    const std::size_t end = rest.find(u'\r');
    Check(!IsMarker(rest.substr(0, end)), "a body line is a marker line");
    rest.remove_prefix(end + 1);
  }
}

platform::HandOff Compose(platform::Desktop& desktop, mailfile::MailFields& fields) {
  auto& fuzz = static_cast<FuzzDesktop&>(desktop);
  Check(!fuzz.file.open, "the file is still open at the hand-off");
  ++fuzz.handOffs;
  fuzz.handedOff = fields;
  return platform::HandOff::Completed;
}

// The reference: the whole file in units first, then all lines, then the
// section rules line by line.
template <class Unit>
std::vector<std::basic_string_view<Unit>> SplitLines(std::basic_string_view<Unit> units) {
  std::vector<std::basic_string_view<Unit>> lines;
  std::size_t start = 0;
  while (start < units.size()) {
    const std::size_t lineEnd = units.find(Unit('\r'), start);
    if (lineEnd == std::basic_string_view<Unit>::npos) {
      lines.push_back(units.substr(start));
      break;
    }
    lines.push_back(units.substr(start, lineEnd - start));
    start = lineEnd + 1;
    if (start < units.size() && units[start] == Unit('\n')) ++start;
  }
  return lines;
}

// The decoded lines of a file: ANSI (Windows-1252 here) or, after its mark,
// UTF-8 or UTF-16 little-endian with a last odd byte as U+FFFD.
std::vector<std::u16string> ReferenceLines(std::string_view bytes) {
  std::vector<std::u16string> lines;
  if (bytes.starts_with("\xFF\xFE")) {
    std::u16string units;
    for (std::size_t at = 2; at + 1 < bytes.size(); at += 2) {
      units += static_cast<char16_t>(static_cast<unsigned char>(bytes[at]) |
                                     (static_cast<unsigned char>(bytes[at + 1]) << 8));
    }
    if (bytes.size() % 2 != 0) units += mailfile::kReplacementCharacter;
    for (const std::u16string_view line : SplitLines(std::u16string_view(units))) {
      mailfile::AppendUtf16(lines.emplace_back(), line);
    }
  } else if (bytes.starts_with("\xEF\xBB\xBF")) {
    for (const std::string_view line : SplitLines(bytes.substr(3))) mailfile::AppendUtf8(lines.emplace_back(), line);
  } else {
    for (const std::string_view line : SplitLines(bytes)) lines.push_back(platform::DecodeWindows1252(line));
  }
  return lines;
}

mailfile::MailFields ReferenceRead(std::string_view bytes) {
  mailfile::MailFields fields;
  std::u16string* current = nullptr;
  for (const std::u16string_view line : ReferenceLines(bytes)) {
    if (line == u"[ADDRESS]") {
      current = &fields.address;
    } else if (line == u"[SUBJECT]") {
      current = &fields.subject;
    } else if (line == u"[BODY]") {
      current = &fields.body;
    } else if (line == u"[ATTACHMENT]") {
      current = &fields.attachment;
    } else if (current == &fields.body) {
      fields.body += std::u16string(line) + u'\r';
    } else if (current != nullptr && !line.empty()) {
      *current = line;
    }
  }
  return fields;
}

class CheckSystem final : public check::System {
 public:
  explicit CheckSystem(const Plan& plan) : desktop(plan, true) {}
  platform::Desktop& Desktop() override { return desktop; }
  bool SelectCodePage(unsigned) override { return false; }
  unsigned CodePage() override { return 1252; }
  bool LooksUpFiles() override { return true; }
  std::u16string WhyNoFile(std::u16string_view) override { return u"no such file"; }
  std::u16string CurrentFolder() override { return u"C:\\Mail"; }
  void WriteOutput(std::u16string_view) override {}
  void WriteError(std::u16string_view) override {}

  FuzzDesktop desktop;
};

void CheckSame(const char* name, const std::u16string& read, const std::u16string& expected) {
  if (read == expected) return;
  std::fprintf(stderr, "mail file fuzzer: %s differs\n  reader:    \"%s\"\n  reference: \"%s\"\n", name,
               Visible(read).c_str(), Visible(expected).c_str());
  std::abort();
}

// The check of the file the reader read (handedOff) or failed to read (none).
void CheckTheCheck(const Plan& plan, const std::optional<mailfile::MailFields>& handedOff) {
  CheckSystem checking(plan);
  const check::Outcome outcome = check::CheckMailFile(checking, std::u16string(kPath));
  Check(!checking.desktop.file.open, "the check left the file open");
  bool warned = false;
  for (const check::Finding& finding : outcome.findings) {
    Check(finding.line >= 1 && !finding.text.empty(), "a finding without line or text");
    warned = warned || finding.severity == check::Severity::Warning;
  }
  if (!handedOff) {
    Check(outcome.exitCode == check::kExitUnreadable && !outcome.fields && !outcome.error.empty(),
          "the check did not report the failed read");
    return;
  }
  Check(outcome.exitCode == (warned ? check::kExitWarnings : check::kExitClean) && !outcome.output.empty(),
        "the check's report and exit code disagree");
  Check(outcome.fields.has_value(), "the check read nothing where the reader did");
  CheckSame("checked address", outcome.fields->address, handedOff->address);
  CheckSame("checked subject", outcome.fields->subject, handedOff->subject);
  CheckSame("checked body", outcome.fields->body, handedOff->body);
  CheckSame("checked attachment", outcome.fields->attachment, handedOff->attachment);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Plan plan = PlanFrom(std::string_view(reinterpret_cast<const char*>(data), size));
  FuzzDesktop desktop(plan);
  bool failed = false;
  try {
    mailfile::ReadMailFile(desktop, std::u16string(kPath), Compose);
  } catch (const platform::Failure& failure) {
    Check(failure.number == kDeviceError, "another failure than the injected one left the reader");
    failed = true;
  }
  Check(!desktop.file.open, "the file was left open");
  Check(desktop.lookups == 1 && desktop.opens == 1, "not one lookup and one open");
  Check(failed == (plan.failingRead.has_value() && *plan.failingRead < desktop.file.reads),
        "the injected read failure was lost, or a failure came from nowhere");

  if (failed) {
    Check(desktop.handOffs == 0, "a failed read handed off");
    CheckTheCheck(plan, std::nullopt);
    return 0;
  }
  Check(desktop.handOffs == 1, "not exactly one hand-off");
  CheckTheCheck(plan, desktop.handedOff);
  CheckValues(*desktop.handedOff);
  const mailfile::MailFields expected = ReferenceRead(plan.file);
  CheckSame("address", desktop.handedOff->address, expected.address);
  CheckSame("subject", desktop.handedOff->subject, expected.subject);
  CheckSame("body", desktop.handedOff->body, expected.body);
  CheckSame("attachment", desktop.handedOff->attachment, expected.attachment);
  return 0;
}
