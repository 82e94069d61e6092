// One end-to-end case: a mail file and a command line for one program, the
// stand-in mail client registered and set up as the case asks, the run, the
// journal the stand-in wrote, and the clean-up of what the run left open.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/owners.h"
#include "program_run.h"
#include "registration.h"
#include "settings.h"

namespace e2e {

enum class Client { Notes, Outlook };

// A fresh folder for one case's files: build/win32/e2e-work/<case>.
class CaseFiles {
 public:
  explicit CaseFiles(std::wstring_view caseName);
  const std::wstring& Folder() const { return folder_; }
  std::wstring Path(std::wstring_view name) const { return folder_ + L"\\" + std::wstring(name); }
  // Writes bytes to a file of the folder and returns its path.
  std::wstring Write(std::wstring_view name, std::string_view bytes) const;
  // A file the file-name lookup must skip: hidden (set as an attribute, or
  // by a leading dot where the file system keeps no attributes).
  std::wstring WriteHidden(std::wstring_view name, std::string_view bytes) const;
  std::wstring MakeFolder(std::wstring_view name) const;

 private:
  std::wstring folder_;
};

// How one client's stand-in is set up for a case.
struct StandinSetup {
  Client client = Client::Notes;
  standins::NotesWindowMode notesWindow = standins::NotesWindowMode::Normal;
  std::vector<standins::Fault> faults;
  // The classes registered; nullopt: all of the client's classes.
  std::optional<std::vector<std::wstring>> classes;
  // A process of its own, as Notes and Outlook are. In process only where
  // the journal must see the arguments as the program passed them, before
  // Wine's marshalling (the worked examples: Notes' null CopyTo), or where a
  // benchmark times the first call in the program's own process.
  standins::ServerKind server = standins::ServerKind::Local;
};

// What the stand-ins show on screen.
struct StandinWindows {
  bool notesWindowFound = false;
  bool notesWindowMaximized = false;
  bool notesWindowInFront = false;  // it, or a window it owns, is the foreground window
  std::wstring foreground;          // the foreground window's class and process, for messages
  int messageWindows = 0;           // composed messages on screen
};

// The stand-ins' registration and settings file are one per Wine prefix:
// whoever changes them holds this lock, so that two test programs running at
// the same time (two ctest runs, the UI tests and these) take turns, case by
// case. A named mutex lives in the wineserver, across processes; the lock is
// its handle, released and closed with the owner.
struct StandinUnlock {
  void operator()(HANDLE mutex) const {
    ReleaseMutex(mutex);
    CloseHandle(mutex);
  }
};
using StandinLock = std::unique_ptr<void, StandinUnlock>;

// Waits for the lock; empty when it was not to be had.
StandinLock TakeStandinLock();

// One client's stand-in for one case: its classes registered as the setup
// asks, its settings file written with a journal in the case's folder. End(),
// or the destructor, closes what the stand-ins left open, waits for them to
// end and removes the settings file.
class StandinSession {
 public:
  StandinSession(const CaseFiles& files, const StandinSetup& setup);
  ~StandinSession();
  StandinSession(const StandinSession&) = delete;
  StandinSession& operator=(const StandinSession&) = delete;

  bool Registered() const { return lock_ != nullptr && registered_; }
  std::vector<std::wstring> Journal() const;
  StandinWindows Windows() const;
  // Problems met on the way out: a stand-in that did not end.
  std::vector<std::wstring> End();

 private:
  StandinLock lock_ = TakeStandinLock();
  std::wstring journalPath_;
  std::wstring settingsPath_;
  bool registered_ = false;
  bool ended_ = false;
};

// A case in command-line mode: the stand-in, the mail file and the tail.
struct Scenario : StandinSetup {
  // The mail file's bytes, written as mail.txt; nullopt: the case wrote its own.
  std::optional<std::string> mail;
  // The command-line tail; nullopt: the path of mail.txt.
  std::optional<std::wstring> tail;
  // The program's current folder; nullopt: the driver's.
  std::optional<std::wstring> currentFolder;
};

struct Result {
  ProgramRun run;
  std::vector<std::wstring> journal;  // every line the stand-ins wrote
  bool notesWindowFound = false;      // when the program had ended
  bool notesWindowMaximized = false;
  bool notesWindowInFront = false;
  std::wstring foreground;
  int standinWindowsLeft = 0;         // composed messages on screen when the program had ended
  std::vector<std::wstring> cleanupProblems;
};

// Sets the stand-in up, runs the program with the tail, and ends the stand-in.
Result Run(const CaseFiles& files, const Scenario& scenario);

// The programs and stand-ins, beside this driver.
std::wstring ProgramPath(Client client);
// A file beside this driver: MailFileCheck.exe, samples\order.txt.
std::wstring BinPath(std::wstring_view name);
// The lines of a UTF-8 text file, split at LF.
std::vector<std::wstring> ReadLines(const std::wstring& path);
std::wstring ProgramName(Client client);  // "Quorvel", "Zembrik": the box titles

// Waits until a stand-in shows a composed message on this desktop, and a
// moment more for it to be painted; false after 30 s without one.
bool WaitForMessageWindow();

// Registers every class of both stand-ins as local servers.
void RegisterAllStandins();

// Closes every stand-in window on this desktop and waits for the servers to
// end: the demo's way out.
int CloseStandinWindows();

// What the client did, from the journal: creations, lookups, calls, gets,
// puts and releases, in order. A successful result that the program did not
// want (a void member's VT_EMPTY, Notes' embedded object, Outlook's new
// attachment) is left out, with the release of such an object: whether the
// client asks for a result at all is not visible across processes, as Wine's
// proxy always asks.
std::vector<std::wstring> ClientEvents(const std::vector<std::wstring>& journal);

// Objects that appear in the journal (created or returned) with no release,
// leaving out those of a server that died.
std::vector<std::wstring> UnreleasedObjects(const std::vector<std::wstring>& journal);

// Journal lines that start with prefix.
std::vector<std::wstring> LinesStartingWith(const std::vector<std::wstring>& journal, std::wstring_view prefix);

// Argument texts as the journal writes them.
std::wstring Bstr(std::wstring_view text);
std::wstring BstrRef(std::wstring_view text);
inline const std::wstring kNullBstr = L"VT_BSTR null";

// The system's text for an HRESULT, as the programs report it: trailing line
// end removed; empty when the system has none.
std::wstring SystemText(HRESULT result);

// Windows-1252 bytes as the characters they stand for, written independently
// of the programs' own decoder.
std::wstring FromWindows1252(std::string_view bytes);

}  // namespace e2e
