// MailFileCheck: what it finds in each mail file, on which line, and that the
// values it shows are the ones the programs' reader hands off.
#include "check/mail_file_check.h"

#include <gtest/gtest.h>

#include "fake_desktop.h"

namespace {

using platform::RuntimeError;
using testing_support::FakeDesktop;
using testing_support::Utf8;
using namespace std::string_literals;

class FakeSystem final : public check::System {
 public:
  FakeDesktop desktop;
  bool looksUpFiles = true;
  std::u16string output;
  std::u16string error;

  platform::Desktop& Desktop() override { return desktop; }
  bool SelectCodePage(unsigned codePage) override { return codePage == 1252; }
  unsigned CodePage() override { return 1252; }
  bool LooksUpFiles() override { return looksUpFiles; }
  std::u16string WhyNoFile(std::u16string_view) override { return u"no such file"; }
  std::u16string CurrentFolder() override { return u"C:\\Work"; }
  void WriteOutput(std::u16string_view text) override { output += text; }
  void WriteError(std::u16string_view text) override { error += text; }
};

struct CheckCase {
  const char* name;
  std::string bytes;
  // "LINE KIND: TEXT": each finding, its text abridged to a start.
  std::vector<std::string> findings;
  int exitCode;
  std::vector<std::u16string> files{};  // attachment paths the lookup finds
  std::optional<RuntimeError> lookupFails{};
  bool looksUpFiles = true;
};

const std::string kAboveAndAddress = "Order export\r\n[ADDRESS]\r\nPurchasing Team\r\n";

const CheckCase kCheckCases[] = {
    {"CleanFileWithFullPathFound",
     kAboveAndAddress + "[SUBJECT]\r\nOrder confirmed\r\n[BODY]\r\nHello,\r\n\r\n[ATTACHMENT]\r\nC:\\Orders\\a.pdf\r\n",
     {}, 0, {u"C:\\Orders\\a.pdf"}},
    {"Utf8WithMarkIsClean", "\xEF\xBB\xBF[ADDRESS]\r\nM\xC3\xBCller\r\n", {}, 0},
    {"LineFeedsOnly", "[ADDRESS]\na@b\n[BODY]\nHello\n", {"1 warning: no line ends in CR: the programs end lines"}, 3},
    {"LoneLineFeedInCrLfFileShiftsLaterLines", "[ADDRESS]\r\na@b\nc@d\r\n[SUBJECT]\r\n\r\n [BODY]\r\n",
     {"2 warning: lines 2 to 3 are one line to the programs",
      "6 warning: \" [BODY]\" is no marker (blanks or tabs around it): it and the lines after it up to the next "
      "marker belong to the subject section above"},
     3},
    {"Utf8WithoutMark", kAboveAndAddress + "[SUBJECT]\r\nOrder for M\xC3\xBCller \xE2\x82\xAC\r\n",
     {"5 warning: no byte-order mark, but the bytes are UTF-8: the programs read the file in code page 1252, so "
      "\"M\u00FCller\" arrives as \"M\u00C3\u00BCller\"."},
     3},
    {"Utf16BigEndianMark", "\xFE\xFF\0[\0B\0O\0D\0Y\0]\0\r\0\n\0x"s,
     {"1 warning: the file starts with FE FF, the byte-order mark of UTF-16 big-endian"}, 3},
    {"Utf16WithoutMark", "[\0B\0O\0D\0Y\0]\0\r\0\n\0x\0\r\0\n\0"s,
     {"1 warning: 11 of the first 20 bytes are NUL: this looks like UTF-16 without a byte-order mark"}, 3},
    {"BytesCodePageLeavesUndefined", kAboveAndAddress + "[BODY]\r\nok \xE9\r\nbad \x81\x90\r\n",
     {"6 warning: byte 0x81 is not defined in code page 1252: it arrives as the invisible control character U+0081."},
     3},
    {"MarkerLookAlikes", "[Address]\r\nnote\r\n[ADDRESS]\r\na@b\r\n[SUBJECT]\t\r\nHi\r\n[BODY]\r\n [body] \r\n",
     {"1 warning: \"[Address]\" is no marker (letter case): it is ignored, like all text above the first marker.",
      "4 warning: address line \"a@b\" is dropped: line 5 replaces it",
      "5 warning: \"[SUBJECT]<TAB>\" is no marker (blanks or tabs around it)",
      "5 warning: address line \"[SUBJECT]<TAB>\" is dropped: line 6 replaces it",
      "8 warning: \" [body] \" is no marker (letter case, and blanks or tabs around it): it is a line of the body"},
     3},
    {"BlankLineReplacesSubject", kAboveAndAddress + "[SUBJECT]\r\nFirst\r\n\r\nSecond \r\n  \t\r\n",
     {"5 warning: subject line \"First\" is dropped: line 7 replaces it",
      "7 warning: subject line \"Second \" is dropped: line 8 replaces it",
      "8 warning: the subject is only blanks or tabs (\"  <TAB>\"), and the mail client gets it so."},
     3},
    {"TrailingBlanksKept", "[ADDRESS]\r\na@b \t\r\n[SUBJECT]\r\nHi \r\n",
     {"2 warning: the address ends in 2 blanks or tabs, kept as written: the mail client gets \"a@b <TAB>\".",
      "4 warning: the subject ends in 1 blank or tab, kept as written"},
     3},
    {"NoMarker", "Just a note\r\n", {"1 warning: no line is a marker"}, 3},
    {"EmptyFile", "", {"1 warning: no line is a marker"}, 3},
    {"NoAddress", "[ADDRESS]\r\n\r\n[BODY]\r\nx\r\n",
     {"1 warning: no address: the [ADDRESS] section holds no non-empty line"}, 3},
    {"MarkerTwiceIsANote", "[ADDRESS]\r\na@b\r\n[BODY]\r\nx\r\n[ADDRESS]\r\n[BODY]\r\ny\r\n",
     {"5 note: [ADDRESS] again (first on line 1): its lines still count; the address is the last non-empty line",
      "6 note: [BODY] again (first on line 3): its lines still count; the body is every body line in file order."},
     0},
    {"RelativeAttachmentFound", "[ADDRESS]\r\na@b\r\n[ATTACHMENT]\r\nreport.pdf\r\n",
     {"4 note: the attachment \"report.pdf\" is a relative path, resolved here against the current folder C:\\Work. "
      "The programs resolve it against their own current folder, a shortcut's or a scheduled task's \"Start in\""},
     0, {u"report.pdf"}},
    {"AttachmentMissing", "[ADDRESS]\r\na@b\r\n[ATTACHMENT]\r\nC:\\Orders\\late.pdf\r\n",
     {"4 warning: the attachment \"C:\\Orders\\late.pdf\" is left out: no such file. The message opens without it"}, 3},
    {"AttachmentLookupFails", "[ADDRESS]\r\na@b\r\n[ATTACHMENT]\r\nC:\\Locked\\a.pdf\r\n",
     {"4 warning: looking up the attachment \"C:\\Locked\\a.pdf\" fails: the programs stop the hand-off with the box "
      "\"Error: 70 Permission denied\" and exit code 4."},
     3, {}, RuntimeError::PermissionDenied},
    {"AttachmentWildcardMatches", "[ADDRESS]\r\na@b\r\n[ATTACHMENT]\r\nC:\\Orders\\4711*.pdf\r\n",
     {"4 warning: the attachment \"C:\\Orders\\4711*.pdf\" holds * or ?: the lookup finds \"C:\\Orders\\4711*.pdf\", "
      "but the programs hand the pattern to the mail client as written"},
     3, {u"C:\\Orders\\4711*.pdf"}},
    {"AttachmentNotLookedUp", "[ADDRESS]\r\na@b\r\n[ATTACHMENT]\r\nC:\\a.pdf\r\n",
     {"4 note: the attachment is not looked up on this system"}, 0, {}, {}, false},
    {"AttachmentWithNulNotLookedUp", "[ADDRESS]\r\na@b\r\n[ATTACHMENT]\r\nC:\\a\0.pdf\r\n"s,
     {"4 warning: looking up the attachment \"C:\\a<NUL>.pdf\" fails: the programs stop the hand-off with the box "
      "\"Error: 52 Bad file name or number\""},
     3, {}, {}, false},
};

void PrintTo(const CheckCase& checkCase, std::ostream* out) { *out << checkCase.name; }

std::optional<mailfile::MailFields> handedOff;

platform::HandOff KeepFields(platform::Desktop&, mailfile::MailFields& fields) {
  handedOff = fields;
  return platform::HandOff::Completed;
}

void Arrange(FakeDesktop& desktop, const CheckCase& checkCase) {
  desktop.fileNames[u"C:\\mail.txt"] = u"mail.txt";
  desktop.mailFiles[u"C:\\mail.txt"].bytes = checkCase.bytes;
  for (const std::u16string& file : checkCase.files) desktop.fileNames[file] = file;
  if (checkCase.lookupFails) desktop.FailWhen("find \"C:\\Locked", platform::MakeFailure(*checkCase.lookupFails));
}

class CheckMailFileTest : public testing::TestWithParam<CheckCase> {};

TEST_P(CheckMailFileTest, FindsWhatTheRowSaysAndShowsWhatTheReaderHandsOff) {
  const CheckCase& checkCase = GetParam();
  FakeSystem system;
  system.looksUpFiles = checkCase.looksUpFiles;
  Arrange(system.desktop, checkCase);
  const check::Outcome outcome = check::CheckMailFile(system, u"C:\\mail.txt");

  std::vector<std::string> found;
  for (const check::Finding& finding : outcome.findings) {
    found.push_back(std::to_string(finding.line) +
                    (finding.severity == check::Severity::Warning ? " warning: " : " note: ") + Utf8(finding.text));
  }
  ASSERT_EQ(found.size(), checkCase.findings.size()) << testing::PrintToString(found);
  for (std::size_t at = 0; at < found.size(); ++at) {
    EXPECT_TRUE(found[at].starts_with(checkCase.findings[at])) << found[at];
  }
  EXPECT_EQ(outcome.exitCode, checkCase.exitCode);
  EXPECT_NE(outcome.output.find(u"MailFileCheck: "), std::u16string::npos) << Utf8(outcome.output);

  FakeDesktop programs;
  Arrange(programs, checkCase);
  handedOff.reset();
  mailfile::ReadMailFile(programs, u"C:\\mail.txt", KeepFields);
  ASSERT_TRUE(handedOff && outcome.fields);
  EXPECT_EQ(outcome.fields->address, handedOff->address);
  EXPECT_EQ(outcome.fields->subject, handedOff->subject);
  EXPECT_EQ(outcome.fields->body, handedOff->body);
  EXPECT_EQ(outcome.fields->attachment, handedOff->attachment);
}

INSTANTIATE_TEST_SUITE_P(Cases, CheckMailFileTest, testing::ValuesIn(kCheckCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CheckMailFile, ShowsTheValuesAndTheFindingsNamedByThePathAsGiven) {
  FakeSystem system;
  Arrange(system.desktop, kCheckCases[15]);
  check::RunCheck(std::vector<std::u16string>{u"C:\\mail.txt"}, system);
  EXPECT_EQ(Utf8(system.output),
            "Mail file   C:\\mail.txt\nRead as     ANSI, code page 1252\nAddress     \"a@b\"\nSubject     (none)\n"
            "Body        (none)\nAttachment  \"report.pdf\"\n            attached as \"C:\\Work\\report.pdf\"\n\n"
            "C:\\mail.txt:4: note: the attachment \"report.pdf\" is a relative path, resolved here against the current "
            "folder C:\\Work. The programs resolve it against their own current folder, a shortcut's or a scheduled "
            "task's \"Start in\": write the full path to be independent of it.\nMailFileCheck: 0 warnings, 1 note\n");
}

TEST(CheckMailFile, CommandLinesGiveTheirExitCodes) {
  struct CommandCase {
    std::vector<std::u16string> arguments;
    int exitCode;
    const char* output;  // the start of what goes to standard output, or of standard error when no output
  };
  const CommandCase cases[] = {
      {{u"--help"}, 0, "Usage: MailFileCheck [--codepage N] MAILFILE"},
      {{u"--codepage", u"1252", u"C:\\mail.txt"}, 0, "Mail file   C:\\mail.txt"},
      {{u"C:\\missing.txt"}, 2, "MailFileCheck: \"C:\\missing.txt\" names no mail file, and the programs would end "
                                "at once with exit code 2: no such file."},
      {{u"C:\\locked.txt"}, 1, "MailFileCheck: \"C:\\locked.txt\" cannot be read: the programs show \"Error: 70 "
                               "Permission denied\" and end with exit code 1."},
      {{}, 4, "MailFileCheck: which mail file?"},
      {{u"--codepage", u"9999", u"C:\\mail.txt"}, 4, "MailFileCheck: no code page \"9999\" here"},
      {{u"--codepage"}, 4, "MailFileCheck: --codepage wants a number"},
      {{u"--verbose", u"C:\\mail.txt"}, 4, "MailFileCheck: unknown option \"--verbose\""},
      {{u"C:\\mail.txt", u"C:\\mail.txt"}, 4, "MailFileCheck: one mail file at a time"},
  };
  for (const CommandCase& command : cases) {
    SCOPED_TRACE(Utf8(command.arguments.empty() ? u"" : command.arguments[0]));
    FakeSystem system;
    Arrange(system.desktop, kCheckCases[0]);
    system.desktop.fileNames[u"C:\\locked.txt"] = u"locked.txt";
    system.desktop.mailFiles[u"C:\\locked.txt"].bytes = "";
    system.desktop.FailWhen("open \"C:\\locked.txt\"", platform::MakeFailure(RuntimeError::PermissionDenied));
    EXPECT_EQ(check::RunCheck(command.arguments, system), command.exitCode);
    EXPECT_TRUE(Utf8(system.output.empty() ? system.error : system.output).starts_with(command.output))
        << Utf8(system.output) << Utf8(system.error);
  }
}

}  // namespace
