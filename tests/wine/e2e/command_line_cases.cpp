// Command-line tails exactly as a batch job or Explorer passes them: the
// whole tail is the path, unsplit, and a path in double quotes is the text
// between them; a path that names no file ends the run at once and silently
// with exit code 2; a file that passes the lookup but cannot be opened is
// reported once, with exit code 1.
#include "expectations.h"
#include "tables.h"

namespace e2e {
namespace {

struct TailCase {
  const wchar_t* name;
  Client client;
  // Builds the tail from the path of an existing mail file.
  std::wstring (*tail)(const CaseFiles& files, const std::wstring& mailPath);
};

constexpr TailCase kQuietCases[] = {
    {L"empty_quotes", Client::Notes, [](const CaseFiles&, const std::wstring&) { return std::wstring(L"\"\""); }},
    {L"blank_after_closing_quote", Client::Notes,
     [](const CaseFiles&, const std::wstring& mail) { return L"\"" + mail + L"\" "; }},
    {L"two_quoted_paths", Client::Outlook,
     [](const CaseFiles& files, const std::wstring& mail) {
       return L"\"" + mail + L"\" \"" + files.Write(L"second.txt", "[BODY]\r\n") + L"\"";
     }},
    {L"blanks_only", Client::Notes, [](const CaseFiles&, const std::wstring&) { return std::wstring(L"   "); }},
    {L"two_paths", Client::Outlook,
     [](const CaseFiles& files, const std::wstring& mail) {
       return mail + L" " + files.Write(L"second.txt", "[BODY]\r\n");
     }},
    {L"missing_file_quorvel", Client::Notes,
     [](const CaseFiles& files, const std::wstring&) { return files.Path(L"missing.txt"); }},
    {L"missing_file_zembrik", Client::Outlook,
     [](const CaseFiles& files, const std::wstring&) { return files.Path(L"missing.txt"); }},
    {L"folder_path", Client::Outlook,
     [](const CaseFiles& files, const std::wstring&) { return files.MakeFolder(L"mail.d"); }},
    {L"hidden_mail_file", Client::Outlook,
     [](const CaseFiles& files, const std::wstring&) {
       return files.WriteHidden(L"hidden.txt", "[SUBJECT]\r\nx\r\n");
     }},
};

void QuietTest(const TailCase& test) {
  const CaseFiles files(std::wstring(L"cmdline.") + test.name);
  Scenario scenario;
  scenario.client = test.client;
  scenario.mail = kWorkedExample;
  scenario.tail = test.tail(files, files.Path(L"mail.txt"));
  const Result result = Run(files, scenario);
  SCOPED_TRACE(JournalText(result));
  ExpectQuietEnd(result);
}

// The whole tail is the path, blanks inside it included. A mail file dropped
// on the program comes in double quotes, the way Explorer passes it.
struct BlankPathCase {
  const wchar_t* name;
  Client client;
  bool quoted;
};

constexpr BlankPathCase kBlankPathCases[] = {
    {L"path_with_blanks", Client::Outlook, false},
    {L"dropped_file_quorvel", Client::Notes, true},
    {L"dropped_file_zembrik", Client::Outlook, true},
};

void PathWithBlanks(const BlankPathCase& test) {
  const CaseFiles files(std::wstring(L"cmdline.") + test.name);
  files.MakeFolder(L"Anna Berg");
  Scenario scenario;
  scenario.client = test.client;
  scenario.mail = std::nullopt;
  const std::wstring path = files.Write(L"Anna Berg\\order  4711.txt", kWorkedExample);
  scenario.tail = test.quoted ? L"\"" + path + L"\"" : path;
  const Result result = Run(files, scenario);
  SCOPED_TRACE(JournalText(result));
  ExpectHandOff(result, test.client == Client::Notes ? NotesTable(kWorkedMessage) : OutlookTable(kWorkedMessage));
}

// A wildcard path passes the lookup, and opening it fails.
void UnreadableMailFile(Client client) {
  const CaseFiles files(std::wstring(L"cmdline.unreadable_mail_file_") + ProgramName(client));
  Scenario scenario;
  scenario.client = client;
  scenario.mail = kWorkedExample;
  scenario.tail = files.Path(L"mai?.t*");
  const Result result = Run(files, scenario);
  SCOPED_TRACE(JournalText(result));
  // CreateFileW refuses a name with wildcards: ERROR_INVALID_NAME, run-time error 52.
  ExpectCriticalBox(result, client, GeneralMessage(oracles::errors::BadFileName));
  EXPECT_TRUE(result.run.ended) << L"the program ended by itself";
  EXPECT_EQ(result.run.exitCode, 1) << L"exit code";
  EXPECT_TRUE(result.journal.empty()) << L"no mail client was started";
}

// MailFileCheck as a batch job runs it, through cmd /c with its report in a
// file: the shipped sample from its folder, and a broken file.
struct CheckRun {
  const wchar_t* name;
  const char* mail;  // written as order.txt into the case's folder; null: the sample, run in bin\samples
  DWORD exitCode;
  std::vector<std::wstring> report;  // {folder}: the folder it ran in
};

const std::wstring kStartIn =
    L"The programs resolve it against their own current folder, a shortcut's or a scheduled task's \"Start in\": "
    L"write the full path to be independent of it.";

const CheckRun kCheckRuns[] = {
    {L"check_sample", nullptr, 0,
     {L"Mail file   order.txt", L"Read as     ANSI, code page 1252", L"Address     \"Purchasing Team\"",
      L"Subject     \"Order 4711 confirmed\"", L"Body        7 lines, 118 characters", L"            | Hello,",
      L"            |", L"            | your order 4711 has been confirmed and will ship on Monday.",
      L"            | The confirmation is attached.", L"            |", L"            ... 2 more lines",
      L"Attachment  \"order-confirmation.pdf\"", L"            attached as \"{folder}\\order-confirmation.pdf\"", L"",
      L"order.txt:15: note: the attachment \"order-confirmation.pdf\" is a relative path, resolved here against the "
      L"current folder {folder}. " + kStartIn,
      L"MailFileCheck: 0 warnings, 1 note"}},
    {L"check_broken_file",
     "Order export\r\n[ADDRESS]\r\nsales@example.com\r\npurchasing@example.com\r\n[SUBJECT]\r\nOrder 4711 confirmed\r\n"
     "[BODY]\r\nHello,\nthe order has been confirmed.\r\n[ATTACHMENT]\r\nconfirmation-4711.pdf\r\n",
     3,
     {L"Mail file   order.txt", L"Read as     ANSI, code page 1252", L"Address     \"purchasing@example.com\"",
      L"Subject     \"Order 4711 confirmed\"", L"Body        1 line, 37 characters",
      L"            | Hello,<LF>the order has been confirmed.", L"Attachment  \"confirmation-4711.pdf\"",
      L"            left out: there is no such file (yet): write it before the mail file, and check its name", L"",
      L"order.txt:3: warning: address line \"sales@example.com\" is dropped: line 4 replaces it, as only the last "
      L"non-empty line of the section counts. Put all recipients on one line, in the form the mail client accepts "
      L"(for Outlook, separated by semicolons).",
      L"order.txt:8: warning: lines 8 to 9 are one line to the programs, as an LF without CR ends no line: a marker "
      L"among them is not found, and the LF stays in the text. End every line with CR LF.",
      L"order.txt:11: warning: the attachment \"confirmation-4711.pdf\" is left out: there is no such file (yet): "
      L"write it before the mail file, and check its name. The message opens without it, and the programs say "
      L"nothing (exit code 0).",
      L"order.txt:11: note: the attachment \"confirmation-4711.pdf\" is a relative path, resolved here against the "
      L"current folder {folder}. " + kStartIn,
      L"MailFileCheck: 3 warnings, 1 note"}},
};

void CheckRunTest(const CheckRun& test) {
  const CaseFiles files(std::wstring(L"cmdline.") + test.name);
  const std::wstring folder = test.mail == nullptr ? BinPath(L"samples") : files.Folder();
  if (test.mail != nullptr) files.Write(L"order.txt", test.mail);
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  const std::wstring report = files.Path(L"check.txt");
  const std::wstring command =
      L"cmd /s /c \"\"" + BinPath(L"MailFileCheck.exe") + L"\" order.txt >\"" + report + L"\"\"";
  const ProgramRun run =
      RunProgram(std::wstring(system) + L"\\cmd.exe", command, std::chrono::seconds(60), folder.c_str());
  EXPECT_TRUE(run.ended && run.boxes.empty()) << L"ended by itself, without a box";
  EXPECT_EQ(run.exitCode, test.exitCode) << L"exit code";
  std::vector<std::wstring> expected;
  for (std::wstring line : test.report) {
    if (const std::size_t at = line.find(L"{folder}"); at != std::wstring::npos) line.replace(at, 8, folder);
    expected.push_back(line + L"\r");
  }
  EXPECT_EQ(ReadLines(report), expected);
}

const bool registered = AddCases({
                            {L"cmdline.unreadable_mail_file_quorvel", [] { UnreadableMailFile(Client::Notes); }},
                            {L"cmdline.unreadable_mail_file_zembrik", [] { UnreadableMailFile(Client::Outlook); }},
                        }) &&
                        AddRows(L"cmdline.", kBlankPathCases, PathWithBlanks) &&
                        AddRows(L"cmdline.", kQuietCases, QuietTest) &&
                        AddRows(L"cmdline.", kCheckRuns, CheckRunTest);

}  // namespace
}  // namespace e2e
