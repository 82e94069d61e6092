// One stand-in COM server: its settings and journal, the objects and windows
// that keep it alive, its class factories and its life. The same code runs as
// a local server (an executable COM starts, like the real mail clients) and
// in process (a DLL loaded into the client, for what Wine's marshalling would
// change on the way: a null BSTR arrives as an empty one out of process).
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "journal.h"
#include "platform/win32/owners.h"
#include "registration.h"
#include "same_name.h"
#include "settings.h"

namespace standins {

using platform::win32::ComPtr;

class StandinObject;
class Server;
class ClassFactory;

// What sets one stand-in apart from the other.
struct ServerDefinition {
  std::wstring_view clientName;  // "Notes", "Outlook": journal and titles
  std::span<const StandinClass> classes;
  // A new object of the class the COM client asked for.
  std::function<StandinObject*(Server&, const StandinClass&)> createObject;
  // Runs once when the server starts (Notes: its main window).
  std::function<void(Server&)> onStart;
  // Runs after each creation has been journaled (Notes: the main window's state).
  std::function<void(Server&)> afterCreate;
};

// The stand-in linked into this executable or DLL.
const ServerDefinition& StandinDefinition();

class Server {
 public:
  Server(const ServerDefinition& definition, ServerKind kind);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  const ServerDefinition& Definition() const { return definition_; }
  const Journal& GetJournal() const { return journal_; }
  const Settings& GetSettings() const { return settings_; }
  // Reads the settings file again; each creation does, so that a server that
  // is still running sees what the current test asks for.
  void RefreshSettings();

  // "session#1", "session#2", "database#1": numbered per kind.
  std::wstring NextObjectName(std::wstring_view kind);

  // The fault that the settings inject into this call of target, if any; every
  // call counts, so that a fault can hit the second call of a member only.
  // While a busy fault turns a call away, each new attempt at it gives that
  // fault again and is not counted: the call counts once, when it runs.
  const Fault* TakeCallFault(std::wstring_view target);
  const Fault* TakeLookupFault(std::wstring_view target);

  // What keeps a local server alive: live objects, LockServer and its own windows.
  void ObjectCreated() { ++objects_; }
  void ObjectDestroyed();
  void WindowOpened() { ++windows_; }
  void WindowClosed();
  void Lock(bool lock);
  // Ends a local server when nothing keeps it alive any more, a moment later.
  void EndWhenIdle();
  void EndNowIfIdle();
  // After a creation was turned away as busy: ends the server a while later
  // unless the client has come back for an object by then.
  void EndLaterIfUnused();

  // Ends the process as a crash does: no class object revoked, no object
  // released, no window closed, no destructor run. Each journal line is on
  // disk once written, so the journal still shows the last call.
  [[noreturn]] void Die() const;
  // Dies once the answer to the call being served has gone out: at the next
  // incoming call of any kind, before it is served, or a moment later.
  void DieAfterAnswer();
  void DieIfDue() const;

  // Whether a call is being turned away as busy for a time, which the
  // server's message filter then answers for COM, before the call reaches us.
  bool BusyNow() const;

  // Local server: the whole life of the process; commandLine is the tail
  // after the program's name (/RegServer [classes], /UnregServer, -Embedding).
  int Run(std::wstring_view commandLine);

  // In process: what DllGetClassObject and DllCanUnloadNow answer.
  HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** object);
  // A window of ours still open keeps its code loaded.
  bool CanUnload() const { return objects_ == 0 && locks_ == 0 && windows_ == 0; }

 private:
  // One call that a busy fault turns away, from its first attempt until it runs.
  struct BusySpell {
    Fault fault;  // a copy: the settings are read again at each creation
    int call = 0;  // the number the call gets once it runs
    DWORD firstAttempt = 0;  // GetTickCount
    long turnedAway = 0;
    bool over = false;
  };
  static bool StillBusy(const BusySpell& spell);

  const Fault* TakeFault(std::map<std::wstring, int>& counts, std::wstring_view target, bool lookup);
  bool Idle() const;
  void Start();

  const ServerDefinition& definition_;
  const ServerKind kind_;
  std::wstring settingsPath_;
  Settings settings_;
  Journal journal_;
  std::map<std::wstring, int> objectNumbers_;
  std::map<std::wstring, int> callCounts_;
  std::map<std::wstring, int> lookupCounts_;
  std::map<std::wstring, BusySpell> busySpells_;  // by target in lower case
  UINT_PTR unusedTimer_ = 0;
  long objects_ = 0;
  long locks_ = 0;
  long windows_ = 0;
  bool started_ = false;
  bool ending_ = false;
  bool dying_ = false;
  std::vector<ComPtr<ClassFactory>> factories_;
  std::vector<DWORD> registrations_;
};

}  // namespace standins
