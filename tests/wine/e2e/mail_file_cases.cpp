// Mail files of every line-end kind, the bytes of the ANSI code page and the
// two Unicode encodings a byte-order mark announces, read by Zembrik and
// handed to the Outlook stand-in: what arrives is what the reader made of
// the bytes.
#include "expectations.h"
#include "tables.h"

namespace e2e {
namespace {

struct MailFileCase {
  const wchar_t* name = L"";
  std::string bytes{};
  std::wstring address{};
  std::wstring subject{};
  std::wstring body{};
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
      {.name = L"cr_line_ends", .bytes = "[ADDRESS]\rA. Person\r[SUBJECT]\rHello\r[BODY]\rLine 1\r\rLine 3\r",
       .address = L"A. Person", .subject = L"Hello", .body = L"Line 1\r\rLine 3\r"},
      {.name = L"crlf_line_ends",
       .bytes = "[ADDRESS]\r\nA. Person\r\n[SUBJECT]\r\nHello\r\n[BODY]\r\nLine 1\r\n\r\nLine 3\r\n",
       .address = L"A. Person", .subject = L"Hello", .body = L"Line 1\r\rLine 3\r"},
      // A lone LF ends no line: the file is one line, which is no marker.
      {.name = L"lone_lf_is_no_line_end", .bytes = "[ADDRESS]\nA. Person\n[SUBJECT]\nHello\n[BODY]\nText\n"},
      // Inside a line a lone LF is an ordinary character.
      {.name = L"lone_lf_inside_body_line", .bytes = "[BODY]\r\nbefore\nafter\r\n", .body = L"before\nafter\r"},
      // CR CR LF: one line end, then an empty line.
      {.name = L"cr_cr_lf", .bytes = "[BODY]\r\r\nText\r\r\n", .body = L"\rText\r\r"},
      {.name = L"no_final_line_end", .bytes = "[SUBJECT]\r\nFirst\r\n[BODY]\r\nLast line", .subject = L"First",
       .body = L"Last line\r"},
      // A mark chooses the encoding and is no part of the first line.
      {.name = L"utf8_byte_order_mark",
       .bytes = "\xEF\xBB\xBF[ADDRESS]\r\nA. M\xC3\xBCller\r\n[SUBJECT]\r\nHello \xE2\x82\xAC\xFF\r\n",
       .address = L"A. M\u00FCller", .subject = L"Hello \u20AC\uFFFD"},
      // The last odd byte is a character that cannot be read.
      {.name = L"utf16_byte_order_mark",
       .bytes = Utf16LittleEndian(L"[ADDRESS]\r\nA. M\u00FCller\r\n[BODY]\r\n\u6CE8\u6587\r\n") + "x",
       .address = L"A. M\u00FCller", .body = L"\u6CE8\u6587\r\uFFFD\r"},
      {.name = L"windows1252_high_bytes", .bytes = "[SUBJECT]\r\n" + HighBytes() + "\r\n[BODY]\r\ncaf\xE9 \x80 5\r\n",
       .subject = FromWindows1252(HighBytes()), .body = L"caf\u00E9 \u20AC 5\r"},
      {.name = L"empty_file"},
      {.name = L"markers_in_other_case_and_blanks",
       .bytes = "[Body]\r\n[ADDRESS]\r\nA. Person\r\n \r\n[address]\r\n[SUBJECT] \r\n", .address = L"[SUBJECT] "},
  };
}

void MailFileTest(const MailFileCase& test) {
  const CaseFiles files(std::wstring(L"mailfile.") + test.name);
  Scenario scenario;
  scenario.client = Client::Outlook;
  scenario.mail = test.bytes;
  const Result result = Run(files, scenario);
  SCOPED_TRACE(JournalText(result));
  ExpectHandOff(result, OutlookTable({.subject = test.subject, .address = test.address, .body = test.body}));
}

const bool registered = AddRows(L"mailfile.", MailFileCases(), MailFileTest);

}  // namespace
}  // namespace e2e
