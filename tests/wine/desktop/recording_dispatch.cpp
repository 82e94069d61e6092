#include "recording_dispatch.h"

#include <algorithm>

#include "same_name.h"

namespace desktop_tests {
namespace {

using standins::SameName;

std::wstring TextOf(BSTR text) { return text == nullptr ? std::wstring() : std::wstring(text, SysStringLen(text)); }

ArgumentSeen Seen(const VARIANTARG& argument) {
  ArgumentSeen seen;
  seen.type = argument.vt;
  switch (argument.vt) {
    case VT_BSTR:
      seen.nullString = argument.bstrVal == nullptr;
      seen.text = TextOf(argument.bstrVal);
      break;
    case VT_BYREF | VT_BSTR:
      seen.nullString = argument.pbstrVal == nullptr || *argument.pbstrVal == nullptr;
      if (argument.pbstrVal != nullptr) seen.text = TextOf(*argument.pbstrVal);
      break;
    case VT_I2: seen.number = argument.iVal; break;
    case VT_BOOL: seen.number = argument.boolVal; break;
    case VT_ERROR: seen.number = argument.scode; break;
    case VT_DISPATCH: seen.object = argument.pdispVal; break;
    case VT_BYREF | VT_DISPATCH:
      if (argument.ppdispVal != nullptr) seen.object = *argument.ppdispVal;
      break;
    default:
      break;
  }
  return seen;
}

}  // namespace

RecordingDispatch::RecordingDispatch(std::vector<std::wstring> members) : members_(std::move(members)) {}

HRESULT RecordingDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (lookupsToTurnAway_ > 0) {
    --lookupsToTurnAway_;
    for (UINT i = 0; i < count; ++i) lookups_.push_back(names[i]);
    return RPC_E_SERVERCALL_RETRYLATER;
  }
  HRESULT outcome = S_OK;
  for (UINT i = 0; i < count; ++i) {
    const std::wstring name = names[i];
    lookups_.push_back(name);
    const auto member = std::find_if(members_.begin(), members_.end(),
                                     [&](const std::wstring& known) { return SameName(known, name); });
    if (member == members_.end()) {
      ids[i] = DISPID_UNKNOWN;
      outcome = DISP_E_UNKNOWNNAME;
    } else {
      ids[i] = static_cast<DISPID>(member - members_.begin()) + 1;
    }
  }
  return outcome;
}

HRESULT RecordingDispatch::Invoke(DISPID member, REFIID, LCID, WORD kind, DISPPARAMS* parameters, VARIANT* result,
                                  EXCEPINFO* exception, UINT*) {
  CallSeen call;
  call.member = member;
  call.kind = kind;
  call.resultAsked = result != nullptr;
  for (const VARIANT* argument : InSourceOrder(parameters)) call.arguments.push_back(Seen(*argument));
  call.namedArguments.assign(parameters->rgdispidNamedArgs,
                             parameters->rgdispidNamedArgs + parameters->cNamedArgs);
  calls_.push_back(std::move(call));
  return reply_ ? reply_(*parameters, result, exception) : S_OK;
}

HRESULT RecordingFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  if (!givesDispatch_ && IsEqualIID(iid, IID_IDispatch)) return E_NOINTERFACE;
  auto* made = new RecordingDispatch({L"Display"});
  made_.push_back(made);  // the factory keeps the first reference
  return made->QueryInterface(iid, object);
}

HRESULT RecordingFactory::LockServer(BOOL) { return S_OK; }

RecordingFactory::~RecordingFactory() {
  for (RecordingDispatch* made : made_) made->Release();
}

}  // namespace desktop_tests
