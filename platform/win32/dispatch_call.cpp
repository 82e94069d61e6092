#include "platform/win32/dispatch_call.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/busy_retry.h"
#include "platform/win32/failure_mapping.h"
#include "platform/win32/wide_text.h"

namespace platform::win32 {
namespace {

// A busy server may turn a call away with RPC_E_SERVERCALL_RETRYLATER as the
// call's own answer rather than through COM's message filter: an in-process
// server does, and so does any call on a channel that leaves retries to the
// caller (Wine's). Such a call is made again on the message filter's terms,
// and its last answer is the outcome. Nothing is pumped while waiting: a
// window message handled here could start a second hand-off inside this one.
// RPC_E_CALL_REJECTED, the channel's answer once the filter has given up, is
// final.
template <class Attempt>
HRESULT CallWhileBusy(Attempt&& attempt) {
  using std::chrono::milliseconds;
  using std::chrono::steady_clock;
  HRESULT outcome = attempt();
  if (outcome != RPC_E_SERVERCALL_RETRYLATER) return outcome;
  const steady_clock::time_point firstRejection = steady_clock::now();
  for (;;) {
    const std::optional<milliseconds> pause =
        BusyRetryPause(std::chrono::duration_cast<milliseconds>(steady_clock::now() - firstRejection));
    if (!pause) return outcome;
    Sleep(static_cast<DWORD>(pause->count()));
    outcome = attempt();
    if (outcome != RPC_E_SERVERCALL_RETRYLATER) return outcome;
  }
}

IDispatch& DispatchOf(AutomationObject& object) {
  auto* dispatchObject = dynamic_cast<DispatchObject*>(&object);
  if (dispatchObject == nullptr) throw MakeFailure(RuntimeError::ObjectRequired);
  return dispatchObject->Dispatch();
}

// The arguments of one call as the server reads them: in reverse order. A
// by-reference argument points at the value of a variable of its own, which
// holds what the callee leaves there until the call is over. Every slot is an
// owner from the start, so a throw while filling them releases whatever was
// filled before.
class ArgumentList {
 public:
  explicit ArgumentList(std::span<const Value> values) : variables_(values.size()), arguments_(values.size()) {
    // Last first, as the server reads them.
    for (std::size_t i = 0; i < values.size(); ++i) {
      VARIANT& argument = arguments_[i].Get();
      VARIANT& variable = variables_[i].Get();
      Fill(values[values.size() - 1 - i], argument, variable);
      if (variable.vt != VT_EMPTY) {
        argument.byref = &variable.byref;
        argument.vt = VT_BYREF | variable.vt;
      }
    }
  }

  VARIANTARG* Data() { return VariantArray(arguments_); }
  UINT Count() const { return static_cast<UINT>(arguments_.size()); }

 private:
  static void Fill(const Value& value, VARIANT& argument, VARIANT& variable) {
    switch (value.GetKind()) {
      case Value::Kind::String:
      case Value::Kind::NullString:
        // The null BSTR is a value of its own, distinct from the empty one.
        argument.bstrVal = value.GetKind() == Value::Kind::String ? UniqueBstr(value.Text()).Release() : nullptr;
        argument.vt = VT_BSTR;
        break;
      case Value::Kind::StringByRef:
        variable.bstrVal = UniqueBstr(value.Text()).Release();
        variable.vt = VT_BSTR;
        break;
      case Value::Kind::Int16:
        argument.iVal = value.Int16Value();
        argument.vt = VT_I2;
        break;
      case Value::Kind::Boolean:
        argument.boolVal = value.BooleanValue() ? VARIANT_TRUE : VARIANT_FALSE;
        argument.vt = VT_BOOL;
        break;
      case Value::Kind::ObjectByRef:
        // A reference of the call's own: the callee may replace it.
        variable.pdispVal = ComPtr<IDispatch>::Share(&DispatchOf(*value.Object())).Release();
        variable.vt = VT_DISPATCH;
        break;
      case Value::Kind::Missing:
        argument.scode = DISP_E_PARAMNOTFOUND;
        argument.vt = VT_ERROR;
        break;
    }
  }

