// The window driven as a user drives it: keyboard focus and keys, the ways
// to end the program, "Send" with every kind of path, hand-offs to the
// stand-in mail clients, and "Send" or "Close" arriving while Quorvel's
// hand-off processes the waiting messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "expectations.h"
#include "ui_driver.h"

namespace ui_tests {
namespace {

using e2e::Client;

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::string ClientName(Client client) { return Narrow(e2e::ProgramName(client)); }

void ExpectWindowStaysWithPath(RunningProgram& program, const std::wstring& path) {
  EXPECT_TRUE(program.FormShown()) << "the window closed";
  EXPECT_TRUE(program.Settle()) << "the window does not answer";
  EXPECT_EQ(program.PathText(), path);
  EXPECT_TRUE(program.IsRunning());
}

std::vector<std::wstring> Matching(const std::vector<std::wstring>& journal, std::wstring_view part) {
  std::vector<std::wstring> lines;
  for (const std::wstring& line : journal) {
    if (line.find(part) != std::wstring::npos) lines.push_back(line);
  }
  return lines;
}

// The line a stand-in writes when the composed message is on screen.
std::wstring OpenedLine(Client client) {
  return client == Client::Notes ? L"observe memo-window opened" : L"observe message-window opened";
}

// Waits until the stand-in has opened this many messages and every object
// the program got is released again: the hand-offs are complete. An attached
// file's object, a result the program did not want, Wine's proxy holds on to
// until the program ends.
std::vector<std::wstring> WaitForHandOffs(const e2e::StandinSession& standin, Client client, std::size_t count) {
  std::vector<std::wstring> journal;
  for (int attempt = 0; attempt < 300; ++attempt) {
    journal = standin.Journal();
    if (e2e::LinesStartingWith(journal, OpenedLine(client)).size() >= count &&
        e2e::UnreleasedObjects(e2e::ClientEvents(journal)).empty()) {
      break;
    }
    Sleep(100);
  }
  return journal;
}

std::wstring JournalText(const std::vector<std::wstring>& journal) {
  std::wstring text;
  for (const std::wstring& line : journal) text += line + L"\n";
  return text;
}

std::wstring SubjectPut(const std::wstring& subject) { return L".Subject(" + e2e::Bstr(subject) + L")"; }

e2e::StandinSetup StandinFor(Client client) {
  e2e::StandinSetup setup;
  setup.client = client;
  return setup;
}

std::string MailFile(const std::string& subject) {
  return "[ADDRESS]\r\nSales Team\r\n[SUBJECT]\r\n" + subject + "\r\n[BODY]\r\nHello\r\n";
}

// The scene of a hand-off: a mail file, the client's stand-in set up and
// registered, and the program's window with the file's path in its box.
struct HandOffScene {
  HandOffScene(const std::wstring& caseName, Client client, const std::string& subject,
               const e2e::StandinSetup& setup)
      : files(caseName), mail(files.Write(L"mail.txt", MailFile(subject))), standin(files, setup), program(client) {
    if (program.HasWindow()) program.SetPathText(mail);
  }
  HandOffScene(const std::wstring& caseName, Client client, const std::string& subject)
      : HandOffScene(caseName, client, subject, StandinFor(client)) {}
  bool Ready() const { return standin.Registered() && program.HasWindow(); }

