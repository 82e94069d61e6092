#include "server.h"

#include <cwchar>
#include <cwctype>
#include <vector>

#include "dispatch_object.h"

namespace standins {

namespace {

// A local server that COM started but nobody uses ends after this long.
constexpr UINT kIdleStartMilliseconds = 15000;
// An idle server goes on serving calls this long before it ends: the client's
// last calls (the release of the class object after a failed creation, say)
// may still be on their way, and a server that stopped pumping would leave
// them, and its own end, hanging.
constexpr UINT kEndDelayMilliseconds = 250;
// A server that turned a creation away as busy waits this long for the
// client to try again; the client's pause between attempts is far shorter.
constexpr UINT kBusyCreationWaitMilliseconds = 3000;
// A server that dies after an answer lives this long for the answer to leave:
// COM sends it from another thread once the call has returned.
constexpr UINT kDieAfterAnswerMilliseconds = 1000;
// The exit code of a process that died: an access violation's.
constexpr UINT kDiedExitCode = 0xC0000005u;

std::wstring Lower(std::wstring_view text) {
  std::wstring key(text);
  for (wchar_t& c : key) c = static_cast<wchar_t>(std::towlower(c));
  return key;
}

std::vector<std::wstring> Words(std::wstring_view text) {
  std::vector<std::wstring> words;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = std::min(text.find_first_of(L" \t", start), text.size());
    if (end > start) words.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return words;
}

Server* runningServer = nullptr;

void CALLBACK EndIfNeverUsed(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  if (runningServer != nullptr) runningServer->EndWhenIdle();
}

void CALLBACK DieNow(HWND, UINT, UINT_PTR, DWORD) {
  if (runningServer != nullptr) runningServer->Die();
}

void CALLBACK EndIfStillIdle(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  if (runningServer != nullptr) runningServer->EndNowIfIdle();
}

// A real mail client that is busy starting answers COM's question about each
// incoming call with "call again later", and the caller's COM retries through
// its own message filter. While one of our calls is being turned away as busy
// for a time, this answers so for every automation call and creation. Wine's
// COM asks it but runs the call all the same, so under Wine the member still
// turns the attempt away itself.
class BusyServerFilter final : public platform::win32::ComObject<IMessageFilter> {
 public:
  explicit BusyServerFilter(Server& server) : server_(server) {}

  DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO info) override {
    // Whatever comes after the answer of a dying server, a release too,
    // finds it gone.
    server_.DieIfDue();
    // Releases and other IUnknown traffic always go through.
    if (info == nullptr || !server_.BusyNow()) return SERVERCALL_ISHANDLED;
    const bool dispatch = IsEqualIID(info->iid, IID_IDispatch);
    if (!dispatch && !IsEqualIID(info->iid, IID_IClassFactory)) return SERVERCALL_ISHANDLED;
    server_.GetJournal().Write(std::wstring(L"filter ") + (dispatch ? L"IDispatch" : L"IClassFactory") + L" method " +
                               std::to_wstring(info->wMethod) + L" -> SERVERCALL_RETRYLATER");
    return SERVERCALL_RETRYLATER;
  }
  // The stand-ins call no other server.
  DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override { return static_cast<DWORD>(-1); }
  DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override { return PENDINGMSG_WAITDEFPROCESS; }

 private:
  Server& server_;
};

}  // namespace

class ClassFactory final : public platform::win32::ComObject<IClassFactory> {
 public:
  ClassFactory(Server& server, const StandinClass& standin, const CLSID& clsid)
      : server_(server), class_(standin), clsid_(clsid) {}

