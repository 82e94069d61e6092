#include "notes/send_with_notes.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "documented_errors.h"
#include "expected_journal.h"
#include "fake_desktop.h"
#include "composers.h"

namespace {

using oracles::Attachment;
using testing_support::FakeDesktop;
using testing_support::JournalOf;
using Journal = std::vector<std::string>;

constexpr platform::WindowHandle kNotesWindow = 4242;
const Attachment kReport{.path = u"C:\\in\\a.pdf", .name = u"a.pdf"};

platform::HandOff Send(FakeDesktop& desktop, const std::u16string& attachment = kReport.path) {
  return notes::SendWithNotes(desktop, u"Order confirmed", u"Purchasing Team", platform::NullableString(), u"",
                       u"Hello,\r\r", attachment, u"");
}

std::vector<oracles::Step> Memo(std::vector<Attachment> attachments = {kReport}) {
  return oracles::NotesRun({.subject = u"Order confirmed",
                            .address = u"Purchasing Team",
                            .body = u"Hello,\r\r",
                            .attachments = attachments});
}

FakeDesktop DesktopWithNotes() {
  FakeDesktop desktop;
  desktop.notesWindow = kNotesWindow;
  desktop.fileNames[kReport.path] = kReport.name;
  return desktop;
}

TEST(SendWithNotes, MakesTheCallsOfTheTableInOrder) {
  FakeDesktop desktop = DesktopWithNotes();
  EXPECT_EQ(Send(desktop), platform::HandOff::Completed);
  EXPECT_EQ(desktop.journal, JournalOf(Memo(), kNotesWindow));
}

TEST(SendWithNotes, WithoutANotesWindowTheMemoIsStillOpened) {
  FakeDesktop desktop = DesktopWithNotes();
  desktop.notesWindow = 0;
  Send(desktop);
  std::vector<oracles::Step> memo = oracles::NotesRun(
      {.subject = u"Order confirmed", .address = u"Purchasing Team", .body = u"Hello,\r\r", .attachments = {kReport},
       .notesWindow = false});
  EXPECT_EQ(desktop.journal, JournalOf(memo));
}

TEST(SendWithNotes, AttachmentIsEmbeddedOnlyWhenItNamesANormalFile) {
  struct AttachmentCase {
    const char* name;
    Attachment attachment;
  };
  const AttachmentCase cases[] = {
      {"empty: no lookup", {}},
      {"missing, folder, hidden or system: looked up, skipped quietly", {.path = u"C:\\in\\gone.pdf"}},
      {"wildcard: the path goes over unchanged with the first match's name",
       {.path = u"C:\\in\\*.pdf", .name = u"a.pdf"}},
      {"relative: Notes gets the full path, the name stays bare",
       {.path = u"in\\a.pdf", .name = u"a.pdf", .fullPath = u"C:\\Work\\in\\a.pdf"}},
      {"network path: as written, dots and all", {.path = u"\\\\srv\\in\\.\\A.PDF", .name = u"a.pdf"}},
  };
  for (const AttachmentCase& attachmentCase : cases) {
    SCOPED_TRACE(attachmentCase.name);
    FakeDesktop desktop = DesktopWithNotes();
    desktop.fileNames[u"C:\\in\\*.pdf"] = u"a.pdf";
    desktop.fileNames[u"in\\a.pdf"] = u"a.pdf";
    desktop.fileNames[u"\\\\srv\\in\\.\\A.PDF"] = u"a.pdf";
    Send(desktop, attachmentCase.attachment.path);
    EXPECT_EQ(desktop.journal, JournalOf(Memo({attachmentCase.attachment}), kNotesWindow));
  }
}

TEST(SendWithNotes, SecondAttachmentIsTestedAndEmbeddedLikeTheFirst) {
  FakeDesktop desktop = DesktopWithNotes();
  desktop.fileNames[u"C:\\in\\b.txt"] = u"b.txt";
  notes::SendWithNotes(desktop, u"Order confirmed", u"Purchasing Team", platform::NullableString(), u"", u"Hello,\r\r",
                       kReport.path, u"C:\\in\\b.txt");
  EXPECT_EQ(desktop.journal, JournalOf(Memo({kReport, {.path = u"C:\\in\\b.txt", .name = u"b.txt"}}), kNotesWindow));
}

TEST(SendWithNotes, FailureAtAnyStepShowsOneBoxSkipsTheRestAndReleasesEverything) {
  const std::vector<oracles::Step> memo = Memo();
  const Journal complete = JournalOf(memo, kNotesWindow);
  int stepsFailed = 0;
  for (std::size_t step = 0; step < memo.size(); ++step) {
    if (!oracles::CanFail(memo[step])) continue;
    SCOPED_TRACE(complete[step]);
    FakeDesktop desktop = DesktopWithNotes();
    // Both lookups of the attachment look alike; fail the one at this step.
    const auto occurrence =
        std::count(complete.begin(), complete.begin() + static_cast<std::ptrdiff_t>(step) + 1, complete[step]);
    desktop.FailWhen(complete[step], platform::Failure(-2147352567, u"Server said no"), static_cast<int>(occurrence));

    EXPECT_EQ(Send(desktop), platform::HandOff::Failed);
    EXPECT_EQ(desktop.journal,
              JournalOf(oracles::FailedAt(memo, step, u"Error: -2147352567 Server said no"), kNotesWindow));
    ++stepsFailed;
  }
  EXPECT_EQ(stepsFailed, 17);
}

TEST(SendWithNotes, ClassThatCannotBeCreatedMeansNotesIsNotInstalled) {
  const std::vector<oracles::Step> memo = Memo();
  int classes = 0;
  for (std::size_t step = 0; step < memo.size(); ++step) {
    if (memo[step].kind != oracles::Step::Kind::Create) continue;
    const std::string creation = JournalOf(memo)[step];
    SCOPED_TRACE(creation);
    FakeDesktop desktop = DesktopWithNotes();
    desktop.FailWhen(creation, platform::MakeFailure(platform::RuntimeError::CannotCreateObject));
    EXPECT_EQ(Send(desktop), platform::HandOff::ClientNotInstalled);
    EXPECT_EQ(desktop.journal, JournalOf(oracles::FailedAt(memo, step, oracles::kNotesNotInstalled), kNotesWindow));
    ++classes;
  }
  EXPECT_EQ(classes, 3);
}

TEST(SendWithNotes, NotInstalledMakesNoOtherCall) {
  FakeDesktop desktop = DesktopWithNotes();
  desktop.FailWhen("create Notes.NotesSession", platform::MakeFailure(platform::RuntimeError::CannotCreateObject));
  Send(desktop);
  EXPECT_EQ(desktop.journal,
            (Journal{"create Notes.NotesSession FAILS", "message 16 \"Lotus Notes is not installed!\""}));
}

TEST(SendWithNotes, GeneralMessageKeepsAnEmptyDescriptionAndTheSign) {
  struct MessageCase {
    platform::Failure failure;
    std::string message;
  };
  const MessageCase cases[] = {
      {platform::MakeFailure(platform::RuntimeError::MemberNotSupported),
       "message 16 " + testing_support::Quoted(oracles::ErrorBox(oracles::errors::MemberNotSupported))},
      {platform::Failure(1234, u""), "message 16 \"Error: 1234 \""},
      {platform::Failure(-2147221005, u"Invalid class string"),
       "message 16 \"Error: -2147221005 Invalid class string\""},
  };
  for (const MessageCase& messageCase : cases) {
    FakeDesktop desktop = DesktopWithNotes();
    desktop.FailWhen("call GETDATABASE.OPENMAIL", messageCase.failure);
    Send(desktop);
    EXPECT_EQ(desktop.Lines("message"), Journal{messageCase.message});
  }
}

// A lookup that fails, rather than finds nothing, ends the hand-off as failed:
// one box, and no memo opened.
TEST(SendWithNotes, FailingAttachmentLookupIsReportedAndTheMemoIsNotOpened) {
  const std::vector<oracles::Step> memo = Memo();
  const auto lookup = std::ranges::find(memo, oracles::Step::Kind::FindFile, &oracles::Step::kind) - memo.begin();
  for (const auto& [name, failure, box] : testing_support::AttachmentLookupFailures()) {
    SCOPED_TRACE(name);
    FakeDesktop desktop = DesktopWithNotes();
    desktop.FailWhen("find " + testing_support::Quoted(kReport.path), failure);
    EXPECT_EQ(Send(desktop), platform::HandOff::Failed);
    EXPECT_EQ(desktop.journal,
              JournalOf(oracles::FailedAt(memo, static_cast<std::size_t>(lookup), box), kNotesWindow));
  }
}

TEST(ComposeNotesMemo, PassesTheFieldsWithANullCopyToAndEmptyBlindCopy) {
  FakeDesktop desktop = DesktopWithNotes();
  mailfile::MailFields fields{u"to@x", u"subj", u"body\r", u""};
  notes::ComposeNotesMemo(desktop, fields);
  EXPECT_EQ(desktop.journal, JournalOf(oracles::NotesRun({.subject = u"subj", .address = u"to@x", .body = u"body\r"}),
                                       kNotesWindow));
}

}  // namespace
