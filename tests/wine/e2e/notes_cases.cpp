// Quorvel against the Notes stand-in: the call table row by row, the Notes
// main window, attachments, missing classes and a failure at every step.
#include <windows.h>

#include "expectations.h"
#include "tables.h"

namespace e2e {
namespace {

using standins::Fault;
using standins::NotesWindowMode;
using standins::ServerKind;

constexpr wchar_t kNotInstalled[] = L"Lotus Notes is not installed!";

// What a memo the composer opened leaves behind.
void ExpectMemoOpened(const Result& result) {
  EXPECT_EQ(LinesStartingWith(result.journal, L"observe memo-window opened").size(), 1u) << L"memo windows opened";
  EXPECT_EQ(LinesStartingWith(result.journal, L"observe memo-window focus=Subject").size(), 1u)
      << L"caret put in the subject field";
  EXPECT_EQ(result.standinWindowsLeft, 1) << L"memo windows still open after the program ended";
}

void ExpectWindowActivated(const Result& result, const std::wstring& before) {
  const std::vector<std::wstring> states = LinesStartingWith(result.journal, L"notes-window ");
  // One line at each creation: before the activation, then after it.
  EXPECT_TRUE(states.size() >= 2) << L"the Notes window's state was journaled at each creation";
  if (states.size() >= 2) {
    EXPECT_EQ(states[0], L"notes-window " + before + L" background") << L"the Notes window before the activation";
    EXPECT_EQ(states[1], L"notes-window maximized foreground") << L"the Notes window after the activation";
  }
  EXPECT_TRUE(result.notesWindowFound) << L"the Notes window is still there";
  EXPECT_TRUE(result.notesWindowMaximized) << L"the Notes window ends maximised";
  EXPECT_TRUE(result.notesWindowInFront) << L"the Notes window (or its memo) ends in front, not "
                                         << result.foreground;
}

void WorkedExample(ServerKind server) {
  const CaseFiles files(server == ServerKind::Local ? L"notes.worked_example" : L"notes.worked_example_in_process");
  Scenario scenario;
  scenario.mail = kWorkedExample;
  scenario.server = server;
  // In process the window would belong to Quorvel itself: leave it out there.
  scenario.notesWindow = server == ServerKind::Local ? NotesWindowMode::Normal : NotesWindowMode::None;
  const Result result = Run(files, scenario);
  SCOPED_TRACE(JournalText(result));
  Message memo = kWorkedMessage;
  if (server == ServerKind::InProcess) memo.copyTo = kNullBstr;
  ExpectHandOff(result, NotesTable(memo));
  if (server == ServerKind::Local) {
    ExpectMemoOpened(result);
    ExpectWindowActivated(result, L"normal");
  }
}

void WindowCase(NotesWindowMode mode) {
  const CaseFiles files(mode == NotesWindowMode::Minimized ? L"notes.window_minimized" : L"notes.window_absent");
  Scenario scenario;
  scenario.mail = kWorkedExample;
  scenario.notesWindow = mode;
  const Result result = Run(files, scenario);
  SCOPED_TRACE(JournalText(result));
  Message memo = kWorkedMessage;
  if (mode == NotesWindowMode::None) memo.session = L"session#1";
  ExpectHandOff(result, NotesTable(memo));
  ExpectMemoOpened(result);
  if (mode == NotesWindowMode::Minimized) {
    ExpectWindowActivated(result, L"minimized");
  } else {
    EXPECT_TRUE(LinesStartingWith(result.journal, L"notes-window ").empty()) << L"no Notes window to journal";
    EXPECT_TRUE(!result.notesWindowFound) << L"no Notes window appeared";
  }
}

void AttachmentTest(const AttachmentCase& test) {
  const auto [result, table] =
      RunWithAttachment(Client::Notes, std::wstring(L"notes.attachment_") + test.name, test.kind);
  SCOPED_TRACE(JournalText(result));
  if (test.kind == AttachmentKind::Wildcard) {
    // The lookup passes, and the stand-in, as Notes, cannot open a path with wildcards.
    ExpectFailedAt(result, table, MakeFault(L"EMBEDOBJECT", Fault::Kind::ExceptionWCode), Client::Notes,
                   GeneralMessage(4005, L"File cannot be opened"));
    EXPECT_EQ(result.standinWindowsLeft, 0) << L"memo windows open";
    return;
  }
  ExpectHandOff(result, table);
  ExpectMemoOpened(result);
}

// A failure at one step: exactly one box, and nothing called after it.
std::vector<FaultCase> FaultCases() {
  using Kind = Fault::Kind;
  const auto hresult = [](unsigned long value) { return static_cast<long>(value); };
  const std::wstring died = GeneralMessage(kServerDiedHresult, SystemText(kServerDiedHresult));
  return {
      {L"second_session_class_missing",
       MakeFault(L"create:NotesSession", Kind::HResult, hresult(REGDB_E_CLASSNOTREG), {}, 2), kNotInstalled},
      {L"getdatabase_exception", MakeFault(L"GETDATABASE", Kind::ExceptionWCode, 4060, L"Could not open the ID file"),
       GeneralMessage(4060, L"Could not open the ID file")},
      {L"openmail_exception_vb_scode",
       MakeFault(L"OPENMAIL", Kind::ExceptionSCode, hresult(0x800A1068), L"Database is not available"),
       GeneralMessage(4200, L"Database is not available")},
      {L"openmail_unknown_name", MakeFault(L"OPENMAIL", Kind::UnknownName, hresult(DISP_E_UNKNOWNNAME)),
       GeneralMessage(oracles::errors::MemberNotSupported)},
      {L"getdatabase_not_an_object", MakeFault(L"GETDATABASE", Kind::ResultI4, 42),
       GeneralMessage(oracles::errors::ObjectRequired)},
      {L"createdocument_empty_description", MakeFault(L"CreateDocument", Kind::ExceptionWCode, 4005, L""),
       GeneralMessage(4005, L"")},
      {L"createdocument_null_object", MakeFault(L"CreateDocument", Kind::ResultNull),
       GeneralMessage(oracles::errors::ObjectVariableNotSet)},
      // A code the desktop services leave as it is: its number and the system's text.
      {L"createrichtextitem_plain_hresult", MakeFault(L"CREATERICHTEXTITEM", Kind::HResult, hresult(E_UNEXPECTED)),
       GeneralMessage(hresult(E_UNEXPECTED), SystemText(E_UNEXPECTED))},
      // One they turn into one of the programs' own errors, with its number and text.
      {L"createrichtextitem_access_denied", MakeFault(L"CREATERICHTEXTITEM", Kind::HResult, hresult(E_ACCESSDENIED)),
       GeneralMessage(oracles::errors::PermissionDenied)},
      {L"subject_null_description", MakeFault(L"Subject", Kind::ExceptionWCode, 4000), GeneralMessage(4000, L"")},
      {L"sendto_exception_scode",
       MakeFault(L"SendTo", Kind::ExceptionSCode, hresult(0x80040005), L"Field is read-only"),
       GeneralMessage(hresult(0x80040005), L"Field is read-only")},
      {L"copyto_hresult_without_text", MakeFault(L"CopyTo", Kind::HResult, hresult(0x8FFF1234)),
       GeneralMessage(hresult(0x8FFF1234), SystemText(static_cast<HRESULT>(0x8FFF1234)))},
      {L"blindcopyto_unicode_description",
       MakeFault(L"BlindCopyTo", Kind::ExceptionWCode, 4412, L"Feld gesperrt: \u00E9\u20AC"),
       GeneralMessage(4412, L"Feld gesperrt: \u00E9\u20AC")},
      {L"body_exception", MakeFault(L"Body", Kind::ExceptionWCode, 4600, L"Body is too large"),
       GeneralMessage(4600, L"Body is too large")},
      {L"embedobject_exception", MakeFault(L"EMBEDOBJECT", Kind::ExceptionWCode, 4005, L"File cannot be opened"),
       GeneralMessage(4005, L"File cannot be opened")},
      {L"editdocument_exception", MakeFault(L"EDITDOCUMENT", Kind::ExceptionWCode, 4091, L"Document is locked"),
       GeneralMessage(4091, L"Document is locked")},
      {L"editdocument_empty_result", MakeFault(L"EDITDOCUMENT", Kind::ResultEmpty),
       GeneralMessage(oracles::errors::ObjectVariableNotSet)},
      {L"gotofield_exception", MakeFault(L"GOTOFIELD", Kind::ExceptionWCode, 4412, L"Cannot locate field Subject"),
       GeneralMessage(4412, L"Cannot locate field Subject")},
      // Notes' process ends as in a crash, at a call or right after its
      // answer: that call or the next one fails with COM's own number.
      {L"openmail_client_dies", MakeFault(L"OPENMAIL", Kind::Dies), died},
      {L"body_client_dies_after_it", MakeFault(L"Body", Kind::DiesAfter), died},
      {L"workspace_creation_client_dies", MakeFault(L"create:NotesUIWorkspace", Kind::Dies), died},
      {L"editdocument_client_dies", MakeFault(L"EDITDOCUMENT", Kind::Dies), died},
      {L"gotofield_client_dies", MakeFault(L"GOTOFIELD", Kind::Dies), died},
  };
}

void FaultTest(const FaultCase& test) {
  const Result result = RunFault(Client::Notes, std::wstring(L"notes.fault_") + test.name, test, kNotInstalled);
  // Only a failing GOTOFIELD comes after the memo was opened; the memo stays,
  // unless Notes died with it.
  EXPECT_EQ(result.standinWindowsLeft, test.fault.target == L"GOTOFIELD" && !standins::Dies(test.fault.kind) ? 1 : 0)
      << L"memo windows open";
}

// No class at all, no session class for the composer, no workspace class.
void ClassMissing(const wchar_t* name, std::vector<std::wstring> classes) {
  const CaseFiles files(std::wstring(L"notes.class_missing_") + name);
  Scenario scenario;
  scenario.mail = kWorkedExample;
  scenario.classes = classes;
  const Result result = Run(files, scenario);
  SCOPED_TRACE(JournalText(result));
  ExpectCriticalBox(result, Client::Notes, kNotInstalled);
  ExpectCleanEnd(result, 3);
  EXPECT_EQ(result.standinWindowsLeft, 0) << L"memo windows open";
  if (classes.empty()) {
    EXPECT_TRUE(result.journal.empty()) << L"no stand-in was started";
    return;
  }
  // Without the workspace class everything up to the workspace happens.
  const CallTable table = NotesTable(kWorkedMessage);
  const Fault fault = MakeFault(L"create:NotesUIWorkspace", Fault::Kind::HResult);
  std::vector<std::wstring> expected = FailureEvents(table, RowOf(table, fault), fault);
  std::erase(expected, L"create NotesUIWorkspace -> *");
  ExpectEvents(result, expected);
}

std::vector<TestCase> NotesCases() {
  std::vector<TestCase> cases = {
      {L"notes.worked_example", [] { WorkedExample(ServerKind::Local); }},
      {L"notes.worked_example_in_process", [] { WorkedExample(ServerKind::InProcess); }},
      {L"notes.window_minimized", [] { WindowCase(NotesWindowMode::Minimized); }},
      {L"notes.window_absent", [] { WindowCase(NotesWindowMode::None); }},
      {L"notes.class_missing_all", [] { ClassMissing(L"all", {}); }},
      {L"notes.class_missing_workspace", [] { ClassMissing(L"workspace", {L"NotesSession"}); }},
  };
  return cases;
}

const bool registered = AddCases(NotesCases()) && AddRows(L"notes.attachment_", kAttachmentCases, AttachmentTest) &&
                        AddRows(L"notes.fault_", FaultCases(), FaultTest);

}  // namespace
}  // namespace e2e
