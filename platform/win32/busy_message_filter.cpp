#include "platform/win32/busy_message_filter.h"

#include <chrono>
#include <new>
#include <optional>

#include "platform/busy_retry.h"

namespace platform::win32 {
namespace {

// What RetryRejectedCall answers to cancel the call.
constexpr DWORD kCancelCall = static_cast<DWORD>(-1);

}  // namespace

DWORD BusyMessageFilter::HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) {
  // The programs serve no objects of their own: whatever comes, take it.
  return SERVERCALL_ISHANDLED;
}

DWORD BusyMessageFilter::RetryRejectedCall(HTASK, DWORD tickCount, DWORD rejectType) {
  // A server that refuses outright will not change its mind.
  if (rejectType != SERVERCALL_RETRYLATER) return kCancelCall;
  // tickCount counts from the call, whose first answer was this rejection.
  const std::optional<std::chrono::milliseconds> pause = BusyRetryPause(std::chrono::milliseconds(tickCount));
  return pause ? static_cast<DWORD>(pause->count()) : kCancelCall;
}

DWORD BusyMessageFilter::MessagePending(HTASK, DWORD, DWORD) {
  // COM's default while a call is out: painting and window activation are
  // served, keyboard and mouse input is not.
  return PENDINGMSG_WAITDEFPROCESS;
}

MessageFilterRegistration::MessageFilterRegistration() {
  // Without memory for it, or outside a single-threaded apartment, the
  // program goes on without quiet retries through COM.
  ComPtr<IMessageFilter> filter(new (std::nothrow) BusyMessageFilter());
  registered_ = filter && SUCCEEDED(CoRegisterMessageFilter(filter.Get(), &previous_));
}

MessageFilterRegistration::~MessageFilterRegistration() {
  if (registered_) CoRegisterMessageFilter(previous_.Get(), nullptr);
}

}  // namespace platform::win32
