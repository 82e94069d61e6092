// A mail client busy starting turns calls away with "call again later": the
// programs call again quietly and the message is composed, or, once the
// client has been busy too long, they report one failure and stop there.
#include <windows.h>

#include <algorithm>

#include "expectations.h"
#include "tables.h"

namespace e2e {
namespace {

using standins::Fault;

constexpr long kBusyHresult = static_cast<long>(0x8001010Au);  // RPC_E_SERVERCALL_RETRYLATER
constexpr long kRejectedHresult = static_cast<long>(0x80010001u);  // RPC_E_CALL_REJECTED

bool TurnedAway(const std::wstring& line) { return line.ends_with(L" [busy]"); }

// The run as the client saw it once every turned-away attempt is left out,
// and those attempts on their own.
struct BusyRun {
  Result result;
  std::vector<std::wstring> turnedAway;
};

BusyRun Split(Result result) {
  BusyRun run;
  for (const std::wstring& line : result.journal) {
    if (TurnedAway(line)) run.turnedAway.push_back(line);
  }
  std::erase_if(result.journal, TurnedAway);
  run.result = std::move(result);
  return run;
}

// Every turned-away attempt was the same call, the one the fault names.
void ExpectAttemptsAt(const BusyRun& run, const std::wstring& callLine, std::size_t atLeast) {
  EXPECT_TRUE(run.turnedAway.size() >= atLeast)
      << L"the call was tried again while busy: " + std::to_wstring(run.turnedAway.size()) + L" attempts turned away";
  for (const std::wstring& line : run.turnedAway) {
    EXPECT_EQ(line, callLine + L" -> HRESULT 0x8001010A [busy]") << L"a turned-away attempt";
  }
}

BusyRun RunBusy(const CaseFiles& files, Client client, const Fault& fault) {
  Scenario scenario;
  scenario.client = client;
  scenario.mail = SimpleMail(files.Write(L"report.pdf", "%PDF-1.4 figures"));
  scenario.faults = {fault};
  return Split(Run(files, scenario));
}

CallTable TableFor(Client client, const CaseFiles& files) {
  const Attachment attachment{files.Path(L"report.pdf"), L"report.pdf"};
  if (client == Client::Notes) {
    return NotesTable(SimpleMessage(attachment));
  }
  return OutlookTable(SimpleMessage(attachment));
}

// A run the busy client only delayed: the message composed as usual.
BusyRun RunDelayed(const std::wstring& caseName, Client client, const Fault& fault) {
  const CaseFiles files(caseName);
  BusyRun run = RunBusy(files, client, fault);
  SCOPED_TRACE(JournalText(run.result));
  ExpectHandOff(run.result, TableFor(client, files));
  return run;
}

struct ShortCase {
  const wchar_t* name;
  Client client;
  const wchar_t* target;
};

// Busy for two seconds on one step: nobody notices but the clock.
void BusyAWhile(const ShortCase& test) {
  const CaseFiles files(std::wstring(L"busy.") + test.name);
  const Fault fault = MakeFault(test.target, Fault::Kind::BusyFor, 2000);
  const BusyRun run = RunBusy(files, test.client, fault);
  SCOPED_TRACE(JournalText(run.result));
  const CallTable table = TableFor(test.client, files);
  const std::size_t row = RowOf(table, fault);
  EXPECT_TRUE(row < table.steps.size()) << L"the fault names a row of the table";
  if (row >= table.steps.size()) return;
  ExpectHandOff(run.result, table);
  ExpectAttemptsAt(run, CallLine(table, row), 5);
  EXPECT_GE(run.result.run.seconds, 2.0) << L"the program waited for the client";
  EXPECT_EQ(run.result.standinWindowsLeft, 1) << L"the composed message is on screen";
}

// Busy on one step for longer than the programs wait: one box, and nothing
// after that step is called.
void BusyTooLong(Client client, const std::wstring& target) {
  const CaseFiles files(L"busy.too_long");
  const Fault fault = MakeFault(target, Fault::Kind::BusyFor, 45000);
  const BusyRun run = RunBusy(files, client, fault);
  SCOPED_TRACE(JournalText(run.result));
  const CallTable table = TableFor(client, files);
  const std::size_t row = RowOf(table, fault);
  EXPECT_TRUE(row < table.steps.size()) << L"the fault names a row of the table";
  if (row >= table.steps.size()) return;
  // Not one attempt ran: the failing row shows only as turned-away attempts.
  std::vector<std::wstring> expected = FailureEvents(table, row, fault);
  std::erase(expected, CallLine(table, row) + L" -> *");
  ExpectEvents(run.result, expected);
  ExpectAttemptsAt(run, CallLine(table, row), 50);
  ExpectCriticalBox(run.result, client, GeneralMessage(kBusyHresult, SystemText(kBusyHresult)));
  ExpectCleanEnd(run.result, 4);
  // The client stays busy for 45 s: the box, and no message composed, show
  // that the program stopped calling again before that.
  EXPECT_GE(run.result.run.seconds, 29.0) << L"gave up about 30 s after the first rejection";
  EXPECT_EQ(run.result.standinWindowsLeft, 0) << L"no composed message";
}

// A client busy starting may turn the creation itself away: it is installed,
// so that is waited out like a busy call, and never "not installed".
void CreationBusy() {
  const Fault fault = MakeFault(L"create:Application", Fault::Kind::BusyFor, 1500);
  const BusyRun run = RunDelayed(L"busy.outlook_creation", Client::Outlook, fault);
  EXPECT_GE(run.turnedAway.size(), 3u) << L"the creation was tried again while busy";
  for (const std::wstring& line : run.turnedAway) {
    EXPECT_EQ(line, L"create Application -> HRESULT 0x8001010A [busy]") << L"a turned-away creation";
  }
  EXPECT_EQ(LinesStartingWith(run.result.journal, L"server-start ").size(), 1u)
      << L"one server, which the client kept trying";
}

// A call turned away a counted number of times runs at the next attempt:
// exactly one call reaches the member, after exactly those attempts.
void CountedAttempts() {
  const Fault fault = MakeFault(L"Subject", Fault::Kind::BusyCalls, 4);
  const BusyRun run = RunDelayed(L"busy.notes_counted_attempts", Client::Notes, fault);
  EXPECT_EQ(run.turnedAway.size(), 4u) << L"attempts turned away";
}

// RPC_E_CALL_REJECTED is COM's answer once a message filter has already given
// up on a busy client: it is final, not tried again.
void RejectedIsFinal() {
  const CaseFiles files(L"busy.outlook_rejected_is_final");
  const Fault fault = MakeFault(L"Subject", Fault::Kind::HResult, kRejectedHresult);
  const BusyRun run = RunBusy(files, Client::Outlook, fault);
  SCOPED_TRACE(JournalText(run.result));
  const CallTable table = TableFor(Client::Outlook, files);
  ExpectFailedAt(run.result, table, fault, Client::Outlook,
                 GeneralMessage(kRejectedHresult, SystemText(kRejectedHresult)));
}

constexpr ShortCase kShortCases[] = {
    {L"notes_create_document", Client::Notes, L"CreateDocument"},
    {L"notes_body", Client::Notes, L"Body"},
    {L"outlook_subject", Client::Outlook, L"Subject"},
    {L"outlook_add", Client::Outlook, L"Add"},
};

const bool registered = AddRows(L"busy.", kShortCases, BusyAWhile) &&
                        AddCases({
                            {L"busy.outlook_creation", CreationBusy},
                            {L"busy.notes_counted_attempts", CountedAttempts},
                            {L"busy.outlook_rejected_is_final", RejectedIsFinal},
                            // About 30 s: the one case that waits the bound out.
                            {L"busy.too_long", [] { BusyTooLong(Client::Outlook, L"Body"); }},
                        });

}  // namespace
}  // namespace e2e
