#include "dispatch_object.h"

#include <cwchar>

#include "journal_text.h"
#include "server.h"

namespace standins {

namespace {

// Answers QueryInterface only inside the server's own apartment: it lets a
// member recognise an object of ours that the client passes back.
const IID kStandinIdentity = {0x6c1f4a10, 0x3b2e, 0x4d7a, {0x9e, 0x51, 0x0a, 0x42, 0x7b, 0x11, 0xc3, 0xff}};

std::wstring Hex(unsigned long value) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%08lX", value);
  return text;
}

std::wstring VerbOf(WORD flags) {
  if ((flags & DISPATCH_PROPERTYPUTREF) != 0) return L"putref";
  if ((flags & DISPATCH_PROPERTYPUT) != 0) return L"put";
  if (flags == DISPATCH_METHOD) return L"call";
  if (flags == DISPATCH_PROPERTYGET) return L"get";
  if (flags == (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) return L"call|get";
  return L"invoke" + std::to_wstring(flags);
}

std::wstring FormatOutcome(const Outcome& outcome) {
  if (outcome.result == DISP_E_EXCEPTION) {
    std::wstring text = L"DISP_E_EXCEPTION wcode=" + std::to_wstring(outcome.wCode) + L" scode=" + Hex(
        static_cast<unsigned long>(outcome.scode)) + L" desc=";
    text += outcome.description ? QuoteText(*outcome.description) : L"null";
    return text;
  }
  if (outcome.Failed()) return L"HRESULT " + Hex(static_cast<unsigned long>(outcome.result));
  return FormatValue(outcome.value.Get());
}

Outcome InjectedOutcome(const Fault& fault) {
  Outcome outcome;
  switch (fault.kind) {
    case Fault::Kind::ExceptionWCode:
      return Outcome::Exception(static_cast<WORD>(fault.number), 0,
                                fault.hasDescription ? std::optional(fault.description) : std::nullopt);
    case Fault::Kind::ExceptionSCode:
      return Outcome::Exception(0, fault.number,
                                fault.hasDescription ? std::optional(fault.description) : std::nullopt);
    case Fault::Kind::HResult:
    case Fault::Kind::UnknownName:
      return Outcome::Failing(fault.number);
    case Fault::Kind::BusyFor:
    case Fault::Kind::BusyCalls:
      return Outcome::Failing(RPC_E_SERVERCALL_RETRYLATER);
    case Fault::Kind::ResultI4: {
      VARIANT* value = &outcome.value;
      value->vt = VT_I4;
      value->lVal = fault.number;
      return outcome;
    }
    case Fault::Kind::ResultNull: {
      VARIANT* value = &outcome.value;
      value->vt = VT_DISPATCH;
      value->pdispVal = nullptr;
      return outcome;
    }
    case Fault::Kind::ResultEmpty:
    // A dying call has no outcome of its own; Invoke lets the process die.
    case Fault::Kind::Dies:
    case Fault::Kind::DiesAfter:
      return outcome;
  }
  return outcome;
}

std::wstring ObjectText(IUnknown* pointer) {
  if (pointer == nullptr) return L"null";
  ComPtr<IDispatch> dispatch;
  if (FAILED(pointer->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) return L"foreign";
  const StandinObject* object = StandinObject::FromDispatch(dispatch.Get());
  return object != nullptr ? object->Name() : L"foreign";
}

}  // namespace

Outcome Outcome::Object(StandinObject* object) {
  Outcome outcome;
  VARIANT* value = &outcome.value;
  value->vt = VT_DISPATCH;
  value->pdispVal = object;
  return outcome;
}

Outcome Outcome::Text(std::wstring_view text) {
  Outcome outcome;
  VARIANT* value = &outcome.value;
  value->vt = VT_BSTR;
  value->bstrVal = UniqueBstr(text).Release();
  return outcome;
}

Outcome Outcome::Exception(WORD wCode, SCODE scode, std::optional<std::wstring> description) {
  Outcome outcome;
  outcome.result = DISP_E_EXCEPTION;
  outcome.wCode = wCode;
  outcome.scode = scode;
  outcome.description = std::move(description);
  return outcome;
}

Outcome Outcome::Failing(HRESULT result) {
  Outcome outcome;
  outcome.result = result;
  return outcome;
}

StandinObject::StandinObject(Server& server, std::wstring_view kind, std::initializer_list<MemberInfo> members)
    : server_(server), name_(server.NextObjectName(kind)), members_(members) {
  server_.ObjectCreated();
}

StandinObject::~StandinObject() {
  server_.GetJournal().Write(L"release " + name_);
  server_.ObjectDestroyed();
}

StandinObject* StandinObject::FromDispatch(IDispatch* pointer) {
  if (pointer == nullptr) return nullptr;
  ComPtr<IDispatch> identity;
  if (FAILED(pointer->QueryInterface(kStandinIdentity, reinterpret_cast<void**>(&identity)))) return nullptr;
  // The identity is the object itself; the reference taken by the query goes
  // with `identity`, the caller's own reference keeps it alive.
  return static_cast<StandinObject*>(identity.Get());
}

bool StandinObject::Answers(REFIID iid) const { return IsEqualIID(iid, kStandinIdentity); }

HRESULT StandinObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  server_.DieIfDue();
  if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  const std::wstring_view spelled = names[0] != nullptr ? names[0] : L"";
  if (server_.TakeLookupFault(spelled) != nullptr) {
    server_.GetJournal().Write(L"lookup " + name_ + L"." + std::wstring(spelled) +
                               L" -> DISP_E_UNKNOWNNAME [injected]");
    return DISP_E_UNKNOWNNAME;
  }
  const std::span<const MemberInfo> members = Members();
  for (std::size_t i = 0; i < members.size(); ++i) {
    if (SameName(members[i].name, spelled)) {
      spelling_.resize(members.size());
      spelling_[i] = spelled;
      ids[0] = static_cast<DISPID>(i + 1);
      // Named arguments: the stand-ins have none.
      return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }
  }
  server_.GetJournal().Write(L"lookup " + name_ + L"." + std::wstring(spelled) + L" -> DISP_E_UNKNOWNNAME");
  return DISP_E_UNKNOWNNAME;
}

HRESULT StandinObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                              EXCEPINFO* exception, UINT* argumentError) {
  server_.DieIfDue();
  const std::span<const MemberInfo> members = Members();
  if (id < 1 || static_cast<std::size_t>(id) > members.size()) {
    server_.GetJournal().Write(VerbOf(flags) + L" " + name_ + L".<dispid " + std::to_wstring(id) +
                               L"> -> DISP_E_MEMBERNOTFOUND");
    return DISP_E_MEMBERNOTFOUND;
  }
  const std::size_t member = static_cast<std::size_t>(id) - 1;
  spelling_.resize(members.size());
  // A call whose name was not looked up just before shows the member's own
  // name, marked: a client that caches DISPIDs shows up in the journal. An
  // attempt turned away as busy leaves the lookup to the attempt that runs.
  const std::wstring spelled =
      spelling_[member].empty() ? std::wstring(members[member].name) + L"[no lookup]" : spelling_[member];

  const std::vector<const VARIANT*> arguments = InSourceOrder(parameters);

  std::wstring line = VerbOf(flags) + L" " + name_ + L"." + spelled + L"(";
  for (std::size_t i = 0; i < arguments.size(); ++i) line += (i == 0 ? L"" : L", ") + FormatValue(*arguments[i]);
  line += L")";

  const UINT namedCount = parameters != nullptr ? parameters->cNamedArgs : 0;
  const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  InvokeKind kind = InvokeKind::Method;
  HRESULT refusal = S_OK;
  if (put) {
    kind = InvokeKind::Put;
    if (members[member].access != Access::Property) refusal = DISP_E_MEMBERNOTFOUND;
    else if (arguments.size() != 1 || namedCount != 1 || parameters->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
      refusal = DISP_E_PARAMNOTFOUND;
  } else if (namedCount != 0) {
    refusal = DISP_E_NONAMEDARGS;
  } else if (members[member].access == Access::Property) {
    kind = InvokeKind::Get;
    if ((flags & DISPATCH_PROPERTYGET) == 0) refusal = DISP_E_MEMBERNOTFOUND;
  } else if ((flags & DISPATCH_METHOD) == 0) {
    refusal = DISP_E_MEMBERNOTFOUND;
  }

  Outcome outcome;
  std::wstring mark;
  bool turnedAway = false;
  if (refusal != S_OK) {
    outcome = Outcome::Failing(refusal);
  } else if (const Fault* fault = server_.TakeCallFault(spelled)) {
    if (fault->kind == Fault::Kind::Dies) {
      server_.GetJournal().Write(line + L" -> [dies]");
      server_.Die();
    }
    if (fault->kind == Fault::Kind::DiesAfter) {
      outcome = Call(member, kind, arguments);
      mark = L" [dies after]";
      server_.DieAfterAnswer();
    } else {
      outcome = InjectedOutcome(*fault);
      turnedAway = IsBusy(fault->kind);
      mark = turnedAway ? L" [busy]" : L" [injected]";
    }
  } else {
    outcome = Call(member, kind, arguments);
  }
  if (!turnedAway) spelling_[member].clear();

  line += L" -> " + FormatOutcome(outcome) + mark;
  server_.GetJournal().Write(line);
  for (const std::wstring& observation : outcome.observations) server_.GetJournal().Write(L"observe " + observation);

  if (outcome.result == DISP_E_EXCEPTION) {
    if (exception != nullptr) {
      *exception = EXCEPINFO{};
      exception->wCode = outcome.wCode;
      exception->scode = outcome.wCode != 0 ? 0 : outcome.scode;
      exception->bstrSource = UniqueBstr(server_.Definition().clientName).Release();
      if (outcome.description) exception->bstrDescription = UniqueBstr(*outcome.description).Release();
    }
    return DISP_E_EXCEPTION;
  }
  if (outcome.Failed()) {
    if (argumentError != nullptr) *argumentError = 0;
    return outcome.result;
  }
  if (result != nullptr) {
    *result = outcome.value.Release();
  }
  return S_OK;
}

std::wstring FormatValue(const VARIANT& value) {
  const std::wstring type = VarTypeName(value.vt);
  const bool byRef = (value.vt & VT_BYREF) != 0;
  switch (value.vt & ~VT_BYREF) {
    case VT_BSTR:
      return type + L" " + QuoteBstr(byRef ? (value.pbstrVal != nullptr ? *value.pbstrVal : nullptr) : value.bstrVal);
    case VT_I2: return type + L" " + std::to_wstring(byRef ? *value.piVal : value.iVal);
    case VT_I4: return type + L" " + std::to_wstring(byRef ? *value.plVal : value.lVal);
    case VT_BOOL: return type + L" " + std::to_wstring(byRef ? *value.pboolVal : value.boolVal);
    case VT_ERROR: return type + L" " + Hex(static_cast<unsigned long>(byRef ? *value.pscode : value.scode));
    case VT_DISPATCH: return type + L" " + ObjectText(byRef ? *value.ppdispVal : value.pdispVal);
    case VT_UNKNOWN: return type + L" " + ObjectText(byRef ? *value.ppunkVal : value.punkVal);
    case VT_VARIANT:
      return byRef && value.pvarVal != nullptr ? type + L" " + FormatValue(*value.pvarVal) : type;
    default: return type;
  }
}

std::optional<std::wstring> StringArgument(const VARIANT& value) {
  BSTR text = nullptr;
  if (value.vt == VT_BSTR) text = value.bstrVal;
  else if (value.vt == (VT_BSTR | VT_BYREF) && value.pbstrVal != nullptr) text = *value.pbstrVal;
  else if (value.vt == (VT_VARIANT | VT_BYREF) && value.pvarVal != nullptr) return StringArgument(*value.pvarVal);
  else return std::nullopt;
  return text != nullptr ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

std::optional<long> NumberArgument(const VARIANT& value) {
  UniqueVariant number;
  // VariantChangeType only reads its source, whatever its signature says.
  if (FAILED(VariantChangeType(&number, const_cast<VARIANT*>(&value), 0, VT_I4))) return std::nullopt;
  return number.Get().lVal;
}

std::wstring DisplayText(const VARIANT& value) {
  if (const std::optional<std::wstring> text = StringArgument(value)) return *text;
  UniqueVariant text;
  if (FAILED(VariantChangeType(&text, const_cast<VARIANT*>(&value), 0, VT_BSTR)) || text.Get().bstrVal == nullptr) return {};
  return std::wstring(text.Get().bstrVal, SysStringLen(text.Get().bstrVal));
}

bool ClientCanOpen(const std::wstring& source) {
  const auto isDriveLetter = [](wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); };
  const bool driveAndRoot = source.size() >= 3 && isDriveLetter(source[0]) && source[1] == L':' && source[2] == L'\\';
  if (!driveAndRoot && !source.starts_with(L"\\\\")) return false;
  const UniqueHandle file(CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.Valid();
}

}  // namespace standins
