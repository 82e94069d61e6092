// Hard inputs, end to end: mail files no editor writes, command-line paths
// Windows treats specially, and attachment lines of the same kinds. Each has
// one known outcome: the whole message handed over, a quiet end, or exactly
// one critical box with nothing handed over; never a crash, a hang, or a
// message built from half a file.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>

#include "expectations.h"
#include "journal_text.h"
#include "platform/win32/owners.h"
#include "tables.h"

namespace e2e {
namespace {

using platform::win32::UniqueHandle;
using standins::Fault;

struct Fields {
  std::wstring address;
  std::wstring subject;
  std::wstring body;
  std::wstring attachment;
};

// The section rules, written from the format's description rather than from
// the programs' reader: the expected values of generated mail files.
Fields ReadReference(std::string_view bytes) {
  enum class Section { None, Address, Subject, Body, Attachment } section = Section::None;
  Fields fields;
  const auto line = [&](std::string_view raw) {
    const std::wstring text = FromWindows1252(raw);
    if (text == L"[ADDRESS]") section = Section::Address;
    else if (text == L"[SUBJECT]") section = Section::Subject;
    else if (text == L"[BODY]") section = Section::Body;
    else if (text == L"[ATTACHMENT]") section = Section::Attachment;
    else if (section == Section::Body) fields.body += text + L"\r";
    else if (text.empty() || section == Section::None) return;
    else
      (section == Section::Address   ? fields.address
       : section == Section::Subject ? fields.subject
                                     : fields.attachment) = text;
  };
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t end = bytes.find('\r', start);
    if (end == std::string_view::npos) {
      line(bytes.substr(start));
      break;
    }
    line(bytes.substr(start, end - start));
    start = end + 1;
    if (start < bytes.size() && bytes[start] == '\n') ++start;
  }
  return fields;
}

// A fixed sequence of pseudo-random bytes, the same on every run.
class Bytes {
 public:
  unsigned char Next() {
    state_ = state_ * 1103515245u + 12345u;
    return static_cast<unsigned char>(state_ >> 16);
  }

