// An automation object written for the tests: it answers a fixed set of
// member names, records every lookup and call exactly as the server side sees
// it, and replies to each call as the test says.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <string>
#include <vector>

#include "dispatch_double.h"

namespace desktop_tests {

// One argument as it arrived, already put back into source order.
struct ArgumentSeen {
  VARTYPE type = VT_EMPTY;
  bool nullString = false;    // VT_BSTR, or VT_BSTR by reference, holding the null BSTR
  std::wstring text;          // the BSTR's text, by value or by reference
  LONG number = 0;            // VT_I2, VT_BOOL, VT_ERROR's scode
  IDispatch* object = nullptr;  // VT_DISPATCH, or the one VT_BYREF|VT_DISPATCH points at
};

struct CallSeen {
  DISPID member = DISPID_UNKNOWN;
  WORD kind = 0;
  std::vector<ArgumentSeen> arguments;
  std::vector<DISPID> namedArguments;
  bool resultAsked = false;
};

// What the object does with one call: fill in the result or the exception,
// and give the HRESULT Invoke returns.
using Reply = std::function<HRESULT(DISPPARAMS& parameters, VARIANT* result, EXCEPINFO* exception)>;

class RecordingDispatch final : public standins::DispatchDouble {
 public:
  // Members get the DISPIDs 1, 2, ... in the order given; names match
  // without regard to letter case, as COM's do. Starts with one reference,
  // which the creator owns.
  explicit RecordingDispatch(std::vector<std::wstring> members);

  // Every name GetIDsOfNames was asked for, in order.
  const std::vector<std::wstring>& Lookups() const { return lookups_; }
  const std::vector<CallSeen>& Calls() const { return calls_; }
  // The reply to every later call; by default S_OK and nothing else.
  void ReplyWith(Reply reply) { reply_ = std::move(reply); }
  // The next `count` lookups are turned away as a busy server does, with
  // RPC_E_SERVERCALL_RETRYLATER (and still recorded).
  void TurnLookupsAway(int count) { lookupsToTurnAway_ = count; }

  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID iid, LCID locale, WORD kind, DISPPARAMS* parameters,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argumentInError) override;

 private:
  std::vector<std::wstring> members_;
  std::vector<std::wstring> lookups_;
  int lookupsToTurnAway_ = 0;
  std::vector<CallSeen> calls_;
  Reply reply_;
};

// An object with IUnknown only: no automation.
class PlainUnknown final : public platform::win32::ComObject<IUnknown> {};

// A class factory for CoRegisterClassObject that makes RecordingDispatch
// objects, or refuses IDispatch when the class is to have none.
class RecordingFactory final : public platform::win32::ComObject<IClassFactory> {
 public:
  explicit RecordingFactory(bool givesDispatch) : givesDispatch_(givesDispatch) {}
  ~RecordingFactory() override;

  // Every object made so far, each with one reference the factory keeps.
  const std::vector<RecordingDispatch*>& Made() const { return made_; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 private:
  bool givesDispatch_;
  std::vector<RecordingDispatch*> made_;
};

}  // namespace desktop_tests
