#include "outlook/send_with_outlook.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "expected_journal.h"
#include "fake_desktop.h"
#include "composers.h"

namespace {

using oracles::Attachment;
using testing_support::FakeDesktop;
using testing_support::JournalOf;
using Journal = std::vector<std::string>;

const Attachment kReport{.path = u"C:\\in\\a.pdf", .name = u"a.pdf"};

platform::HandOff Send(FakeDesktop& desktop, const std::u16string& attachment = kReport.path) {
  return outlook::SendWithOutlook(desktop, u"Order confirmed", attachment, u"Purchasing Team", u"Hello,\r\r");
}

std::vector<oracles::Step> Item(Attachment attachment = kReport) {
  return oracles::OutlookRun({.subject = u"Order confirmed",
                              .address = u"Purchasing Team",
                              .body = u"Hello,\r\r",
                              .attachments = {attachment}});
}

// The index of the step whose journal line starts with prefix.
std::size_t StepOf(const std::vector<oracles::Step>& steps, const std::string& prefix) {
  const Journal lines = JournalOf(steps);
  return static_cast<std::size_t>(
      std::ranges::find_if(lines, [&](const std::string& line) { return line.starts_with(prefix); }) - lines.begin());
}

FakeDesktop DesktopWithOutlook() {
  FakeDesktop desktop;
  desktop.fileNames[kReport.path] = kReport.name;
  desktop.fileNames[u"C:\\in\\*.pdf"] = u"a.pdf";
  return desktop;
}

TEST(SendWithOutlook, MakesTheCallsOfTheTableInOrder) {
  FakeDesktop desktop = DesktopWithOutlook();
  EXPECT_EQ(Send(desktop), platform::HandOff::Completed);
  EXPECT_EQ(desktop.journal, JournalOf(Item()));
}

// The read receipt is switched off with or without an attachment.
TEST(SendWithOutlook, AttachmentIsAddedOnlyWhenItNamesANormalFile) {
  struct AttachmentCase {
    const char* name;
    Attachment attachment;
  };
  const AttachmentCase cases[] = {
      {"empty: no lookup", {}},
      {"no normal file: skipped quietly", {.path = u"C:\\in\\gone.pdf"}},
      {"wildcard: the path goes over unchanged", {.path = u"C:\\in\\*.pdf", .name = u"a.pdf"}},
      {"relative: Outlook gets the full path",
       {.path = u"in\\a.pdf", .name = u"a.pdf", .fullPath = u"C:\\Work\\in\\a.pdf"}},
  };
  for (const AttachmentCase& attachmentCase : cases) {
    SCOPED_TRACE(attachmentCase.name);
    FakeDesktop desktop = DesktopWithOutlook();
    desktop.fileNames[u"in\\a.pdf"] = u"a.pdf";
    Send(desktop, attachmentCase.attachment.path);
    EXPECT_EQ(desktop.journal, JournalOf(Item(attachmentCase.attachment)));
  }
}

TEST(SendWithOutlook, FailureAtAnyStepShowsOneBoxSkipsTheRestAndReleasesInOrder) {
  const std::vector<oracles::Step> item = Item();
  const Journal complete = JournalOf(item);
  int stepsFailed = 0;
  for (std::size_t step = 0; step < item.size(); ++step) {
    if (!oracles::CanFail(item[step])) continue;
    SCOPED_TRACE(complete[step]);
    FakeDesktop desktop = DesktopWithOutlook();
    desktop.FailWhen(complete[step], platform::Failure(-2147467259, u"Unspecified error"));
    EXPECT_EQ(Send(desktop), platform::HandOff::Failed);
    EXPECT_EQ(desktop.journal, JournalOf(oracles::FailedAt(item, step, u"Error: -2147467259 Unspecified error")));
    ++stepsFailed;
  }
  EXPECT_EQ(stepsFailed, 10);
}

TEST(SendWithOutlook, NotInstalledIsToldByTheNumberAlone) {
  for (const char* step : {"create Outlook.Application", "call CreateItem.Display"}) {
    SCOPED_TRACE(step);
    FakeDesktop desktop = DesktopWithOutlook();
    desktop.FailWhen(step, platform::MakeFailure(platform::RuntimeError::CannotCreateObject));
    EXPECT_EQ(Send(desktop), platform::HandOff::ClientNotInstalled);
    EXPECT_EQ(desktop.journal,
              JournalOf(oracles::FailedAt(Item(), StepOf(Item(), step), oracles::kOutlookNotInstalled)));
  }
}

TEST(SendWithOutlook, EmptyValuesAreStillSetAndEmptyDescriptionKeepsItsBlank) {
  FakeDesktop desktop;
  desktop.FailWhen("call CreateItem.Display", platform::Failure(5, u""));
  outlook::SendWithOutlook(desktop, u"", u"", u"", u"");
  const std::vector<oracles::Step> item = oracles::OutlookRun({});
  EXPECT_EQ(desktop.journal, JournalOf(oracles::FailedAt(item, StepOf(item, "call CreateItem.Display"), u"Error: 5 ")));
}

// A lookup that fails, rather than finds nothing, ends the hand-off as failed:
// one box, and no item displayed.
TEST(SendWithOutlook, FailingAttachmentLookupIsReportedAndTheItemIsNotDisplayed) {
  for (const auto& [name, failure, box] : testing_support::AttachmentLookupFailures()) {
    SCOPED_TRACE(name);
    FakeDesktop desktop = DesktopWithOutlook();
    desktop.FailWhen("find " + testing_support::Quoted(kReport.path), failure);
    EXPECT_EQ(Send(desktop), platform::HandOff::Failed);
    EXPECT_EQ(desktop.journal, JournalOf(oracles::FailedAt(Item(), StepOf(Item(), "find"), box)));
  }
}

TEST(ComposeOutlookItem, PassesTheFieldsInTheComposersOrder) {
  FakeDesktop desktop = DesktopWithOutlook();
  mailfile::MailFields fields{u"to@x", u"subj", u"body\r", kReport.path};
  outlook::ComposeOutlookItem(desktop, fields);
  EXPECT_EQ(desktop.journal,
            JournalOf(oracles::OutlookRun(
                {.subject = u"subj", .address = u"to@x", .body = u"body\r", .attachments = {kReport}})));
}

}  // namespace
