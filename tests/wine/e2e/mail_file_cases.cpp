// Mail files of every line-end kind, the bytes of the ANSI code page and the
// two Unicode encodings a byte-order mark announces, read by Zembrik and
// handed to the Outlook stand-in: what arrives is what the reader made of
// the bytes.
#include "expectations.h"
#include "tables.h"

namespace e2e {
namespace {

struct MailFileCase {
  const wchar_t* name;
  std::string bytes;
  std::wstring address;
  std::wstring subject;
  std::wstring body;
};

// Every byte from 0x80 to 0xFF, in one subject line.
std::string HighBytes() {
  std::string bytes;
  for (int byte = 0x80; byte <= 0xFF; ++byte) bytes += static_cast<char>(byte);
  return bytes;
}

// Text as PowerShell's Out-File writes it: UTF-16 little-endian after its mark.
std::string Utf16LittleEndian(std::wstring_view text) {
  std::string bytes = "\xFF\xFE";
  for (const wchar_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>((unit >> 8) & 0xFF);
  }
  return bytes;
}

std::vector<MailFileCase> MailFileCases() {
  return {
      {L"cr_line_ends", "[ADDRESS]\rA. Person\r[SUBJECT]\rHello\r[BODY]\rLine 1\r\rLine 3\r", L"A. Person", L"Hello",
       L"Line 1\r\rLine 3\r"},
      {L"crlf_line_ends", "[ADDRESS]\r\nA. Person\r\n[SUBJECT]\r\nHello\r\n[BODY]\r\nLine 1\r\n\r\nLine 3\r\n",
       L"A. Person", L"Hello", L"Line 1\r\rLine 3\r"},
      // A lone LF ends no line: the file is one line, which is no marker.
      {L"lone_lf_is_no_line_end", "[ADDRESS]\nA. Person\n[SUBJECT]\nHello\n[BODY]\nText\n", L"", L"", L""},
      // Inside a line a lone LF is an ordinary character.
      {L"lone_lf_inside_body_line", "[BODY]\r\nbefore\nafter\r\n", L"", L"", L"before\nafter\r"},
      // CR CR LF: one line end, then an empty line.
      {L"cr_cr_lf", "[BODY]\r\r\nText\r\r\n", L"", L"", L"\rText\r\r"},
      {L"no_final_line_end", "[SUBJECT]\r\nFirst\r\n[BODY]\r\nLast line", L"", L"First", L"Last line\r"},
      // A mark chooses the encoding and is no part of the first line.
      {L"utf8_byte_order_mark", "\xEF\xBB\xBF[ADDRESS]\r\nA. M\xC3\xBCller\r\n[SUBJECT]\r\nHello \xE2\x82\xAC\xFF\r\n",
       L"A. M\u00FCller", L"Hello \u20AC\uFFFD", L""},
      // The last odd byte is a character that cannot be read.
      {L"utf16_byte_order_mark", Utf16LittleEndian(L"[ADDRESS]\r\nA. M\u00FCller\r\n[BODY]\r\n\u6CE8\u6587\r\n") + "x",
       L"A. M\u00FCller", L"", L"\u6CE8\u6587\r\uFFFD\r"},
      {L"windows1252_high_bytes", "[SUBJECT]\r\n" + HighBytes() + "\r\n[BODY]\r\ncaf\xE9 \x80 5\r\n", L"",
       FromWindows1252(HighBytes()), L"caf\u00E9 \u20AC 5\r"},
      {L"empty_file", "", L"", L"", L""},
      {L"markers_in_other_case_and_blanks",
       "[Body]\r\n[ADDRESS]\r\nA. Person\r\n \r\n[address]\r\n[SUBJECT] \r\n", L"[SUBJECT] ", L"", L""},
  };
}

void MailFileTest(const MailFileCase& test) {
  const CaseFiles files(std::wstring(L"mailfile.") + test.name);
  Scenario scenario;
  scenario.client = Client::Outlook;
  scenario.mail = test.bytes;
  const Result result = Run(files, scenario);
  SCOPED_TRACE(JournalText(result));
  ExpectEvents(result, SuccessEvents(OutlookTable({test.subject, test.address, test.body, {}})));
  ExpectNoBox(result);
  ExpectCleanEnd(result);
}

std::vector<TestCase> Cases() {
  std::vector<TestCase> cases;
  for (const MailFileCase& test : MailFileCases()) {
    cases.push_back({std::wstring(L"mailfile.") + test.name, [test] { MailFileTest(test); }});
  }
  return cases;
}

const bool registered = AddCases(Cases());

}  // namespace
}  // namespace e2e