 private:
  std::uint32_t state_ = 20240917u;
};

// Text as the mail file holds it, in Windows-1252.
std::string ToWindows1252(const std::wstring& text) {
  if (text.empty()) return {};
  const int size =
      WideCharToMultiByte(1252, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(1252, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
  return bytes;
}

// The reader failed: one critical box, exit code 1, no client started.
void ExpectReaderFailure(const Result& result, Client client, const std::wstring& message) {
  ExpectCriticalBox(result, client, message);
  EXPECT_TRUE(result.run.ended) << L"the program ended by itself";
  EXPECT_EQ(result.run.exitCode, 1) << L"exit code";
  EXPECT_TRUE(result.journal.empty()) << L"no mail client was started";
}

const std::wstring kBadFileName = GeneralMessage(oracles::errors::BadFileName);
const std::wstring kPermissionDenied = GeneralMessage(oracles::errors::PermissionDenied);

Result RunWith(const CaseFiles& files, Client client, std::optional<std::string> mail,
               std::optional<std::wstring> tail) {
  Scenario scenario;
  scenario.client = client;
  scenario.mail = std::move(mail);
  scenario.tail = std::move(tail);
  return Run(files, scenario);
}

// ---------------------------------------------------------------- mail files

// Markers among runs of arbitrary bytes, CR, LF and NUL included.
std::string Garbage() {
  static constexpr const char* kMarkers[] = {"[ADDRESS]", "[SUBJECT]", "[BODY]", "[ATTACHMENT]"};
  Bytes random;
  std::string bytes;
  for (int run = 0; run < 400; ++run) {
    const int length = random.Next() + random.Next();
    for (int i = 0; i < length; ++i) bytes += static_cast<char>(random.Next());
    bytes += "\r\n";
    bytes += kMarkers[random.Next() % 4];
    bytes += random.Next() % 2 == 0 ? "\r" : "\r\n";
  }
  return bytes;
}

std::string ThousandsOfSections() {
  static constexpr const char* kMarkers[] = {"[BODY]", "[ADDRESS]", "[ATTACHMENT]", "[SUBJECT]"};
  std::string bytes;
  for (int section = 0; section < 8000; ++section) {
    bytes += std::string(kMarkers[section % 4]) + "\r\nvalue " + std::to_string(section) + "\r\n";
    if (section % 3 == 0) bytes += "\r\n";
  }
  return bytes;
}

// A line of a million bytes, 0x20 to 0xFF over and over, as the address and the body.
std::string OneMegabyteLine() {
  std::string line(std::size_t{1} << 20, ' ');
  for (std::size_t i = 0; i < line.size(); ++i) line[i] = static_cast<char>(32 + i % 224);
  return "[ADDRESS]\r\n" + line + "\r\n[BODY]\r\n" + line;
}

struct MailCase {
  const wchar_t* name;
  std::function<std::string()> bytes;
  // Expected values; nullopt: those of the reference reader.
  std::optional<Fields> fields;
};

std::vector<MailCase> MailCases() {
  return {
      {L"binary_garbage", Garbage, std::nullopt},
      // NUL, ^Z and the bytes Windows-1252 leaves undefined are characters
      // like any other: a line of one of them is a line with text.
      {L"nul_and_control_bytes",
       [] {
         static constexpr char kBytes[] =
             "[ADDRESS]\r\n\x81\r\n[SUBJECT]\r\nA\0B\r\n[BODY]\r\n\0\r\nend\x1A of text\r\n\x8D\x8F\x90\x9D\r\n";
         return std::string(kBytes, sizeof kBytes - 1);
       },
       [] {
         static constexpr wchar_t kBody[] = L"\0\rend\u001A of text\r\u008D\u008F\u0090\u009D\r";
         return Fields{L"\u0081", std::wstring(L"A\0B", 3), std::wstring(kBody, sizeof kBody / sizeof *kBody - 1), L""};
       }()},
      {L"one_megabyte_line", OneMegabyteLine, std::nullopt},
      {L"only_line_ends",
       [] {
         std::string bytes;
         for (int i = 0; i < 30000; ++i) bytes += i % 3 == 0 ? "\r\n" : "\r";
         return bytes;
       },
       Fields{}},
      {L"body_of_line_ends", [] { return "[BODY]\r\n" + std::string(40000, '\r'); },
       Fields{L"", L"", std::wstring(40000, L'\r'), L""}},
      {L"thousands_of_sections", ThousandsOfSections, std::nullopt},
  };
}

void MailTest(const MailCase& test) {
  const CaseFiles files(std::wstring(L"hard.mail.") + test.name);
  const std::string bytes = test.bytes();
  const Fields fields = test.fields.value_or(ReadReference(bytes));
  // No attachment line of these names a file: the lookup skips it.
  const Message item{.subject = fields.subject, .address = fields.address, .body = fields.body};
  const Result result = RunWith(files, Client::Outlook, bytes, std::nullopt);
  SCOPED_TRACE(JournalText(result));
  ExpectHandOff(result, OutlookTable(item));
}

// Two hundred megabytes of body lines, made here and removed afterwards. The
// journal gives so long a body by length and digest.
void HugeBody() {
  const CaseFiles files(L"hard.mail.body_200_megabytes");
  const std::wstring path = files.Path(L"mail.txt");
  standins::TextDigest digest;
  std::size_t length = 0;
  {
    UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_TRUE(file.Valid()) << L"the mail file was made";
    std::string chunk = "[ADDRESS]\r\nall@example.com\r\n[SUBJECT]\r\nLarge\r\n[BODY]\r\n";
    constexpr std::size_t kLines = 2 * 1024 * 1024;  // of 100 bytes each
    for (std::size_t n = 0; n < kLines; ++n) {
      char text[128];
      std::snprintf(text, sizeof text,
                    "line %08zu of the body, written out to a hundred bytes with its line end; %021zu\r\n", n,
                    n * 7919);
      chunk += text;
      const std::wstring line(text, text + std::strlen(text) - 2);
      digest.Add(line);
      digest.Add(L"\r");
      length += line.size() + 1;
      if (chunk.size() > (1u << 20) || n + 1 == kLines) {
        DWORD written = 0;
        WriteFile(file.Get(), chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr);
        chunk.clear();
      }
    }
  }
  const Result result = RunWith(files, Client::Outlook, std::nullopt, std::nullopt);
  DeleteFileW(path.c_str());
  SCOPED_TRACE(JournalText(result));
  std::vector<std::wstring> events = SuccessEvents(OutlookTable({.subject = L"Large", .address = L"all@example.com"}));
  std::ranges::replace(events, L"put mailitem#1.Body(" + Bstr(L"") + L")",
                       L"put mailitem#1.Body(VT_BSTR " + standins::SummaryText(length, digest.Value()) + L")");
  ExpectHandOff(result, events);
}

// The lookup lists the file, and the open that follows fails: the reader's
// failure, reported once, and nothing handed over.
void LockedMailFile() {
  const CaseFiles files(L"hard.mail.locked_by_another_program");
  const std::wstring path = files.Write(L"mail.txt", kWorkedExample);
  UniqueHandle lock(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  EXPECT_TRUE(lock.Valid()) << L"the file was opened without sharing";
  const Result result = RunWith(files, Client::Notes, std::nullopt, std::nullopt);
  SCOPED_TRACE(JournalText(result));
  ExpectReaderFailure(result, Client::Notes, kPermissionDenied);
}

// Deleted while another program holds it open: still listed, no longer openable.
void DeletePending() {
  const CaseFiles files(L"hard.mail.deleted_while_open");
  const std::wstring path = files.Write(L"mail.txt", kWorkedExample);
  UniqueHandle holder(CreateFileW(path.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  FILE_DISPOSITION_INFO disposition{TRUE};
  EXPECT_TRUE(holder.Valid() &&
              SetFileInformationByHandle(holder.Get(), FileDispositionInfo, &disposition, sizeof disposition))
      << L"the file was marked for deletion";
  const Result result = RunWith(files, Client::Outlook, std::nullopt, std::nullopt);
  SCOPED_TRACE(JournalText(result));
  ExpectReaderFailure(result, Client::Outlook, kPermissionDenied);
}

// A range after the first reads is locked by another program. Windows fails
// the read that reaches it: the reader's failure, with nothing handed over.
// Wine does not hold reads to byte-range locks, and the whole file arrives.
// Never a message built from the part read before the lock.
void ReadFailsPartWay() {
  const CaseFiles files(L"hard.mail.read_fails_part_way");
  std::string mail = "[ADDRESS]\r\nfirst@example.com\r\n[SUBJECT]\r\nRead so far\r\n[BODY]\r\n";
  while (mail.size() < 512 * 1024) mail += "a body line that fills the file past the first reads\r\n";
  mail += "[SUBJECT]\r\nRead to the end\r\n";
  const std::wstring path = files.Write(L"mail.txt", mail);
  UniqueHandle holder(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  OVERLAPPED range{};
  range.Offset = 256 * 1024;
  EXPECT_TRUE(holder.Valid() &&
              LockFileEx(holder.Get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 4096, 0, &range))
      << L"a range of the file was locked";
  const Result result = RunWith(files, Client::Outlook, std::nullopt, std::nullopt);
  UnlockFileEx(holder.Get(), 0, 4096, 0, &range);
  SCOPED_TRACE(JournalText(result));
  if (!result.run.boxes.empty()) {
    ExpectReaderFailure(result, Client::Outlook, kPermissionDenied);
    return;
  }
  const Fields fields = ReadReference(mail);
  EXPECT_EQ(fields.subject, L"Read to the end") << L"the reference read the whole file";
  ExpectHandOff(result, OutlookTable({.subject = fields.subject, .address = fields.address, .body = fields.body}));
}

// ------------------------------------------------------ command-line paths

// A drive letter no drive has.
std::wstring MissingDrive() {
  const DWORD drives = GetLogicalDrives();
  for (wchar_t letter = L'Q'; letter <= L'Y'; ++letter) {
    if ((drives & (1u << (letter - L'A'))) == 0) return std::wstring(1, letter) + L":";
  }
  return L"Q:";
}

// A path of more than 260 characters to an existing file, made through the
// \\?\ form so that making it does not depend on what is tested.
std::wstring LongPath(const CaseFiles& files, const std::wstring& name, std::string_view bytes) {
  std::wstring folder = files.Folder();
  while (folder.size() < 300) {
    folder += L"\\a-folder-name-of-forty-characters-long-x";
    CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr);
  }
  const std::wstring path = folder + L"\\" + name;
  UniqueHandle file(CreateFileW((L"\\\\?\\" + path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  return path;
}

enum class Outcome { HandOff, Quiet, BadFileName };

struct TailCase {
  const wchar_t* name;
  Client client;
  // Writes what the case needs (the worked example is mail.txt) and gives the tail.
  std::wstring (*tail)(const CaseFiles& files);
  Outcome outcome;
};

constexpr TailCase kTailCases[] = {
    {L"system_file", Client::Outlook,
     [](const CaseFiles& files) {
       const std::wstring path = files.Write(L"system.txt", kWorkedExample);
       SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_SYSTEM);
       return path;
     },
     Outcome::Quiet},
    {L"wildcards_matching_several", Client::Outlook,
     [](const CaseFiles& files) {
       files.Write(L"another.txt", kWorkedExample);
       return files.Path(L"*.txt");
     },
     Outcome::BadFileName},
    // A device is no file.
    {L"device_con", Client::Outlook, [](const CaseFiles&) { return std::wstring(L"CON"); }, Outcome::Quiet},
    {L"device_nul", Client::Notes, [](const CaseFiles&) { return std::wstring(L"NUL"); }, Outcome::Quiet},
    {L"device_com1", Client::Outlook, [](const CaseFiles&) { return std::wstring(L"COM1"); }, Outcome::Quiet},
    {L"named_pipe", Client::Outlook, [](const CaseFiles&) { return std::wstring(L"\\\\.\\pipe\\qz-no-such-pipe"); },
     Outcome::Quiet},
    {L"longer_than_260", Client::Outlook,
     [](const CaseFiles& files) { return LongPath(files, L"mail.txt", kWorkedExample); }, Outcome::HandOff},
    {L"long_path_form", Client::Outlook, [](const CaseFiles& files) { return L"\\\\?\\" + files.Path(L"mail.txt"); },
     Outcome::HandOff},
    {L"missing_drive", Client::Outlook, [](const CaseFiles&) { return MissingDrive() + L"\\jobs\\mail.txt"; },
     Outcome::Quiet},
    {L"characters_windows_forbids", Client::Outlook, [](const CaseFiles& files) { return files.Path(L"mail|<>.txt"); },
     Outcome::Quiet},
    {L"quote_inside_the_name", Client::Outlook, [](const CaseFiles& files) { return files.Path(L"mail\".txt"); },
     Outcome::Quiet},
    {L"western_european_name", Client::Outlook,
     [](const CaseFiles& files) { return files.Write(L"Bestellung-M\u00FCller-\u20AC.txt", kWorkedExample); },
     Outcome::HandOff},
    {L"cjk_name", Client::Notes,
     [](const CaseFiles& files) { return files.Write(L"\u6CE8\u6587-\u53D7\u6CE8.txt", kWorkedExample); },
     Outcome::HandOff},
};

void TailTest(const TailCase& test) {
  const CaseFiles files(std::wstring(L"hard.tail.") + test.name);
  files.Write(L"mail.txt", kWorkedExample);
  const Result result = RunWith(files, test.client, std::nullopt, test.tail(files));
  SCOPED_TRACE(JournalText(result));
  switch (test.outcome) {
    case Outcome::HandOff:
      if (test.client == Client::Outlook) {
        ExpectHandOff(result, OutlookTable(kWorkedMessage));
      } else {
        ExpectHandOff(result, NotesTable(kWorkedMessage));
      }
      break;
    case Outcome::Quiet: ExpectQuietEnd(result); break;
    case Outcome::BadFileName: ExpectReaderFailure(result, test.client, kBadFileName); break;
  }
}

// A server that does not exist names no file: a quiet end, in bounded time.
void UncPathToNoServer() {
  const CaseFiles files(L"hard.tail.unc_to_no_server");
  const Result result = RunWith(files, Client::Outlook, std::nullopt, L"\\\\qz-no-such-server\\jobs\\mail.txt");
  SCOPED_TRACE(JournalText(result));
  ExpectQuietEnd(result);
}

// ------------------------------------------------------------- attachments

// Relative: attached, with the full path of the file in the current folder,
// which is neither the program's nor the mail client's.
enum class Attached { Yes, SkippedSilently, Relative };

struct AttachmentLine {
  const wchar_t* name;
  Client client;
  // Gives the attachment line; the attachment's file name where one is attached.
  std::pair<std::wstring, std::wstring> (*line)(const CaseFiles& files);
  Attached outcome;
};

constexpr AttachmentLine kAttachmentLines[] = {
    {L"system_file", Client::Outlook,
     [](const CaseFiles& files) {
       const std::wstring path = files.Write(L"report.pdf", "%PDF-1.4");
       SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_SYSTEM);
       return std::pair{path, std::wstring()};
     },
     Attached::SkippedSilently},
    {L"device_nul", Client::Outlook,
     [](const CaseFiles&) {
       return std::pair{std::wstring(L"NUL"), std::wstring()};
     },
     Attached::SkippedSilently},
    {L"device_com1_in_a_folder", Client::Notes,
     [](const CaseFiles& files) {
       return std::pair{files.Path(L"COM1.pdf"), std::wstring()};
     },
     Attached::SkippedSilently},
    {L"named_pipe", Client::Outlook,
     [](const CaseFiles&) {
       return std::pair{std::wstring(L"\\\\.\\pipe\\qz-no-such-pipe"), std::wstring()};
     },
     Attached::SkippedSilently},
    {L"longer_than_260", Client::Notes,
     [](const CaseFiles& files) {
       return std::pair{LongPath(files, L"report.pdf", "%PDF-1.4"), std::wstring(L"report.pdf")};
     },
     Attached::Yes},
    {L"missing_drive", Client::Outlook,
     [](const CaseFiles&) {
       return std::pair{MissingDrive() + L"\\report.pdf", std::wstring()};
     },
     Attached::SkippedSilently},
    {L"unc_to_no_server", Client::Outlook,
     [](const CaseFiles&) {
       return std::pair{std::wstring(L"\\\\qz-no-such-server\\share\\report.pdf"), std::wstring()};
     },
     Attached::SkippedSilently},
    {L"western_european_name", Client::Notes,
     [](const CaseFiles& files) {
       const std::wstring name = L"Bestellung-M\u00FCller-\u20AC.pdf";
       return std::pair{files.Write(name, "%PDF-1.4"), name};
     },
     Attached::Yes},
    {L"relative_quorvel", Client::Notes,
     [](const CaseFiles& files) {
       files.MakeFolder(L"jobs");
       files.Write(L"jobs\\report.pdf", "%PDF-1.4");
       return std::pair{std::wstring(L"jobs\\report.pdf"), std::wstring(L"report.pdf")};
     },
     Attached::Relative},
    {L"relative_zembrik", Client::Outlook,
     [](const CaseFiles& files) {
       files.Write(L"report.pdf", "%PDF-1.4");
       return std::pair{std::wstring(L"report.pdf"), std::wstring(L"report.pdf")};
     },
     Attached::Relative},
};

void AttachmentTest(const AttachmentLine& test) {
  const CaseFiles files(std::wstring(L"hard.attachment.") + test.name);
  const auto [path, name] = test.line(files);
  std::string mail = "[ADDRESS]\r\nSales Team\r\n[SUBJECT]\r\nQuarterly figures\r\n[BODY]\r\nDear all,\r\n\r\n"
                     "the figures are attached.\r\n[ATTACHMENT]\r\n" + ToWindows1252(path) + "\r\n";
  Scenario scenario;
  scenario.client = test.client;
  scenario.mail = mail;
  std::optional<Attachment> attachment;
  if (test.outcome == Attached::Yes) attachment = Attachment{path, name};
  if (test.outcome == Attached::Relative) {
    scenario.currentFolder = files.Folder();
    attachment = Attachment{files.Path(path), name};
  }
  const Result result = Run(files, scenario);
  SCOPED_TRACE(JournalText(result));
  const Message message = SimpleMessage(attachment);
  const CallTable table = test.client == Client::Outlook ? OutlookTable(message) : NotesTable(message);
  ExpectHandOff(result, table);
}

// A NUL in the attachment line would cut the path short: the lookup fails.
void NulInAttachmentLine() {
  const CaseFiles files(L"hard.attachment.nul_inside_the_path");
  const std::wstring report = files.Write(L"report.pdf", "%PDF-1.4");
  const std::string mail = SimpleMail(report) + "[ATTACHMENT]\r\n" + Narrow(report) + std::string("\0.exe\r\n", 7);
  const Result result = RunWith(files, Client::Outlook, mail, std::nullopt);
  SCOPED_TRACE(JournalText(result));
  // The lookup is not seen across processes: what had been made is released.
  const CallTable table = OutlookTable(SimpleMessage(Attachment{report, L"report.pdf"}));
  ExpectFailedAt(result, table, MakeFault(L"find", Fault::Kind::HResult), Client::Outlook, kBadFileName);
}

const bool registered = AddCases({
                            {L"hard.mail.body_200_megabytes", HugeBody},
                            {L"hard.mail.locked_by_another_program", LockedMailFile},
                            {L"hard.mail.deleted_while_open", DeletePending},
                            {L"hard.mail.read_fails_part_way", ReadFailsPartWay},
                            {L"hard.tail.unc_to_no_server", UncPathToNoServer},
                            {L"hard.attachment.nul_inside_the_path", NulInAttachmentLine},
                        }) &&
                        AddRows(L"hard.mail.", MailCases(), MailTest) && AddRows(L"hard.tail.", kTailCases, TailTest) &&
                        AddRows(L"hard.attachment.", kAttachmentLines, AttachmentTest);

}  // namespace
}  // namespace e2e
