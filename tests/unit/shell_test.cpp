#include <gtest/gtest.h>

#include "fake_desktop.h"
#include "shell/form1.h"
#include "shell/main.h"

namespace {

using testing_support::FakeDesktop;
using Journal = std::vector<std::string>;

// How the composer says its hand-off ended.
platform::HandOff composerAnswer = platform::HandOff::Completed;

platform::HandOff RecordingComposer(platform::Desktop& desktop, mailfile::MailFields& fields) {
  static_cast<FakeDesktop&>(desktop).journal.push_back("compose " + testing_support::Quoted(fields.subject));
  return composerAnswer;
}

const shell::Program kProgram{u"Quorvel", u"Send Email with Lotus Notes", RecordingComposer};

FakeDesktop DesktopWithMailFile() {
  FakeDesktop desktop;
  desktop.fileNames[u"C:\\m.txt"] = u"m.txt";
  desktop.mailFiles[u"C:\\m.txt"].bytes = "[SUBJECT]\r\nHi\r\n";
  return desktop;
}

TEST(Main, ChoosesTheModeByWhetherTheTailIsEmptyAndEndsWithTheExitCode) {
  using platform::HandOff;
  const Journal handedOff = {"find \"C:\\m.txt\" -> \"m.txt\"", "open \"C:\\m.txt\"", "close", "compose \"Hi\""};
  struct TailCase {
    std::u16string tail;
    HandOff answer;
    bool windowShown;
    Journal journal;
    int exitCode;
  };
  const TailCase cases[] = {
      {u"", HandOff::Failed, true, {}, 0},
      {u"C:\\m.txt", HandOff::Completed, false, handedOff, 0},
      {u"C:\\m.txt", HandOff::ClientNotInstalled, false, handedOff, 3},
      {u"C:\\m.txt", HandOff::Failed, false, handedOff, 4},
      {u"   ", HandOff::Completed, false, {"find \"   \" -> \"\""}, 2},
      // A path in double quotes, as Explorer hands a dropped file over, is the path between them.
      {u"\"C:\\m.txt\"", HandOff::Completed, false, handedOff, 0},
      {u"\"\"", HandOff::Completed, false, {}, 2},
      {u"\"", HandOff::Completed, false, {"find \"\"\" -> \"\""}, 2},
      {u"\"C:\\m.txt\" ", HandOff::Completed, false, {"find \"\"C:\\m.txt\" \" -> \"\""}, 2},
      {u"\"C:\\m.txt\" \"C:\\m.txt\"", HandOff::Completed, false,
       {"find \"\"C:\\m.txt\" \"C:\\m.txt\"\" -> \"\""}, 2},
      {u"C:\\m.txt C:\\m.txt", HandOff::Completed, false, {"find \"C:\\m.txt C:\\m.txt\" -> \"\""}, 2},
  };
  for (const TailCase& tailCase : cases) {
    SCOPED_TRACE(testing_support::Quoted(tailCase.tail) + " exit " + std::to_string(tailCase.exitCode));
    FakeDesktop desktop = DesktopWithMailFile();
    desktop.commandLineTail = tailCase.tail;
    composerAnswer = tailCase.answer;
    bool windowShown = false;
    EXPECT_EQ(shell::Main(desktop, kProgram, [&] { windowShown = true; }), tailCase.exitCode);
    EXPECT_EQ(windowShown, tailCase.windowShown);
    EXPECT_EQ(desktop.journal, tailCase.journal);
  }
}

TEST(Main, FailureOfTheReaderLeavesMain) {
  FakeDesktop desktop = DesktopWithMailFile();
  desktop.commandLineTail = u"C:\\m.txt";
  desktop.FailWhen("open \"C:\\m.txt\"", platform::MakeFailure(platform::RuntimeError::BadFileName));
  EXPECT_THROW(shell::Main(desktop, kProgram, [] {}), platform::Failure);
}

class FakeView final : public shell::Form1View {
 public:
  std::u16string txtEMailText() override { return text; }
  void SetTxtEMailText(const std::u16string& newText) override { text = newText; }
  void Unload() override { unloaded = true; }

  std::u16string text;
  bool unloaded = false;
};

TEST(Form1, LoadFillsInTestTxtBesideTheProgramUnchanged) {
  for (const std::u16string folder : {u"C:\\Tools", u"C:\\"}) {
    FakeDesktop desktop;
    desktop.programFolder = folder;
    FakeView view;
    shell::Form1(desktop, kProgram, view).Form_Load();
    EXPECT_EQ(view.text, folder + u"\\Test.txt");
    EXPECT_TRUE(desktop.journal.empty());
  }
}

TEST(Form1, SendChecksThePathThenHandsOffOrTellsItIsMissing) {
  struct SendCase {
    std::u16string path;
    Journal journal;
  };
  const SendCase cases[] = {
      {u"", {}},
      {u"C:\\m.txt",
       {"find \"C:\\m.txt\" -> \"m.txt\"", "find \"C:\\m.txt\" -> \"m.txt\"", "open \"C:\\m.txt\"", "close",
        "compose \"Hi\""}},
      {u"  ", {"find \"  \" -> \"\"", "message 0 \"File not found:   \""}},
      {u"C:\\gone.txt", {"find \"C:\\gone.txt\" -> \"\"", "message 0 \"File not found: C:\\gone.txt\""}},
      {u"\"\"", {}},
      {u"\"C:\\m.txt\"",
       {"find \"C:\\m.txt\" -> \"m.txt\"", "find \"C:\\m.txt\" -> \"m.txt\"", "open \"C:\\m.txt\"", "close",
        "compose \"Hi\""}},
      {u"\"C:\\gone.txt\"",
       {"find \"C:\\gone.txt\" -> \"\"", "message 0 \"File not found: \"C:\\gone.txt\"\""}},
  };
  for (const SendCase& sendCase : cases) {
    SCOPED_TRACE(testing_support::Quoted(sendCase.path));
    FakeDesktop desktop = DesktopWithMailFile();
    FakeView view;
    view.text = sendCase.path;
    shell::Form1 form(desktop, kProgram, view);
    form.cmdSend_Click();
    EXPECT_EQ(desktop.journal, sendCase.journal);
    EXPECT_EQ(view.text, sendCase.path);
    EXPECT_FALSE(view.unloaded);
  }
}

TEST(Form1, CloseUnloadsTheWindow) {
  FakeDesktop desktop;
  FakeView view;
  shell::Form1(desktop, kProgram, view).cmdExit_Click();
  EXPECT_TRUE(view.unloaded);
}

}  // namespace
