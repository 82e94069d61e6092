#include "notes/send_with_notes.h"

#include <gtest/gtest.h>

#include "fake_desktop.h"

namespace {

using testing_support::FakeDesktop;
using Journal = std::vector<std::string>;

constexpr platform::WindowHandle kNotesWindow = 4242;

platform::HandOff Send(FakeDesktop& desktop, const std::u16string& attachment = u"C:\\in\\a.pdf") {
  return notes::SendWithNotes(desktop, u"Order confirmed", u"Purchasing Team", platform::NullableString(), u"",
                       u"Hello,\r\r", attachment, u"");
}

FakeDesktop DesktopWithNotes() {
  FakeDesktop desktop;
  desktop.notesWindow = kNotesWindow;
  desktop.fileNames[u"C:\\in\\a.pdf"] = u"a.pdf";
  return desktop;
}

const Journal kFullSequence = {
    "create Notes.NotesSession",
    "pump",
    "pump",
    "FindWindowA \"NOTES\" null -> 4242",
    "ShowWindow 4242 3",
    "SetForegroundWindow 4242",
    "release Notes.NotesSession",
    "create Notes.Notessession",
    "call Notes.Notessession.GETDATABASE(String \"\", String \"\") -> GETDATABASE",
    "call GETDATABASE.OPENMAIL()",
    "call GETDATABASE.CreateDocument() -> CreateDocument",
    "call CreateDocument.CREATERICHTEXTITEM(String \"Body\") -> CREATERICHTEXTITEM",
    "set CreateDocument.Subject = String \"Order confirmed\"",
    "set CreateDocument.SendTo = String \"Purchasing Team\"",
    "set CreateDocument.CopyTo = NullString",
    "set CreateDocument.BlindCopyTo = String \"\"",
    "set CreateDocument.Body = String \"Hello,\\r\\r\"",
    "find \"C:\\in\\a.pdf\" -> \"a.pdf\"",
    "find \"C:\\in\\a.pdf\" -> \"a.pdf\"",
    "call CREATERICHTEXTITEM.EMBEDOBJECT(Int16 1454, String \"\", StringByRef \"C:\\in\\a.pdf\", String \"a.pdf\")",
    "create Notes.NotesUIWorkspace",
    "call Notes.NotesUIWorkspace.EDITDOCUMENT(Boolean true, ObjectByRef CreateDocument) -> EDITDOCUMENT",
    "call EDITDOCUMENT.GOTOFIELD(String \"Subject\")",
    "release EDITDOCUMENT",
    "release Notes.Notessession",
    "release Notes.NotesUIWorkspace",
    "release CreateDocument",
    "release CREATERICHTEXTITEM",
    "release GETDATABASE",
};

TEST(SendWithNotes, MakesTheCallsOfTheTableInOrder) {
  FakeDesktop desktop = DesktopWithNotes();
  EXPECT_EQ(Send(desktop), platform::HandOff::Completed);
  EXPECT_EQ(desktop.journal, kFullSequence);
}

TEST(SendWithNotes, WithoutANotesWindowTheMemoIsStillOpened) {
  FakeDesktop desktop = DesktopWithNotes();
  desktop.notesWindow = 0;
  Send(desktop);
  EXPECT_TRUE(desktop.Lines("ShowWindow").empty());
  EXPECT_TRUE(desktop.Lines("SetForegroundWindow").empty());
  EXPECT_EQ(desktop.Lines("call EDITDOCUMENT.GOTOFIELD").size(), 1u);
  EXPECT_TRUE(desktop.Lines("message").empty());
}

TEST(SendWithNotes, AttachmentIsEmbeddedOnlyWhenItNamesANormalFile) {
  struct AttachmentCase {
    const char* name;
    std::u16string path;
    Journal finds;
    Journal embeds;
  };
  const AttachmentCase cases[] = {
      {"empty: no lookup", u"", {}, {}},
      {"missing, folder, hidden or system: looked up, skipped quietly", u"C:\\in\\gone.pdf",
       {"find \"C:\\in\\gone.pdf\" -> \"\""}, {}},
      {"wildcard: the path goes over unchanged with the first match's name", u"C:\\in\\*.pdf",
       {"find \"C:\\in\\*.pdf\" -> \"a.pdf\"", "find \"C:\\in\\*.pdf\" -> \"a.pdf\""},
       {"call CREATERICHTEXTITEM.EMBEDOBJECT(Int16 1454, String \"\", StringByRef \"C:\\in\\*.pdf\", "
        "String \"a.pdf\")"}},
      {"relative: Notes gets the full path, the name stays bare", u"in\\a.pdf",
       {"find \"in\\a.pdf\" -> \"a.pdf\"", "find \"in\\a.pdf\" -> \"a.pdf\""},
       {"call CREATERICHTEXTITEM.EMBEDOBJECT(Int16 1454, String \"\", StringByRef \"C:\\Work\\in\\a.pdf\", "
        "String \"a.pdf\")"}},
      {"network path: as written, dots and all", u"\\\\srv\\in\\.\\A.PDF",
       {"find \"\\\\srv\\in\\.\\A.PDF\" -> \"a.pdf\"", "find \"\\\\srv\\in\\.\\A.PDF\" -> \"a.pdf\""},
       {"call CREATERICHTEXTITEM.EMBEDOBJECT(Int16 1454, String \"\", StringByRef \"\\\\srv\\in\\.\\A.PDF\", "
        "String \"a.pdf\")"}},
  };
  for (const AttachmentCase& attachmentCase : cases) {
    SCOPED_TRACE(attachmentCase.name);
    FakeDesktop desktop = DesktopWithNotes();
    desktop.fileNames[u"C:\\in\\*.pdf"] = u"a.pdf";
    desktop.fileNames[u"in\\a.pdf"] = u"a.pdf";
    desktop.fileNames[u"\\\\srv\\in\\.\\A.PDF"] = u"a.pdf";
    Send(desktop, attachmentCase.path);
    EXPECT_EQ(desktop.Lines("find"), attachmentCase.finds);
    EXPECT_EQ(desktop.Lines("call CREATERICHTEXTITEM.EMBEDOBJECT"), attachmentCase.embeds);
    EXPECT_EQ(desktop.Lines("call EDITDOCUMENT.GOTOFIELD").size(), 1u);
    EXPECT_TRUE(desktop.Lines("message").empty());
  }
}

TEST(SendWithNotes, SecondAttachmentIsTestedAndEmbeddedLikeTheFirst) {
  FakeDesktop desktop = DesktopWithNotes();
  desktop.fileNames[u"C:\\in\\b.txt"] = u"b.txt";
  notes::SendWithNotes(desktop, u"s", u"a", platform::NullableString(), u"", u"", u"C:\\in\\a.pdf", u"C:\\in\\b.txt");
  EXPECT_EQ(desktop.Lines("call CREATERICHTEXTITEM.EMBEDOBJECT"),
            (Journal{"call CREATERICHTEXTITEM.EMBEDOBJECT(Int16 1454, String \"\", StringByRef \"C:\\in\\a.pdf\", "
                     "String \"a.pdf\")",
                     "call CREATERICHTEXTITEM.EMBEDOBJECT(Int16 1454, String \"\", StringByRef \"C:\\in\\b.txt\", "
                     "String \"b.txt\")"}));
}

// The releases the composer owes after a failure at a given line of the full
// sequence: the session, then workspace, document, rich-text item, database,
// each only if it was made.
Journal ReleasesAfterFailureAt(std::size_t failedLine) {
  const Journal made(kFullSequence.begin(), kFullSequence.begin() + static_cast<std::ptrdiff_t>(failedLine));
  auto wasMade = [&](const std::string& creation) {
    return std::find(made.begin(), made.end(), creation) != made.end();
  };
  Journal releases;
  if (kFullSequence[failedLine].starts_with("call EDITDOCUMENT.GOTOFIELD")) releases.push_back("release EDITDOCUMENT");
  if (wasMade("create Notes.Notessession")) releases.push_back("release Notes.Notessession");
  if (wasMade("create Notes.NotesUIWorkspace")) releases.push_back("release Notes.NotesUIWorkspace");
  for (const char* object : {"CreateDocument", "CREATERICHTEXTITEM", "GETDATABASE"}) {
    for (const std::string& line : made) {
      if (line.starts_with("call ") && line.ends_with(std::string("-> ") + object)) {
        releases.push_back(std::string("release ") + object);
      }
    }
  }
  return releases;
}

bool CanFail(const std::string& line) {
  return line.starts_with("create ") || line.starts_with("call ") || line.starts_with("set ") ||
         line.starts_with("find ");
}

TEST(SendWithNotes, FailureAtAnyStepShowsOneBoxSkipsTheRestAndReleasesEverything) {
  int stepsFailed = 0;
  for (std::size_t line = 0; line < kFullSequence.size(); ++line) {
    if (!CanFail(kFullSequence[line])) continue;
    SCOPED_TRACE(kFullSequence[line]);
    FakeDesktop desktop = DesktopWithNotes();
    // Both lookups of the attachment look alike; fail the one at this line.
    const int occurrence = line > 0 && kFullSequence[line] == kFullSequence[line - 1] ? 2 : 1;
    desktop.FailWhen(kFullSequence[line], platform::Failure(-2147352567, u"Server said no"), occurrence);

    EXPECT_EQ(Send(desktop), platform::HandOff::Failed);

    Journal expected(kFullSequence.begin(), kFullSequence.begin() + static_cast<std::ptrdiff_t>(line) + 1);
    expected.back() += " FAILS";
    for (const std::string& release : ReleasesAfterFailureAt(line)) {
      if (release == "release EDITDOCUMENT") expected.push_back(release);
    }
    expected.push_back("message 16 \"Error: -2147352567 Server said no\"");
    for (const std::string& release : ReleasesAfterFailureAt(line)) {
      if (release != "release EDITDOCUMENT") expected.push_back(release);
    }
    EXPECT_EQ(desktop.journal, expected);
    ++stepsFailed;
  }
  EXPECT_EQ(stepsFailed, 17);
}

TEST(SendWithNotes, ClassThatCannotBeCreatedMeansNotesIsNotInstalled) {
  for (const char* progId : {"create Notes.NotesSession", "create Notes.Notessession", "create Notes.NotesUIWorkspace"}) {
    SCOPED_TRACE(progId);
    FakeDesktop desktop = DesktopWithNotes();
    desktop.FailWhen(progId, platform::MakeFailure(platform::RuntimeError::CannotCreateObject));
    EXPECT_EQ(Send(desktop), platform::HandOff::ClientNotInstalled);
    EXPECT_EQ(desktop.Lines("message"), (Journal{"message 16 \"Lotus Notes is not installed!\""}));
    EXPECT_TRUE(desktop.Lines("call Notes.NotesUIWorkspace.EDITDOCUMENT").empty());
  }
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
       "message 16 \"Error: 438 Object doesn't support this property or method\""},
      {platform::Failure(1234, u""), "message 16 \"Error: 1234 \""},
      {platform::Failure(-2147221005, u"Invalid class string"), "message 16 \"Error: -2147221005 Invalid class string\""},
  };
  for (const MessageCase& messageCase : cases) {
    FakeDesktop desktop = DesktopWithNotes();
    desktop.FailWhen("call GETDATABASE.OPENMAIL", messageCase.failure);
    Send(desktop);
    EXPECT_EQ(desktop.Lines("message"), Journal{messageCase.message});
  }
}

