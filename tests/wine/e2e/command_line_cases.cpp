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

const bool registered = AddCases({
                            {L"cmdline.unreadable_mail_file_quorvel", [] { UnreadableMailFile(Client::Notes); }},
                            {L"cmdline.unreadable_mail_file_zembrik", [] { UnreadableMailFile(Client::Outlook); }},
                        }) &&
                        AddRows(L"cmdline.", kBlankPathCases, PathWithBlanks) &&
                        AddRows(L"cmdline.", kQuietCases, QuietTest);

}  // namespace
}  // namespace e2e