  const CLSID& Clsid() const { return clsid_; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    server_.DieIfDue();
    server_.RefreshSettings();
    const std::wstring line = L"create " + std::wstring(class_.name) + L" -> ";
    const Fault* fault = server_.TakeCallFault(L"create:" + std::wstring(class_.name));
    if (fault != nullptr && fault->kind == Fault::Kind::Dies) {
      server_.GetJournal().Write(line + L"[dies]");
      server_.Die();
    }
    if (fault != nullptr && fault->kind != Fault::Kind::DiesAfter) {
      if (IsBusy(fault->kind)) {
        server_.GetJournal().Write(line + L"HRESULT 0x8001010A [busy]");
        server_.EndLaterIfUnused();
        return RPC_E_SERVERCALL_RETRYLATER;
      }
      wchar_t hex[16];
      std::swprintf(hex, 16, L"0x%08lX", static_cast<unsigned long>(fault->number));
      server_.GetJournal().Write(line + L"HRESULT " + hex + L" [injected]");
      // A server that made nothing has nothing to stay for.
      server_.EndWhenIdle();
      return fault->number;
    }
    ComPtr<StandinObject> created(server_.Definition().createObject(server_, class_));
    server_.GetJournal().Write(line + created->Name() + (fault != nullptr ? L" [dies after]" : L""));
    if (fault != nullptr) server_.DieAfterAnswer();
    if (server_.Definition().afterCreate) server_.Definition().afterCreate(server_);
    return created->QueryInterface(iid, object);
  }

  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    server_.Lock(lock != FALSE);
    return S_OK;
  }

 private:
  Server& server_;
  const StandinClass& class_;
  CLSID clsid_;
};

Server::Server(const ServerDefinition& definition, ServerKind kind)
    : definition_(definition), kind_(kind), settingsPath_(ModuleFolder() + L"\\" + std::wstring(kSettingsFileName)) {
  RefreshSettings();
  // The classes as registered now: registration makes new identifiers each time.
  for (const StandinClass& standin : definition_.classes) {
    if (const std::optional<CLSID> clsid = RegisteredClsid(standin)) {
      factories_.emplace_back(new ClassFactory(*this, standin, *clsid));
    }
  }
}

Server::~Server() = default;

void Server::RefreshSettings() {
  settings_ = ReadSettingsFile(settingsPath_);
  journal_.SetPath(settings_.journalPath);
}

std::wstring Server::NextObjectName(std::wstring_view kind) {
  return std::wstring(kind) + L"#" + std::to_wstring(++objectNumbers_[std::wstring(kind)]);
}

const Fault* Server::TakeFault(std::map<std::wstring, int>& counts, std::wstring_view target, bool lookup) {
  const int count = ++counts[Lower(target)];
  for (const Fault& fault : settings_.faults) {
    if ((fault.kind == Fault::Kind::UnknownName) != lookup || IsBusy(fault.kind)) continue;
    if (SameName(fault.target, target) && (fault.occurrence == 0 || fault.occurrence == count)) return &fault;
  }
  return nullptr;
}

bool Server::StillBusy(const BusySpell& spell) {
  if (spell.fault.kind == Fault::Kind::BusyFor) {
    return static_cast<long>(GetTickCount() - spell.firstAttempt) < spell.fault.number;
  }
  return spell.turnedAway < spell.fault.number;
}

bool Server::BusyNow() const {
  for (const auto& [target, spell] : busySpells_) {
    if (!spell.over && spell.fault.kind == Fault::Kind::BusyFor && StillBusy(spell)) return true;
  }
  return false;
}

const Fault* Server::TakeCallFault(std::wstring_view target) {
  const std::wstring key = Lower(target);
  const int call = callCounts_[key] + 1;
  const auto found = busySpells_.find(key);
  const bool spellOfThisCall = found != busySpells_.end() && found->second.call == call;
  if (spellOfThisCall && !found->second.over) {
    BusySpell& spell = found->second;
    if (StillBusy(spell)) {
      ++spell.turnedAway;
      return &spell.fault;
    }
    spell.over = true;
  }
  for (const Fault& fault : settings_.faults) {
    if (!IsBusy(fault.kind) || !SameName(fault.target, target)) continue;
    if (fault.occurrence != 0 && fault.occurrence != call) continue;
    // The call whose spell just ended runs now.
    if (spellOfThisCall) break;
    BusySpell& spell = busySpells_[key] = BusySpell{fault, call, GetTickCount(), 1, false};
    return &spell.fault;
  }
  return TakeFault(callCounts_, target, false);
}

const Fault* Server::TakeLookupFault(std::wstring_view target) { return TakeFault(lookupCounts_, target, true); }

void Server::ObjectDestroyed() {
  --objects_;
  EndWhenIdle();
}

void Server::WindowClosed() {
  --windows_;
  EndWhenIdle();
}