TEST(SendWithNotes, FailingAttachmentLookupIsReportedAndTheMemoIsNotOpened) {
  FakeDesktop desktop = DesktopWithNotes();
  desktop.FailWhen("find \"CON:\\x\"", platform::MakeFailure(platform::RuntimeError::BadFileName));
  Send(desktop, u"CON:\\x");
  EXPECT_EQ(desktop.Lines("message"), (Journal{"message 16 \"Error: 52 Bad file name or number\""}));
  EXPECT_TRUE(desktop.Lines("create Notes.NotesUIWorkspace").empty());
}

TEST(ComposeNotesMemo, PassesTheFieldsWithANullCopyToAndEmptyBlindCopy) {
  FakeDesktop desktop = DesktopWithNotes();
  mailfile::MailFields fields{u"to@x", u"subj", u"body\r", u""};
  notes::ComposeNotesMemo(desktop, fields);
  EXPECT_EQ(desktop.Lines("set "), (Journal{"set CreateDocument.Subject = String \"subj\"",
                                            "set CreateDocument.SendTo = String \"to@x\"",
                                            "set CreateDocument.CopyTo = NullString",
                                            "set CreateDocument.BlindCopyTo = String \"\"",
                                            "set CreateDocument.Body = String \"body\\r\""}));
  EXPECT_TRUE(desktop.Lines("find").empty());
}

}  // namespace
