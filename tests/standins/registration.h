// Registration of the stand-in classes under the mail clients' ProgIDs.
//
// The keys go to HKEY_CLASSES_ROOT: Wine's COM reads its classes from the
// machine's Software\Classes only and ignores per-user classes in
// HKCU\Software\Classes. Every registration makes new class identifiers:
// Wine's rpcss keeps the class object of a local server that was killed
// instead of ending normally, and hands it out again, so that a fixed class
// identifier would stay unreachable until the wineserver restarts.
#pragma once

#include <windows.h>

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace standins {

struct StandinClass {
  std::wstring_view name;         // the class's short name: NotesSession, NotesUIWorkspace, Application
  std::wstring_view progId;       // what the programs ask for
  std::wstring_view description;  // the class key's default value
};

// The classes each stand-in serves.
std::span<const StandinClass> NotesClasses();
std::span<const StandinClass> OutlookClasses();

// Local: an executable started by COM (LocalServer32). InProcess: a DLL
// loaded into the client (InprocServer32), where Wine's marshalling cannot
// change what the client passes.
enum class ServerKind { Local, InProcess };

// Registers the named classes of classes (all of them when names is empty)
// with serverPath as their server, and unregisters the others, so that a test
// can leave some classes out. Returns false when the registry refuses.
bool RegisterClasses(std::span<const StandinClass> classes, std::span<const std::wstring> names,
                     const std::wstring& serverPath, ServerKind kind);
void UnregisterClasses(std::span<const StandinClass> classes);

// The class identifier the class's ProgID names now, if it is registered.
std::optional<CLSID> RegisteredClsid(const StandinClass& standin);

}  // namespace standins
