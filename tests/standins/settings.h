// What a test asks of the stand-ins: where to journal, how the Notes main
// window starts, and which calls fail in which way. A COM local server is
// started by the COM runtime, not by the test, so the settings travel in a
// file at a fixed place beside the stand-in executables, which the test
// driver writes before each case and removes after it. Without the file the
// stand-ins journal nothing, inject nothing and show a normal Notes window:
// that is the demo.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace standins {

enum class NotesWindowMode { Normal, Minimized, None };

// One injected failure. target is a member name (matched without regard to
// letter case, as GetIDsOfNames does) or "create:<class>" for the creation of
// an object of that class (NotesSession, NotesUIWorkspace, Application).
struct Fault {
  enum class Kind {
    ExceptionWCode,  // DISP_E_EXCEPTION, EXCEPINFO.wCode = number
    ExceptionSCode,  // DISP_E_EXCEPTION, EXCEPINFO.scode = number
    HResult,         // the call returns number, a failing HRESULT
    ResultI4,        // the call succeeds with VT_I4 number instead of its result
    ResultNull,      // ... with a null VT_DISPATCH
    ResultEmpty,     // ... with VT_EMPTY
    UnknownName,     // GetIDsOfNames refuses the name: DISP_E_UNKNOWNNAME
    // A client busy starting: the call (or creation) is turned away with
    // RPC_E_SERVERCALL_RETRYLATER, and so is every new attempt at it, until
    // number milliseconds have passed since the first (BusyFor) or number
    // attempts have been turned away (BusyCalls); then it runs. Turned-away
    // attempts are journaled, marked, and do not count as calls.
    BusyFor,
    BusyCalls,
    // A client that crashes: its process ends at once, as a crash ends it
    // (nothing revoked, released or closed), when the call or creation
    // arrives (Dies), or right after it has answered (DiesAfter). The journal
    // keeps the call's line and a last "server-dies" line.
    Dies,
    DiesAfter,
  };

  std::wstring target;
  int occurrence = 0;  // 1 = the first call of that target; 0 = every call
  Kind kind = Kind::HResult;
  long number = 0;
  bool hasDescription = false;  // no description: a null bstrDescription
  std::wstring description;
};

inline bool IsBusy(Fault::Kind kind) { return kind == Fault::Kind::BusyFor || kind == Fault::Kind::BusyCalls; }
inline bool Dies(Fault::Kind kind) { return kind == Fault::Kind::Dies || kind == Fault::Kind::DiesAfter; }

struct Settings {
  std::wstring journalPath;  // empty: no journal
  NotesWindowMode notesWindow = NotesWindowMode::Normal;
  std::vector<Fault> faults;
};

// The settings file's name; it lives in the folder of the stand-in executables.
inline constexpr std::wstring_view kSettingsFileName = L"standin-settings.txt";

std::wstring FormatSettings(const Settings& settings);
Settings ParseSettings(std::wstring_view text);

// Reads the file; a missing or unreadable file gives the defaults.
Settings ReadSettingsFile(const std::wstring& path);
bool WriteSettingsFile(const std::wstring& path, const Settings& settings);

// The folder of the executable or DLL this code is linked into, without a
// trailing backslash.
std::wstring ModuleFolder();
// Its full path.
std::wstring ModulePath();

std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);

}  // namespace standins
