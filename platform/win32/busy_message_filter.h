// The program's COM message filter. A mail client that is busy starting
// answers an out-of-process call with SERVERCALL_RETRYLATER; COM then asks
// this filter whether to call again, and it says yes, after a short pause,
// until platform::kBusyRetryBound has passed since the call was made. After
// that the call fails with RPC_E_CALL_REJECTED, which reaches the user like
// any other failure.
#pragma once

#include <windows.h>
#include <objbase.h>

#include "platform/win32/com_object.h"
#include "platform/win32/owners.h"

namespace platform::win32 {

// The program's one thread is the only one that registers or calls it.
class BusyMessageFilter final : public ComObject<IMessageFilter> {
 public:
  DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD callType, HTASK caller, DWORD tickCount,
                                             LPINTERFACEINFO interfaceInfo) override;
  DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK callee, DWORD tickCount, DWORD rejectType) override;
  DWORD STDMETHODCALLTYPE MessagePending(HTASK callee, DWORD tickCount, DWORD pendingType) override;
};

// The filter registered for the thread's apartment while this lives, and the
// one it replaced put back when it goes. Make it right after COM start-up and
// let it go before COM ends. It holds the previous filter: neither copied nor
// moved.
class MessageFilterRegistration {
 public:
  MessageFilterRegistration();
  ~MessageFilterRegistration();

  bool Registered() const { return registered_; }

 private:
  bool registered_ = false;
  ComPtr<IMessageFilter> previous_;
};

}  // namespace platform::win32
