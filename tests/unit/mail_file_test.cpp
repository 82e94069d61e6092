#include "mailfile/mail_file.h"

#include <gtest/gtest.h>

#include "fake_desktop.h"

namespace {

using mailfile::MailFields;
using platform::MakeFailure;
using platform::RuntimeError;
using testing_support::FakeDesktop;
using namespace std::string_literals;

// What the composer received, or nothing when it was not called.
std::optional<MailFields> handedOff;

platform::HandOff RecordingComposer(platform::Desktop& desktop, MailFields& fields) {
  static_cast<FakeDesktop&>(desktop).journal.push_back("compose");
  handedOff = fields;
  return platform::HandOff::Failed;
}

// Bytes of UTF-16 little-endian text, as PowerShell writes it, after the mark.
std::string Utf16Le(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

struct ReadCase {
  const char* name = "";
  std::string bytes{};
  std::u16string address{};
  std::u16string subject{};
  std::u16string body{};
  std::u16string attachment{};
};

const ReadCase kReadCases[] = {
    // The README's example with a superseded address line and a lower-case
    // "[Body]" line, which is body text.
    {.name = "ExampleWithExtraLines",
     .bytes = "Order export\r\n[ADDRESS]\r\nSales Team\r\n\r\nPurchasing Team\r\n[SUBJECT]\r\nOrder confirmed\r\n"
              "[BODY]\r\nHello,\r\n\r\nthe order has been confirmed.\r\n[Body]\r\n[ATTACHMENT]\r\n"
              "C:\\Orders\\confirmation.pdf\r\n[BODY]\r\nRegards\r\n",
     .address = u"Purchasing Team",
     .subject = u"Order confirmed",
     .body = u"Hello,\r\rthe order has been confirmed.\r[Body]\rRegards\r",
     .attachment = u"C:\\Orders\\confirmation.pdf"},
    {.name = "ZeroBytes"},
    {.name = "MarkersOnly", .bytes = "[ADDRESS]\r\n[SUBJECT]\r\n[BODY]\r\n[ATTACHMENT]\r\n"},
    {.name = "TextAboveFirstMarkerIsDropped", .bytes = "a@b\r\nSubject\r\n[BODY]\r\nx", .body = u"x\r"},
    {.name = "LastNonEmptyLineWins", .bytes = "[ADDRESS]\r\nfirst\r\nsecond\r\n\r\n", .address = u"second"},
    {.name = "LineOfOneBlankReplaces", .bytes = "[SUBJECT]\r\nReal\r\n \r\n", .subject = u" "},
    {.name = "MarkerLookalikesAreContent",
     .bytes = "[body]\r\n[ADDRESS]\r\n [SUBJECT]\r\n[SUBJECT] \r\n[Body]\r\n[OTHER]\r\n", .address = u"[OTHER]"},
    {.name = "TabsCountAsCharacters", .bytes = "[ATTACHMENT]\r\nC:\\a.txt\r\n\t\r\n", .attachment = u"\t"},
    {.name = "EmptyBodyLinesKeepTheirCarriageReturn", .bytes = "[BODY]\r\nA\r\n\r\nB\r\n", .body = u"A\r\rB\r"},
    {.name = "BodySectionsJoinAcrossOtherSections", .bytes = "[BODY]\r\none\r\n[SUBJECT]\r\ns\r\n[BODY]\r\ntwo\r\n",
     .subject = u"s", .body = u"one\rtwo\r"},
    {.name = "EmptyLineAtEndOfBody", .bytes = "[BODY]\r\nA\r\n\r\n", .body = u"A\r\r"},
    {.name = "LoneLineFeedsDoNotEndLines", .bytes = "[ADDRESS]\na@b\n[BODY]\nx\n"},
    {.name = "LoneLineFeedIsKeptInsideALine", .bytes = "[BODY]\r\na\nb\r\n", .body = u"a\nb\r"},
    {.name = "CarriageReturnAloneEndsLines", .bytes = "[ADDRESS]\ra@b\r[BODY]\rx\r\ry\r", .address = u"a@b",
     .body = u"x\r\ry\r"},
    {.name = "CarriageReturnBeforeCrLfGivesAnEmptyLine", .bytes = "[BODY]\r\nx\r\r\ny\r\n", .body = u"x\r\ry\r"},
    {.name = "LastLineWithoutLineEnd", .bytes = "[SUBJECT]\r\nHi", .subject = u"Hi"},
    // A mark chooses the encoding and is no part of the first line; three chunk
    // sizes below 4 split the mark, CR LF and every character across reads.
    {.name = "Utf8MarkIsNoPartOfTheFirstLine", .bytes = "\xEF\xBB\xBF[ADDRESS]\r\na@b\r\n[SUBJECT]\r\ns\r\n",
     .address = u"a@b", .subject = u"s"},
    {.name = "Utf8CharactersOfOneToFourBytes",
     .bytes = "\xEF\xBB\xBF[SUBJECT]\r\nM\xC3\xBCller \xE2\x82\xAC \xF0\x9F\x93\x8E\r\n"
              "[ATTACHMENT]\r\nC:\\B\xC3\xBCro\\a.pdf",
     .subject = u"M\u00FCller \u20AC \U0001F4CE", .attachment = u"C:\\B\u00FCro\\a.pdf"},
    {.name = "Utf8InvalidBytesEachBecomeOneReplacement",
     .bytes = "\xEF\xBB\xBF[BODY]\r\n\x80|\xC3|\xE2\x82|\xC0\xAF|\xED\xA0\x80|\xF4\x90\x80\x80|\xFF\r\n\xE2\r\n",
     .body = u"\uFFFD|\uFFFD|\uFFFD\uFFFD|\uFFFD\uFFFD|\uFFFD\uFFFD\uFFFD|\uFFFD\uFFFD\uFFFD\uFFFD|\uFFFD\r\uFFFD\r"},
    {.name = "Utf8LineRulesHold", .bytes = "\xEF\xBB\xBF[BODY]\ra\nb\r\n\r\nc", .body = u"a\nb\r\rc\r"},
    {.name = "Utf16MarkIsNoPartOfTheFirstLine",
     .bytes = Utf16Le(u"[ADDRESS]\r\na@b\r\n[SUBJECT]\r\nM\u00FCller \U0001F4CE\r\n"), .address = u"a@b",
     .subject = u"M\u00FCller \U0001F4CE"},
    // U+0D0A holds the bytes of CR LF, and U+0A0D those of LF CR: neither ends a line.
    {.name = "Utf16LineRulesHoldOnCharacters", .bytes = Utf16Le(u"[BODY]\r\u0D0A\u0A0D\r\na\nb\r\r\nc"),
     .body = u"\u0D0A\u0A0D\ra\nb\r\rc\r"},
    {.name = "Utf16LoneSurrogatesBecomeReplacements",
     .bytes = Utf16Le(u"[SUBJECT]\r\n") + "\x00\xD8\r\x00"s + "A\x00\x00\xDC"s, .subject = u"A\uFFFD"},
    {.name = "Utf16FinalOddByteBecomesAReplacement", .bytes = Utf16Le(u"[BODY]\r\nab") + "c", .body = u"ab\uFFFD\r"},
    {.name = "Utf16MarkAloneGivesNoLines", .bytes = "\xFF\xFE"},
    {.name = "MarkLookalikesStayAnsi", .bytes = "\xFE\xFF[SUBJECT]\r\n\xEF\xBB\r\n[SUBJECT]\r\nx", .subject = u"x"},
    {.name = "HighBytesDecodeFromTheAnsiCodePage", .bytes = "[SUBJECT]\r\n\x80 caf\xE9 \x81\xFF\r\n",
     .subject = u"\u20AC caf\u00E9 \u0081\u00FF"},
    {.name = "NulBytesAreCharacters", .bytes = std::string("[BODY]\r\na\0b\r\n", 12),
     .body = std::u16string(u"a\0b\r", 4)},
};

void PrintTo(const ReadCase& readCase, std::ostream* out) { *out << readCase.name; }

// Reads file as the mail file and expects the values of readCase handed off.
void ExpectReadGivesValuesOf(const ReadCase& readCase, const FakeDesktop::MailFile& file) {
  handedOff.reset();
  FakeDesktop desktop;
  desktop.fileNames[u"C:\\mail.txt"] = u"mail.txt";
  desktop.mailFiles[u"C:\\mail.txt"] = file;

  mailfile::ReadMailFile(desktop, u"C:\\mail.txt", RecordingComposer);

  ASSERT_TRUE(handedOff.has_value());
  EXPECT_EQ(handedOff->address, readCase.address);
  EXPECT_EQ(handedOff->subject, readCase.subject);
  EXPECT_EQ(handedOff->body, readCase.body);
  EXPECT_EQ(handedOff->attachment, readCase.attachment);
}

class ReadMailFileTest : public testing::TestWithParam<std::tuple<ReadCase, std::size_t>> {};

TEST_P(ReadMailFileTest, GivesTheSectionValues) {
  const auto& [readCase, chunkSize] = GetParam();
  FakeDesktop::MailFile file;
  file.bytes = readCase.bytes;
  file.chunkSize = chunkSize;
  ExpectReadGivesValuesOf(readCase, file);
}

// Chunk sizes of 1 to 3 bytes split every CR LF pair across two reads.
INSTANTIATE_TEST_SUITE_P(Cases, ReadMailFileTest,
                         testing::Combine(testing::ValuesIn(kReadCases), testing::Values(1, 2, 3, 64 * 1024)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) + "_chunk" +
                                  std::to_string(std::get<1>(info.param));
                         });

// The size the file gives when opened sizes the body up front; a file that
// changed since, or a size that is wrong, must not change what is read.
TEST(ReadMailFileSizeHint, AWrongSizeChangesNothing) {
  for (const ReadCase& readCase : kReadCases) {
    for (const std::uint64_t statedSize : {std::uint64_t{0}, std::uint64_t{7}, std::uint64_t{64} << 20}) {
      SCOPED_TRACE(std::string(readCase.name) + " stated as " + std::to_string(statedSize) + " bytes");
      FakeDesktop::MailFile file;
      file.bytes = readCase.bytes;
      file.chunkSize = 3;
      file.statedSize = statedSize;
      ExpectReadGivesValuesOf(readCase, file);
    }
  }
}

TEST(ReadMailFileExampleWithExtraLines, BodyIsFiftyThreeCharactersWithoutALineFeed) {
  handedOff.reset();
  FakeDesktop desktop;
  desktop.fileNames[u"m"] = u"m";
  desktop.mailFiles[u"m"].bytes = kReadCases[0].bytes;
  mailfile::ReadMailFile(desktop, u"m", RecordingComposer);
  ASSERT_TRUE(handedOff.has_value());
  EXPECT_EQ(handedOff->body.size(), 53u);
  EXPECT_EQ(handedOff->body.find(u'\n'), std::u16string::npos);
}

class ReadMailFileFlowTest : public testing::Test {
 protected:
  void SetUp() override {
    handedOff.reset();
    desktop.fileNames[u"C:\\m.txt"] = u"m.txt";
    desktop.mailFiles[u"C:\\m.txt"].bytes = "[SUBJECT]\r\nHi\r\n[BODY]\r\nText\r\n";
  }
  FakeDesktop desktop;
};

TEST_F(ReadMailFileFlowTest, EmptyPathReturnsWithoutLookingUp) {
  EXPECT_EQ(mailfile::ReadMailFile(desktop, u"", RecordingComposer), std::nullopt);
  EXPECT_TRUE(desktop.journal.empty());
  EXPECT_FALSE(handedOff);
}

TEST_F(ReadMailFileFlowTest, PathThatNamesNoFileReturnsQuietly) {
  EXPECT_EQ(mailfile::ReadMailFile(desktop, u"C:\\missing.txt", RecordingComposer), std::nullopt);
  EXPECT_EQ(desktop.journal, (std::vector<std::string>{"find \"C:\\missing.txt\" -> \"\""}));
  EXPECT_FALSE(handedOff);
}

TEST_F(ReadMailFileFlowTest, FileIsClosedBeforeTheHandOffWhoseEndItGives) {
  EXPECT_EQ(mailfile::ReadMailFile(desktop, u"C:\\m.txt", RecordingComposer), platform::HandOff::Failed);
  EXPECT_EQ(desktop.journal, (std::vector<std::string>{"find \"C:\\m.txt\" -> \"m.txt\"", "open \"C:\\m.txt\"",
                                                        "close", "compose"}));
}

TEST_F(ReadMailFileFlowTest, FailuresLeaveTheReaderWithTheFileClosedAndNothingHandedOff) {
  struct FailureCase {
    const char* name;
    std::function<void(FakeDesktop&)> arrange;
    std::vector<std::string> journal;
  };
  const FailureCase cases[] = {
      {"lookup fails",
       [](FakeDesktop& d) { d.FailWhen("find \"C:\\m.txt\"", MakeFailure(RuntimeError::BadFileName)); },
       {"find \"C:\\m.txt\" -> \"m.txt\" FAILS"}},
      {"open fails",
       [](FakeDesktop& d) { d.FailWhen("open \"C:\\m.txt\"", MakeFailure(RuntimeError::PermissionDenied)); },
       {"find \"C:\\m.txt\" -> \"m.txt\"", "open \"C:\\m.txt\" FAILS"}},
      {"read fails part-way",
       [](FakeDesktop& d) {
         d.mailFiles[u"C:\\m.txt"].chunkSize = 4;
         d.mailFiles[u"C:\\m.txt"].failReadAfter = 12;
       },
       {"find \"C:\\m.txt\" -> \"m.txt\"", "open \"C:\\m.txt\"", "read failed", "close"}},
  };
  for (const FailureCase& failureCase : cases) {
    SCOPED_TRACE(failureCase.name);
    FakeDesktop failing;
    failing.fileNames = desktop.fileNames;
    failing.mailFiles = desktop.mailFiles;
    failureCase.arrange(failing);
    handedOff.reset();
    EXPECT_THROW(mailfile::ReadMailFile(failing, u"C:\\m.txt", RecordingComposer), platform::Failure);
    EXPECT_EQ(failing.journal, failureCase.journal);
    EXPECT_FALSE(handedOff);
  }
}

TEST_F(ReadMailFileFlowTest, EachReadStartsFromEmptyValues) {
  desktop.fileNames[u"C:\\empty.txt"] = u"empty.txt";
  desktop.mailFiles[u"C:\\empty.txt"].bytes = "";
  mailfile::ReadMailFile(desktop, u"C:\\m.txt", RecordingComposer);
  mailfile::ReadMailFile(desktop, u"C:\\empty.txt", RecordingComposer);
  ASSERT_TRUE(handedOff);
  EXPECT_EQ(handedOff->subject, u"");
  EXPECT_EQ(handedOff->body, u"");
}

}  // namespace