void Server::Lock(bool lock) {
  locks_ += lock ? 1 : -1;
  EndWhenIdle();
}

bool Server::Idle() const { return objects_ == 0 && locks_ == 0 && windows_ == 0; }

void Server::EndWhenIdle() {
  // In process the client decides, through DllCanUnloadNow.
  if (kind_ != ServerKind::Local || ending_ || !Idle()) return;
  ending_ = true;
  // Revoked at once, so that a client that asks again starts a new server
  // rather than reaching this one on its way out.
  for (const DWORD cookie : registrations_) CoRevokeClassObject(cookie);
  registrations_.clear();
  SetTimer(nullptr, 0, kEndDelayMilliseconds, EndIfStillIdle);
}

void Server::EndLaterIfUnused() {
  if (kind_ != ServerKind::Local) return;
  // The same timer again, if it is still waiting: the wait starts anew.
  unusedTimer_ = SetTimer(nullptr, unusedTimer_, kBusyCreationWaitMilliseconds, EndIfNeverUsed);
}

void Server::EndNowIfIdle() {
  ending_ = false;
  if (Idle()) PostQuitMessage(0);
}

void Server::Die() const {
  journal_.Write(L"server-dies " + std::wstring(definition_.clientName) + L" pid=" +
                 std::to_wstring(GetCurrentProcessId()));
  TerminateProcess(GetCurrentProcess(), kDiedExitCode);
  // Not reached: TerminateProcess does not return for the calling process.
  ExitProcess(kDiedExitCode);
}

void Server::DieAfterAnswer() {
  dying_ = true;
  SetTimer(nullptr, 0, kDieAfterAnswerMilliseconds, DieNow);
}

void Server::DieIfDue() const {
  if (dying_) Die();
}

void Server::Start() {
  if (started_) return;
  started_ = true;
  journal_.Write(L"server-start " + std::wstring(definition_.clientName) +
                 (kind_ == ServerKind::Local ? L" local" : L" in-process") + L" pid=" +
                 std::to_wstring(GetCurrentProcessId()));
  if (definition_.onStart) definition_.onStart(*this);
}

HRESULT Server::GetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  for (const ComPtr<ClassFactory>& factory : factories_) {
    if (IsEqualCLSID(factory->Clsid(), clsid)) {
      Start();
      return factory->QueryInterface(iid, object);
    }
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

int Server::Run(std::wstring_view commandLine) {
  const std::vector<std::wstring> words = Words(commandLine);
  const auto isSwitch = [&](std::wstring_view name) {
    return !words.empty() && (SameName(words[0], L"/" + std::wstring(name)) ||
                              SameName(words[0], L"-" + std::wstring(name)));
  };
  if (isSwitch(L"RegServer")) {
    const std::vector<std::wstring> names(words.begin() + 1, words.end());
    return RegisterClasses(definition_.classes, names, ModulePath(), ServerKind::Local) ? 0 : 1;
  }
  if (isSwitch(L"UnregServer")) {
    UnregisterClasses(definition_.classes);
    return 0;
  }

  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  const ComPtr<BusyServerFilter> filter(new BusyServerFilter(*this));
  ComPtr<IMessageFilter> previousFilter;
  const bool filtering = SUCCEEDED(CoRegisterMessageFilter(filter.Get(), &previousFilter));
  runningServer = this;
  Start();
  // One server for every client: a real mail client runs once per user.
  for (const ComPtr<ClassFactory>& factory : factories_) {
    DWORD cookie = 0;
    if (SUCCEEDED(CoRegisterClassObject(factory->Clsid(), factory.Get(),
                                        CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie))) {
      registrations_.push_back(cookie);
    }
  }
  SetTimer(nullptr, 0, kIdleStartMilliseconds, EndIfNeverUsed);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    const HWND root = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (root != nullptr && IsDialogMessageW(root, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  for (const DWORD cookie : registrations_) CoRevokeClassObject(cookie);
  registrations_.clear();
  journal_.Write(L"server-end " + std::wstring(definition_.clientName));
  runningServer = nullptr;
  if (filtering) CoRegisterMessageFilter(previousFilter.Get(), nullptr);
  previousFilter.Reset();
  CoUninitialize();
  return 0;
}

}  // namespace standins