  // Made at full size once and never resized: the arguments point into it.
  std::vector<UniqueVariant> variables_;
  std::vector<UniqueVariant> arguments_;
};

DISPID LookUpMember(IDispatch& dispatch, std::u16string_view member) {
  // A NUL would cut the name short and could reach another member.
  if (member.find(u'\0') != std::u16string_view::npos) throw MakeFailure(RuntimeError::MemberNotSupported);
  std::wstring name = ToWide(member);
  LPOLESTR names[] = {name.data()};
  DISPID id = DISPID_UNKNOWN;
  const HRESULT result =
      CallWhileBusy([&] { return dispatch.GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id); });
  if (FAILED(result)) throw FailureFromHresult(result, Operation::CallMember);
  return id;
}

}  // namespace

ObjectRef CreateDispatchObject(std::u16string_view progId) {
  // A NUL would cut the ProgID short and could name another class.
  if (progId.find(u'\0') != std::u16string_view::npos) throw MakeFailure(RuntimeError::CannotCreateObject);
  CLSID classId;
  HRESULT result = CLSIDFromProgID(ToWide(progId).c_str(), &classId);
  if (FAILED(result)) throw FailureFromHresult(result, Operation::CreateObject);
  ComPtr<IDispatch> dispatch;
  // A client busy starting may turn the creation away too. It is installed,
  // so the busy answer is retried and, in the end, reported as what it is,
  // never as "not installed". The ProgID lookup reads the registry: never busy.
  result = CallWhileBusy([&] { return CoCreateInstance(classId, nullptr, CLSCTX_SERVER, IID_PPV_ARGS(&dispatch)); });
  if (FAILED(result)) throw FailureFromHresult(result, Operation::CreateObject);
  if (!dispatch) throw MakeFailure(RuntimeError::CannotCreateObject);
  return std::make_unique<DispatchObject>(std::move(dispatch));
}

void InvokeMember(AutomationObject& object, std::u16string_view member, WORD kind,
                  std::span<const Value> arguments, VARIANT* result) {
  IDispatch& dispatch = DispatchOf(object);
  const DISPID id = LookUpMember(dispatch, member);
  ArgumentList list(arguments);
  DISPID propertyPut = DISPID_PROPERTYPUT;
  DISPPARAMS parameters{list.Data(), nullptr, list.Count(), 0};
  if (kind == DISPATCH_PROPERTYPUT) {
    parameters.rgdispidNamedArgs = &propertyPut;
    parameters.cNamedArgs = 1;
  }
  UniqueExcepInfo exception;
  UINT argumentInError = 0;
  const HRESULT outcome = CallWhileBusy([&] {
    // Each attempt starts clean, whatever a turned-away one may have left.
    if (result != nullptr) VariantClear(result);
    argumentInError = 0;
    return dispatch.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &parameters, result, &exception,
                           &argumentInError);
  });
  if (outcome == DISP_E_EXCEPTION) throw FailureFromException(exception.Get());
  if (FAILED(outcome)) throw FailureFromHresult(outcome, Operation::CallMember);
}

ObjectRef ObjectFromResult(UniqueVariant& result) {
  VARIANT& variant = result.Get();
  ComPtr<IDispatch> dispatch;
  switch (variant.vt) {
    case VT_EMPTY:
    case VT_NULL:
      throw MakeFailure(RuntimeError::ObjectVariableNotSet);
    case VT_DISPATCH:
      if (variant.pdispVal == nullptr) throw MakeFailure(RuntimeError::ObjectVariableNotSet);
      dispatch.Reset(std::exchange(variant.pdispVal, nullptr));
      variant.vt = VT_EMPTY;
      break;
    case VT_UNKNOWN:
      if (variant.punkVal == nullptr) throw MakeFailure(RuntimeError::ObjectVariableNotSet);
      if (FAILED(variant.punkVal->QueryInterface(IID_PPV_ARGS(&dispatch))) || !dispatch) {
        throw MakeFailure(RuntimeError::NotAutomationObject);
      }
      break;
    default:
      throw MakeFailure(RuntimeError::ObjectRequired);
  }
  return std::make_unique<DispatchObject>(std::move(dispatch));
}

}  // namespace platform::win32