  const e2e::CaseFiles files;
  const std::wstring mail;
  const e2e::StandinSession standin;
  RunningProgram program;
};

// ---- Keys ----------------------------------------------------------------

TEST(Keys, FocusStartsOnCloseAndTabRunsCloseThePathBoxAndSend) {
  RunningProgram program(Client::Notes);
  ASSERT_TRUE(program.HasWindow());
  ASSERT_TRUE(program.Settle());
  EXPECT_EQ(program.FocusedControl(), kCmdExit);
  ASSERT_TRUE(program.BringToFront());

  const int forward[] = {kTxtEMail, kCmdSend, kCmdExit, kTxtEMail};
  for (const int expected : forward) {
    program.PressKey(VK_TAB);
    EXPECT_EQ(program.FocusedControl(), expected);
  }
  const int backward[] = {kCmdExit, kCmdSend, kTxtEMail};
  for (const int expected : backward) {
    program.PressKey(VK_TAB, /*withShift=*/true);
    EXPECT_EQ(program.FocusedControl(), expected);
  }
}

// The window has neither a default nor a cancel button.
TEST(Keys, EscapeDoesNothingOnCloseNorEnterAndEscapeInThePathBox) {
  RunningProgram program(Client::Notes);
  ASSERT_TRUE(program.HasWindow());
  ASSERT_TRUE(program.BringToFront());
  const std::wstring path = program.PathText();
  program.PressKey(VK_ESCAPE);  // on "Close"
  EXPECT_TRUE(program.NoBoxOnceSettled());
  ExpectWindowStaysWithPath(program, path);
  program.PressKey(VK_TAB);
  ASSERT_EQ(program.FocusedControl(), kTxtEMail);
  for (const WORD key : {VK_RETURN, VK_ESCAPE}) {
    program.PressKey(key);
    EXPECT_TRUE(program.NoBoxOnceSettled());
    ExpectWindowStaysWithPath(program, path);
  }
}

TEST(Keys, SpaceOrEnterOnTheFocusedSendButtonPressesIt) {
  RunningProgram program(Client::Notes);
  ASSERT_TRUE(program.HasWindow());
  ASSERT_TRUE(program.BringToFront());
  const std::wstring missing = BinFolder() + L"\\no-such-mail-file.txt";
  program.SetPathText(missing);
  program.PressKey(VK_TAB);
  program.PressKey(VK_TAB);
  for (const WORD key : {VK_SPACE, VK_RETURN}) {
    SCOPED_TRACE(key == VK_SPACE ? "Space" : "Enter");
    ASSERT_TRUE(program.BringToFront());
    ASSERT_EQ(program.FocusedControl(), kCmdSend);
    program.PressKey(key);
    const std::optional<BoxSeen> box = program.NextBox();
    ASSERT_TRUE(box.has_value()) << "the key did not press Send";
    EXPECT_EQ(box->text, L"File not found: " + missing);
    EXPECT_TRUE(program.NoBoxOnceSettled()) << "pressed more than once";
  }
}

// ---- Ending --------------------------------------------------------------

enum class Way { CloseButton, SpaceOnClose, EnterOnClose, CloseBox, AltF4 };

struct EndingCase {
  const char* name;
  Client client;
  Way way;
};

constexpr EndingCase kEndings[] = {
    {"CloseButton_Quorvel", Client::Notes, Way::CloseButton},
    {"CloseButton_Zembrik", Client::Outlook, Way::CloseButton},
    {"SpaceOnClose", Client::Notes, Way::SpaceOnClose},
    {"EnterOnClose", Client::Outlook, Way::EnterOnClose},
    {"CloseBox_Quorvel", Client::Notes, Way::CloseBox},
    {"CloseBox_Zembrik", Client::Outlook, Way::CloseBox},
    {"AltF4", Client::Outlook, Way::AltF4},
};

class Ending : public testing::TestWithParam<EndingCase> {};

TEST_P(Ending, EndsTheProgramWithoutAQuestion) {
  RunningProgram program(GetParam().client);
  ASSERT_TRUE(program.HasWindow());
  ASSERT_TRUE(program.Settle());
  switch (GetParam().way) {
    case Way::CloseButton:
      program.Click(kCmdExit);
      break;
    case Way::SpaceOnClose:
      ASSERT_TRUE(program.BringToFront());
      program.PressKey(VK_SPACE);
      break;
    case Way::EnterOnClose:
      ASSERT_TRUE(program.BringToFront());
      program.PressKey(VK_RETURN);
      break;
    case Way::CloseBox:
      ASSERT_TRUE(program.BringToFront());
      ASSERT_TRUE(program.ClickCloseBox()) << "no close box in the title bar";
      break;
    case Way::AltF4:
      ASSERT_TRUE(program.BringToFront());
      // On a busy machine the new window's X focus can reach Wine after Alt
      // went down: Wine then takes the X server's key state, where Alt is
      // up, and F4 arrives alone. Once the program has taken the keys, a
      // window still up with no box shows that: press again.
      for (int press = 0; press < 3; ++press) {
        program.PressKey(VK_F4, false, /*withAlt=*/true);
        if (!program.FormShown() || !program.NoBoxOnceSettled()) break;
      }
      break;
  }
  EXPECT_FALSE(program.NextBox(2s).has_value()) << "a box appeared";
  ASSERT_TRUE(program.WaitForEnd()) << "the program did not end";
  EXPECT_EQ(program.ExitCode(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Ways, Ending, testing::ValuesIn(kEndings),
                         [](const testing::TestParamInfo<EndingCase>& info) { return info.param.name; });

// ---- Send ----------------------------------------------------------------

TEST(Send, EmptyPathDoesNothing) {
  RunningProgram program(Client::Notes);
  ASSERT_TRUE(program.HasWindow());
  for (const std::wstring empty : {L"", L"\"\""}) {
    program.SetPathText(empty);
    program.Click(kCmdSend);
    EXPECT_TRUE(program.NoBoxOnceSettled());
    ExpectWindowStaysWithPath(program, empty);
  }
}

TEST(Send, PathsThatNameNoNormalFileAreReportedAsNotFound) {
  const e2e::CaseFiles files(L"ui.not_found");
  files.Write(L"mail.txt", MailFile("Hi"));
  struct PathCase {
    const char* name;
    std::wstring path;
  };
  const PathCase cases[] = {
      {"blanks only", L"   "},
      {"missing file", files.Path(L"no-such-mail.txt")},
      {"folder", files.MakeFolder(L"a-folder")},
      {"hidden file", files.WriteHidden(L"hidden-mail.txt", MailFile("Hidden"))},
      {"missing file in quotes, told as typed", L"\"" + files.Path(L"no-such-mail.txt") + L"\""},
  };
  for (const Client client : {Client::Notes, Client::Outlook}) {
    RunningProgram program(client);
    ASSERT_TRUE(program.HasWindow());
    for (const PathCase& test : cases) {
      SCOPED_TRACE(ClientName(client) + ": " + test.name);
      program.SetPathText(test.path);
      program.Click(kCmdSend);
      const std::optional<BoxSeen> box = program.NextBox();
      ASSERT_TRUE(box.has_value()) << "no message";
      EXPECT_EQ(box->title, program.Name());
      EXPECT_EQ(box->text, L"File not found: " + test.path);
      EXPECT_EQ(box->icon, BoxIcon::None) << Narrow(IconName(box->icon));
      EXPECT_EQ(box->buttons, std::vector<std::wstring>{L"OK"});
      EXPECT_TRUE(box->ownedByForm) << "the box is not modal to the window";
      EXPECT_TRUE(program.NoBoxOnceSettled()) << "a second box";
      ExpectWindowStaysWithPath(program, test.path);
    }
  }
}

TEST(Send, AWildcardPathReachesTheReaderWhichFailsAndTheWindowStaysUsable) {
  const e2e::CaseFiles files(L"ui.wildcard");
  files.Write(L"mail.txt", MailFile("Hi"));
  for (const Client client : {Client::Notes, Client::Outlook}) {
    SCOPED_TRACE(ClientName(client));
    const e2e::StandinSession standin(files, StandinFor(client));
    RunningProgram program(client);
    ASSERT_TRUE(program.HasWindow());
    const std::wstring path = files.Path(L"ma?l.*");
    program.SetPathText(path);
    program.Click(kCmdSend);
    const std::optional<BoxSeen> box = program.NextBox();
    ASSERT_TRUE(box.has_value()) << "no message";
    EXPECT_EQ(box->title, program.Name());
    EXPECT_EQ(box->text, e2e::GeneralMessage(oracles::errors::BadFileName));
    EXPECT_EQ(box->icon, BoxIcon::Critical) << Narrow(IconName(box->icon));
    EXPECT_EQ(box->buttons, std::vector<std::wstring>{L"OK"});
    ExpectWindowStaysWithPath(program, path);
    EXPECT_TRUE(standin.Journal().empty()) << "the mail client was reached";

    // Still usable: the next click goes through again.
    program.Click(kCmdSend);
    EXPECT_TRUE(program.NextBox().has_value());
    program.Click(kCmdExit);
    EXPECT_TRUE(program.WaitForEnd());
    EXPECT_EQ(program.ExitCode(), 0u);
  }
}

struct ClientCase {
  Client client;
  const wchar_t* notInstalled;
  const wchar_t* midHandOff;  // a member called in the middle of a hand-off
};

constexpr ClientCase kClients[] = {
    {Client::Notes, L"Lotus Notes is not installed!", L"OPENMAIL"},
    {Client::Outlook, L"Microsoft Outlook is not installed!", L"Subject"},
};

std::string ClientCaseName(const testing::TestParamInfo<ClientCase>& info) { return ClientName(info.param.client); }

class SendTo : public testing::TestWithParam<ClientCase> {};

TEST_P(SendTo, AGoodFileIsHandedOffAtEachClickWithThePathInTheBox) {
  const Client client = GetParam().client;
  HandOffScene scene(L"ui.hand_off_" + e2e::ProgramName(client), client, "First subject");
  ASSERT_TRUE(scene.Ready());
  auto& [files, first, standin, program] = scene;
  const std::wstring second = files.Write(L"second.txt", MailFile("Second subject"));

  program.Click(kCmdSend);
  std::vector<std::wstring> journal = WaitForHandOffs(standin, client, 1);
  EXPECT_EQ(Matching(journal, SubjectPut(L"First subject")).size(), 1u) << Narrow(JournalText(journal));
  EXPECT_TRUE(program.NoBoxOnceSettled());
  ExpectWindowStaysWithPath(program, first);

  // The same file again: a new message.
  program.Click(kCmdSend);
  journal = WaitForHandOffs(standin, client, 2);
  EXPECT_EQ(Matching(journal, SubjectPut(L"First subject")).size(), 2u) << Narrow(JournalText(journal));

  // An edited path: the file the box names at the click.
  program.SetPathText(second);
  program.Click(kCmdSend);
  journal = WaitForHandOffs(standin, client, 3);
  EXPECT_EQ(Matching(journal, SubjectPut(L"Second subject")).size(), 1u) << Narrow(JournalText(journal));
  EXPECT_TRUE(program.NoBoxOnceSettled());
  ExpectWindowStaysWithPath(program, second);

  // A path pasted from Explorer's "Copy as path", in double quotes.
  const std::wstring copiedAsPath = L"\"" + first + L"\"";
  program.SetPathText(copiedAsPath);
  program.Click(kCmdSend);
  journal = WaitForHandOffs(standin, client, 4);
  EXPECT_EQ(Matching(journal, SubjectPut(L"First subject")).size(), 3u) << Narrow(JournalText(journal));
  EXPECT_TRUE(e2e::UnreleasedObjects(journal).empty()) << Narrow(JournalText(journal));
  EXPECT_TRUE(program.NoBoxOnceSettled());
  ExpectWindowStaysWithPath(program, copiedAsPath);
}

TEST_P(SendTo, AMissingMailClientIsReportedAndTheWindowStays) {
  const Client client = GetParam().client;
  e2e::StandinSetup setup = StandinFor(client);
  setup.classes = std::vector<std::wstring>{};  // none registered
  HandOffScene scene(L"ui.not_installed_" + e2e::ProgramName(client), client, "Hi", setup);
  ASSERT_TRUE(scene.Ready());
  auto& [files, mail, standin, program] = scene;
  program.Click(kCmdSend);
  const std::optional<BoxSeen> box = program.NextBox(30s);
  ASSERT_TRUE(box.has_value()) << "no message";
  EXPECT_EQ(box->title, program.Name());
  EXPECT_EQ(box->text, GetParam().notInstalled);
  EXPECT_EQ(box->icon, BoxIcon::Critical) << Narrow(IconName(box->icon));
  EXPECT_TRUE(program.NoBoxOnceSettled()) << "a second box";
  ExpectWindowStaysWithPath(program, mail);
}

TEST_P(SendTo, AMailClientThatDiesIsReportedOnceAndTheNextSendStartsItAgain) {
  const Client client = GetParam().client;
  const e2e::CaseFiles files(L"ui.client_dies_" + e2e::ProgramName(client));
  const std::wstring mail = files.Write(L"mail.txt", MailFile("After a crash"));
  RunningProgram program(client);
  ASSERT_TRUE(program.HasWindow());
  program.SetPathText(mail);
  {
    e2e::StandinSetup setup = StandinFor(client);
    setup.faults = {e2e::MakeFault(GetParam().midHandOff, standins::Fault::Kind::Dies)};
    const e2e::StandinSession standin(files, setup);
    ASSERT_TRUE(standin.Registered());
    program.Click(kCmdSend);
    const std::optional<BoxSeen> box = program.NextBox(30s);
    ASSERT_TRUE(box.has_value()) << "no message";
    EXPECT_EQ(box->text, e2e::GeneralMessage(e2e::kServerDiedHresult, e2e::SystemText(e2e::kServerDiedHresult)));
    EXPECT_EQ(box->icon, BoxIcon::Critical) << Narrow(IconName(box->icon));
    EXPECT_TRUE(program.NoBoxOnceSettled()) << "a second box";
    ExpectWindowStaysWithPath(program, mail);
    const std::vector<std::wstring> journal = standin.Journal();
    EXPECT_EQ(e2e::LinesStartingWith(journal, L"server-dies ").size(), 1u) << Narrow(JournalText(journal));
  }
  // The same window, a mail client that stays up: a new process, a whole
  // hand-off. The new session registers the classes afresh, as Windows forgets
  // the class objects of a server that died; Wine's rpcss would hand the dead
  // one out again and the creation would fail as "not registered".
  const e2e::StandinSession standin(files, StandinFor(client));
  ASSERT_TRUE(standin.Registered());
  program.Click(kCmdSend);
  const std::vector<std::wstring> journal = WaitForHandOffs(standin, client, 1);
  const std::string text = Narrow(JournalText(journal));
  EXPECT_EQ(e2e::LinesStartingWith(journal, OpenedLine(client)).size(), 1u) << text;
  EXPECT_EQ(e2e::LinesStartingWith(journal, L"server-start ").size(), 1u) << text;
  EXPECT_EQ(Matching(journal, SubjectPut(L"After a crash")).size(), 1u) << text;
  EXPECT_TRUE(e2e::UnreleasedObjects(journal).empty()) << text;
  EXPECT_TRUE(program.NoBoxOnceSettled());
  ExpectWindowStaysWithPath(program, mail);
}

// The release ZIP unpacked (ui.unpack_release_zip), the program started there
// as a double-click does: "Send" on the path the window offers hands over
// Test.txt, and the client gets its attachment, named from the program's
// folder, by its full path.
TEST_P(SendTo, TheFirstSendAfterUnzippingAttachesTheSample) {
  const Client client = GetParam().client;
  wchar_t folder[MAX_PATH] = {};
  WIN32_FIND_DATAW unpacked;
  const platform::win32::UniqueFindHandle search(
      FindFirstFileW((BinFolder() + L"\\..\\unpacked-release\\Quorvel-Zembrik-*").c_str(), &unpacked));
  ASSERT_TRUE(search.Valid()) << "no unpacked release ZIP: run scripts/package.sh first";
  GetFullPathNameW((BinFolder() + L"\\..\\unpacked-release\\" + unpacked.cFileName).c_str(), MAX_PATH, folder, nullptr);
  const e2e::CaseFiles files(L"ui.first_send_" + e2e::ProgramName(client));
  const e2e::StandinSession standin(files, StandinFor(client));
  RunningProgram program(client, folder);
  ASSERT_TRUE(standin.Registered() && program.HasWindow());
  program.Click(kCmdSend);
  const std::vector<std::wstring> journal = WaitForHandOffs(standin, client, 1);
  const std::string text = Narrow(JournalText(journal));
  EXPECT_EQ(e2e::LinesStartingWith(journal, OpenedLine(client)).size(), 1u) << text;
  EXPECT_EQ(Matching(journal, SubjectPut(L"Order 4711 confirmed")).size(), 1u) << text;
  EXPECT_EQ(Matching(journal, e2e::BstrRef(std::wstring(folder) + L"\\samples\\order-confirmation.pdf")).size(), 1u)
      << text;
  EXPECT_TRUE(program.NoBoxOnceSettled());
  ExpectWindowStaysWithPath(program, std::wstring(folder) + L"\\Test.txt");
  program.Click(kCmdExit);  // which lets go of the attachment's object too
  EXPECT_TRUE(program.WaitForEnd());
}

INSTANTIATE_TEST_SUITE_P(Clients, SendTo, testing::ValuesIn(kClients), ClientCaseName);

// ---- Re-entry ------------------------------------------------------------

// A click on "Send" and what alsoWaiting posts, waiting together in the
// program's queue before its thread handles the first of them.
void ClickSendWithMoreWaiting(const RunningProgram& program, const std::function<void()>& alsoWaiting) {
  const RunningProgram::Frozen frozen = program.Freeze();
  ASSERT_TRUE(frozen);
  program.Click(kCmdSend);
  alsoWaiting();
}

// Two clicks on "Send" waiting together. Quorvel handles the second while its
// first hand-off pumps messages, as a complete hand-off inside the first;
// Zembrik pumps nothing, and hands off twice in turn.
TEST(Reentry, ASecondSendWaitingDuringAHandOff) {
  for (const Client client : {Client::Notes, Client::Outlook}) {
    SCOPED_TRACE(ClientName(client));
    HandOffScene scene(L"ui.reentry_send_" + e2e::ProgramName(client), client, "Nested");
    ASSERT_TRUE(scene.Ready());
    auto& [files, mail, standin, program] = scene;
    ClickSendWithMoreWaiting(program, [&] { program.Click(kCmdSend); });
    const std::vector<std::wstring> journal = WaitForHandOffs(standin, client, 2);
    const std::string text = Narrow(JournalText(journal));
    ASSERT_EQ(e2e::LinesStartingWith(journal, OpenedLine(client)).size(), 2u) << text;
    EXPECT_TRUE(e2e::UnreleasedObjects(journal).empty()) << text;
    EXPECT_TRUE(program.NoBoxOnceSettled());
    ExpectWindowStaysWithPath(program, mail);

    // Where the second message opened: before the first hand-off's own
    // session object was even created (nested), or after the first message.
    const auto firstOpened = std::find(journal.begin(), journal.end(), OpenedLine(client));
    const auto creations = e2e::LinesStartingWith(journal, L"create ");
    if (client == Client::Notes) {
      // The activation's session of the first hand-off is released only
      // after the whole nested hand-off.
      const auto released = std::find(journal.begin(), journal.end(), L"release session#1");
      ASSERT_NE(released, journal.end()) << text;
      EXPECT_LT(firstOpened, released) << "the second hand-off did not run inside the first\n" << text;
    } else {
      ASSERT_EQ(creations.size(), 2u) << text;
      const auto secondCreated = std::find(journal.begin(), journal.end(), creations[1]);
      EXPECT_LT(firstOpened, secondCreated) << "the hand-offs overlapped\n" << text;
    }
    program.Click(kCmdExit);
    EXPECT_TRUE(program.WaitForEnd());
  }
}

// Tab waiting while Quorvel's hand-off pumps moves the focus, as at rest,
// instead of reaching the focused button as a key of its own.
TEST(Reentry, TabWaitingDuringAQuorvelHandOffMovesTheFocus) {
  HandOffScene scene(L"ui.reentry_tab", Client::Notes, "Tabbed");
  ASSERT_TRUE(scene.Ready());
  auto& [files, mail, standin, program] = scene;
  // The click leaves the focus on "Send"; Tab goes on from there to "Close".
  ClickSendWithMoreWaiting(program, [&] {
    PostMessageW(program.Control(kCmdSend), WM_KEYDOWN, VK_TAB, 1);
    PostMessageW(program.Control(kCmdSend), WM_KEYUP, VK_TAB, static_cast<LPARAM>(0xC0000001u));
  });
  const std::vector<std::wstring> journal = WaitForHandOffs(standin, Client::Notes, 1);
  ASSERT_EQ(e2e::LinesStartingWith(journal, L"observe memo-window opened").size(), 1u) << Narrow(JournalText(journal));
  ASSERT_TRUE(program.BringToFront());
  EXPECT_TRUE(program.Settle());
  EXPECT_EQ(program.FocusedControl(), kCmdExit);
  ExpectWindowStaysWithPath(program, mail);
}

// "Close" or the close box waiting while Quorvel's hand-off pumps: the window
// goes at once, the hand-off runs to its end, then the program ends.
TEST(Reentry, CloseWaitingDuringAQuorvelHandOff) {
  struct CloseCase {
    const char* name;
    std::function<void(const RunningProgram&)> close;
  };
  const CloseCase cases[] = {
      {"Close button", [](const RunningProgram& program) { program.Click(kCmdExit); }},
      {"close box",
       [](const RunningProgram& program) { PostMessageW(program.Form(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  for (const CloseCase& test : cases) {
    SCOPED_TRACE(test.name);
    HandOffScene scene(L"ui.reentry_close", Client::Notes, "Closing");
    ASSERT_TRUE(scene.Ready());
    auto& [files, mail, standin, program] = scene;
    ClickSendWithMoreWaiting(program, [&] { test.close(program); });
    EXPECT_FALSE(program.NextBox(20s).has_value()) << "a box appeared";
    ASSERT_TRUE(program.WaitForEnd(30s)) << "the program did not end";
    EXPECT_EQ(program.ExitCode(), 0u);
    const std::vector<std::wstring> journal = WaitForHandOffs(standin, Client::Notes, 1);
    const std::string text = Narrow(JournalText(journal));
    EXPECT_EQ(e2e::LinesStartingWith(journal, L"observe memo-window opened").size(), 1u) << text;
    EXPECT_EQ(e2e::LinesStartingWith(journal, L"observe memo-window focus=Subject").size(), 1u) << text;
    EXPECT_TRUE(e2e::UnreleasedObjects(journal).empty()) << text;
  }
}

}  // namespace
}  // namespace ui_tests
