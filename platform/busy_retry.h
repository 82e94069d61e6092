// How long the programs wait for a mail client that answers "busy, call again
// later" (a client still starting, or showing a dialog of its own): they call
// again after a short pause, quietly, until a fixed time has passed since the
// call was first turned away, and then report the failure like any other.
#pragma once

#include <chrono>
#include <optional>

namespace platform {

// From the first rejection of a call to the last attempt that may follow.
inline constexpr std::chrono::milliseconds kBusyRetryBound{30000};
// The pause before each new attempt: short enough that a client that has
// just become free hardly waits, long enough not to flood a busy one.
inline constexpr std::chrono::milliseconds kBusyRetryPause{200};

// The pause before the next attempt, elapsed after the call was first turned
// away; nothing once the bound has passed: give up.
std::optional<std::chrono::milliseconds> BusyRetryPause(std::chrono::milliseconds elapsed);

}  // namespace platform
