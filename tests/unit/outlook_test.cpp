#include "outlook/send_with_outlook.h"

#include <gtest/gtest.h>

#include "fake_desktop.h"

namespace {

using testing_support::FakeDesktop;
using Journal = std::vector<std::string>;

platform::HandOff Send(FakeDesktop& desktop, const std::u16string& attachment = u"C:\\in\\a.pdf") {
  return outlook::SendWithOutlook(desktop, u"Order confirmed", attachment, u"Purchasing Team", u"Hello,\r\r");
}

FakeDesktop DesktopWithOutlook() {
  FakeDesktop desktop;
  desktop.fileNames[u"C:\\in\\a.pdf"] = u"a.pdf";
  desktop.fileNames[u"C:\\in\\*.pdf"] = u"a.pdf";
  return desktop;
}

const Journal kFullSequence = {
    "create Outlook.Application",
    "call Outlook.Application.CreateItem(Int16 0) -> CreateItem",
    "set CreateItem.To = String \"Purchasing Team\"",
    "set CreateItem.Subject = String \"Order confirmed\"",
    "set CreateItem.Body = String \"Hello,\\r\\r\"",
    "find \"C:\\in\\a.pdf\" -> \"a.pdf\"",
    "get CreateItem.Attachments -> Attachments",
    "call Attachments.Add(StringByRef \"C:\\in\\a.pdf\")",
    "release Attachments",
    "set CreateItem.ReadReceiptRequested = Boolean false",
    "call CreateItem.Display()",
    "release Outlook.Application",
    "release CreateItem",
};

TEST(SendWithOutlook, MakesTheCallsOfTheTableInOrder) {
  FakeDesktop desktop = DesktopWithOutlook();
  EXPECT_EQ(Send(desktop), platform::HandOff::Completed);
  EXPECT_EQ(desktop.journal, kFullSequence);
}

TEST(SendWithOutlook, AttachmentIsAddedOnlyWhenItNamesANormalFile) {
  struct AttachmentCase {
    const char* name;
    std::u16string path;
    Journal lookups;
    Journal adds;
  };
  const AttachmentCase cases[] = {
      {"empty: no lookup", u"", {}, {}},
      {"no normal file: skipped quietly", u"C:\\in\\gone.pdf", {"find \"C:\\in\\gone.pdf\" -> \"\""}, {}},
      {"wildcard: the path goes over unchanged", u"C:\\in\\*.pdf", {"find \"C:\\in\\*.pdf\" -> \"a.pdf\""},
       {"call Attachments.Add(StringByRef \"C:\\in\\*.pdf\")"}},
      {"relative: Outlook gets the full path", u"in\\a.pdf",
       {"find \"in\\a.pdf\" -> \"a.pdf\"", "fullpath \"in\\a.pdf\" -> \"C:\\Work\\in\\a.pdf\""},
       {"call Attachments.Add(StringByRef \"C:\\Work\\in\\a.pdf\")"}},
  };
  for (const AttachmentCase& attachmentCase : cases) {
    SCOPED_TRACE(attachmentCase.name);
    FakeDesktop desktop = DesktopWithOutlook();
    desktop.fileNames[u"in\\a.pdf"] = u"a.pdf";
    Send(desktop, attachmentCase.path);
    EXPECT_EQ(desktop.Lines("f"), attachmentCase.lookups);
    EXPECT_EQ(desktop.Lines("call Attachments"), attachmentCase.adds);
    // The read receipt is switched off with or without an attachment.
    EXPECT_EQ(desktop.Lines("set CreateItem.ReadReceiptRequested").size(), 1u);
    EXPECT_EQ(desktop.Lines("call CreateItem.Display").size(), 1u);
    EXPECT_TRUE(desktop.Lines("message").empty());
  }
}

TEST(SendWithOutlook, FailureAtAnyStepShowsOneBoxSkipsTheRestAndReleasesInOrder) {
  struct StepCase {
    std::string failingLine;
    Journal releasesBeforeMessage;
    Journal releasesAfterMessage;
  };
  const StepCase cases[] = {
      {"create Outlook.Application", {}, {}},
      {"call Outlook.Application.CreateItem", {}, {"release Outlook.Application"}},
      {"set CreateItem.To", {}, {"release Outlook.Application", "release CreateItem"}},
      {"set CreateItem.Subject", {}, {"release Outlook.Application", "release CreateItem"}},
      {"set CreateItem.Body", {}, {"release Outlook.Application", "release CreateItem"}},
      {"find ", {}, {"release Outlook.Application", "release CreateItem"}},
      {"get CreateItem.Attachments", {}, {"release Outlook.Application", "release CreateItem"}},
      {"call Attachments.Add", {"release Attachments"}, {"release Outlook.Application", "release CreateItem"}},
      {"set CreateItem.ReadReceiptRequested", {}, {"release Outlook.Application", "release CreateItem"}},
      {"call CreateItem.Display", {}, {"release Outlook.Application", "release CreateItem"}},
  };
  for (const StepCase& stepCase : cases) {
    SCOPED_TRACE(stepCase.failingLine);
    FakeDesktop desktop = DesktopWithOutlook();
    desktop.FailWhen(stepCase.failingLine, platform::Failure(-2147467259, u"Unspecified error"));
    EXPECT_EQ(Send(desktop), platform::HandOff::Failed);

    Journal expected;
    for (const std::string& line : kFullSequence) {
      expected.push_back(line);
      if (line.starts_with(stepCase.failingLine)) break;
    }
    expected.back() += " FAILS";
    expected.insert(expected.end(), stepCase.releasesBeforeMessage.begin(), stepCase.releasesBeforeMessage.end());
    expected.push_back("message 16 \"Error: -2147467259 Unspecified error\"");
    expected.insert(expected.end(), stepCase.releasesAfterMessage.begin(), stepCase.releasesAfterMessage.end());
    EXPECT_EQ(desktop.journal, expected);
  }
}

TEST(SendWithOutlook, NotInstalledIsToldByTheNumberAlone) {
  for (const char* step : {"create Outlook.Application", "call CreateItem.Display"}) {
    SCOPED_TRACE(step);
    FakeDesktop desktop = DesktopWithOutlook();
    desktop.FailWhen(step, platform::MakeFailure(platform::RuntimeError::CannotCreateObject));
    EXPECT_EQ(Send(desktop), platform::HandOff::ClientNotInstalled);
    EXPECT_EQ(desktop.Lines("message"), (Journal{"message 16 \"Microsoft Outlook is not installed!\""}));
  }
}

TEST(SendWithOutlook, EmptyValuesAreStillSetAndEmptyDescriptionKeepsItsBlank) {
  FakeDesktop desktop;
  desktop.FailWhen("call CreateItem.Display", platform::Failure(5, u""));
  outlook::SendWithOutlook(desktop, u"", u"", u"", u"");
  EXPECT_EQ(desktop.Lines("set "), (Journal{"set CreateItem.To = String \"\"", "set CreateItem.Subject = String \"\"",
                                            "set CreateItem.Body = String \"\"",
                                            "set CreateItem.ReadReceiptRequested = Boolean false"}));
  EXPECT_EQ(desktop.Lines("message"), (Journal{"message 16 \"Error: 5 \""}));
}

TEST(ComposeOutlookItem, PassesTheFieldsInTheComposersOrder) {
  FakeDesktop desktop = DesktopWithOutlook();
  mailfile::MailFields fields{u"to@x", u"subj", u"body\r", u"C:\\in\\a.pdf"};
  outlook::ComposeOutlookItem(desktop, fields);
  EXPECT_EQ(desktop.Lines("set CreateItem.To"), (Journal{"set CreateItem.To = String \"to@x\""}));
  EXPECT_EQ(desktop.Lines("set CreateItem.Subject"), (Journal{"set CreateItem.Subject = String \"subj\""}));
  EXPECT_EQ(desktop.Lines("call Attachments"), (Journal{"call Attachments.Add(StringByRef \"C:\\in\\a.pdf\")"}));
}

}  // namespace
