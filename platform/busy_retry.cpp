#include "platform/busy_retry.h"

namespace platform {

std::optional<std::chrono::milliseconds> BusyRetryPause(std::chrono::milliseconds elapsed) {
  if (elapsed >= kBusyRetryBound) return std::nullopt;
  return kBusyRetryPause;
}

}  // namespace platform
