// IDispatch as the tests' automation objects answer it: no type information,
// and the arguments of a call read in source order.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <vector>

#include "platform/win32/com_object.h"

namespace standins {

class DispatchDouble : public platform::win32::ComObject<IDispatch> {
 public:
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) final {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) final {
    if (info != nullptr) *info = nullptr;
    return DISP_E_BADINDEX;
  }

 protected:
  // DISPPARAMS holds them last first.
  static std::vector<const VARIANT*> InSourceOrder(const DISPPARAMS* parameters) {
    std::vector<const VARIANT*> arguments;
    for (UINT i = parameters != nullptr ? parameters->cArgs : 0; i > 0; --i) arguments.push_back(&parameters->rgvarg[i - 1]);
    return arguments;
  }
};

}  // namespace standins
