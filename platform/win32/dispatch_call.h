// Late binding through IDispatch: objects created by ProgID, members looked
// up by name at every call, arguments passed as the server expects them.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <span>
#include <string_view>

#include "platform/automation.h"
#include "platform/win32/owners.h"

namespace platform::win32 {

// The logic's handle on an automation object: one reference on its IDispatch.
class DispatchObject final : public AutomationObject {
 public:
  explicit DispatchObject(ComPtr<IDispatch> dispatch) : dispatch_(std::move(dispatch)) {}

  IDispatch& Dispatch() const { return *dispatch_.Get(); }

 private:
  ComPtr<IDispatch> dispatch_;
};

// A new object of the class registered under progId, through its IDispatch.
ObjectRef CreateDispatchObject(std::u16string_view progId);

// Calls member of object as kind (DISPATCH_METHOD, DISPATCH_PROPERTYGET or
// DISPATCH_PROPERTYPUT), arguments in source order. A null result asks the
// server for none.
void InvokeMember(AutomationObject& object, std::u16string_view member, WORD kind,
                  std::span<const Value> arguments, VARIANT* result);

// The object a call gave back, taken out of its result.
ObjectRef ObjectFromResult(UniqueVariant& result);

}  // namespace platform::win32
