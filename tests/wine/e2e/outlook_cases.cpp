// Zembrik against the Outlook stand-in: the call table row by row,
// attachments, a missing class and a failure at every step.
#include <windows.h>

#include "expectations.h"
#include "tables.h"

namespace e2e {
namespace {

using standins::Fault;
using standins::ServerKind;

constexpr wchar_t kNotInstalled[] = L"Microsoft Outlook is not installed!";

void ExpectDisplayed(const Result& result, bool displayed) {
  EXPECT_EQ(LinesStartingWith(result.journal, L"observe message-window opened").size(), displayed ? 1u : 0u)
      << L"message windows opened";
  EXPECT_EQ(result.standinWindowsLeft, displayed ? 1 : 0) << L"message windows still open after the program ended";
}

void WorkedExample(ServerKind server) {
  const CaseFiles files(server == ServerKind::Local ? L"outlook.worked_example" : L"outlook.worked_example_in_process");
  Scenario scenario;
  scenario.client = Client::Outlook;
  scenario.mail = kWorkedExample;
  scenario.server = server;
  const Result result = Run(files, scenario);
  SCOPED_TRACE(JournalText(result));
  ExpectHandOff(result, OutlookTable(kWorkedMessage));
  if (server == ServerKind::Local) ExpectDisplayed(result, true);
}

void AttachmentTest(const AttachmentCase& test) {
  const auto [result, table] =
      RunWithAttachment(Client::Outlook, std::wstring(L"outlook.attachment_") + test.name, test.kind);
  SCOPED_TRACE(JournalText(result));
  if (test.kind == AttachmentKind::Wildcard) {
    // The lookup passes, and the stand-in, as Outlook, cannot open a path with wildcards.
    ExpectFailedAt(result, table, MakeFault(L"Add", Fault::Kind::ExceptionSCode), Client::Outlook,
                   GeneralMessage(static_cast<long>(0x80070002),
                                  L"Cannot find this file. Verify the path and file name are correct."));
    ExpectDisplayed(result, false);
    return;
  }
  ExpectHandOff(result, table);
  ExpectDisplayed(result, true);
}

std::vector<FaultCase> FaultCases() {
  using Kind = Fault::Kind;
  const auto hresult = [](unsigned long value) { return static_cast<long>(value); };
  const std::wstring died = GeneralMessage(kServerDiedHresult, SystemText(kServerDiedHresult));
  const std::wstring notValid = L"Could not complete the operation. One or more parameter values are not valid.";
  return {
      {L"application_class_not_registered",
       MakeFault(L"create:Application", Kind::HResult, hresult(REGDB_E_CLASSNOTREG)), kNotInstalled},
      {L"createitem_exception_scode", MakeFault(L"CreateItem", Kind::ExceptionSCode, hresult(E_INVALIDARG), notValid),
       GeneralMessage(hresult(E_INVALIDARG), notValid)},
      {L"createitem_not_an_object", MakeFault(L"CreateItem", Kind::ResultI4, 5),
       GeneralMessage(oracles::errors::ObjectRequired)},
      {L"createitem_null_object", MakeFault(L"CreateItem", Kind::ResultNull),
       GeneralMessage(oracles::errors::ObjectVariableNotSet)},
      {L"to_exception", MakeFault(L"To", Kind::ExceptionWCode, 440, L"Automation error"),
       GeneralMessage(440, L"Automation error")},
      {L"subject_plain_hresult", MakeFault(L"Subject", Kind::HResult, hresult(E_FAIL)),
       GeneralMessage(hresult(E_FAIL), SystemText(E_FAIL))},
      {L"body_empty_description", MakeFault(L"Body", Kind::ExceptionWCode, 4096, L""), GeneralMessage(4096, L"")},
      {L"attachments_null_object", MakeFault(L"Attachments", Kind::ResultNull),
       GeneralMessage(oracles::errors::ObjectVariableNotSet)},
      {L"attachments_exception_vb_scode",
       MakeFault(L"Attachments", Kind::ExceptionSCode, hresult(0x800A01A8), L"Object required"),
       GeneralMessage(oracles::errors::ObjectRequired)},
      {L"add_exception", MakeFault(L"Add", Kind::ExceptionSCode, hresult(E_ACCESSDENIED), L"Cannot add the attachment"),
       GeneralMessage(hresult(E_ACCESSDENIED), L"Cannot add the attachment")},
      {L"readreceipt_exception",
       MakeFault(L"ReadReceiptRequested", Kind::ExceptionSCode, hresult(0x800A01B6), L"Property is read-only"),
       GeneralMessage(438, L"Property is read-only")},
      {L"display_exception",
       MakeFault(L"Display", Kind::ExceptionWCode, 4096, L"A dialog box is open. Close it and try again."),
       GeneralMessage(4096, L"A dialog box is open. Close it and try again.")},
      {L"display_unknown_name", MakeFault(L"Display", Kind::UnknownName, hresult(DISP_E_UNKNOWNNAME)),
       GeneralMessage(oracles::errors::MemberNotSupported)},
      // Outlook's process ends as in a crash, at a call or right after its
      // answer: that call or the next one fails with COM's own number.
      {L"subject_client_dies", MakeFault(L"Subject", Kind::Dies), died},
      {L"to_client_dies_after_it", MakeFault(L"To", Kind::DiesAfter), died},
      {L"display_client_dies", MakeFault(L"Display", Kind::Dies), died},
  };
}

void FaultTest(const FaultCase& test) {
  const Result result = RunFault(Client::Outlook, std::wstring(L"outlook.fault_") + test.name, test, kNotInstalled);
  ExpectDisplayed(result, false);
}

void ClassMissing() {
  const CaseFiles files(L"outlook.class_missing");
  Scenario scenario;
  scenario.client = Client::Outlook;
  scenario.mail = kWorkedExample;
  scenario.classes = std::vector<std::wstring>{};
  const Result result = Run(files, scenario);
  SCOPED_TRACE(JournalText(result));
  ExpectCriticalBox(result, Client::Outlook, kNotInstalled);
  ExpectCleanEnd(result, 3);
  EXPECT_TRUE(result.journal.empty()) << L"no stand-in was started";
}

std::vector<TestCase> OutlookCases() {
  std::vector<TestCase> cases = {
      {L"outlook.worked_example", [] { WorkedExample(ServerKind::Local); }},
      {L"outlook.worked_example_in_process", [] { WorkedExample(ServerKind::InProcess); }},
      {L"outlook.class_missing", ClassMissing},
  };
  return cases;
}

const bool registered = AddCases(OutlookCases()) && AddRows(L"outlook.attachment_", kAttachmentCases, AttachmentTest) &&
                        AddRows(L"outlook.fault_", FaultCases(), FaultTest);

}  // namespace
}  // namespace e2e
