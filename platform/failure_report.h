#pragma once

#include <string_view>

#include "platform/desktop.h"

namespace platform {

// How a composer's hand-off ended, for the caller that must tell a batch job.
enum class HandOff { Completed, ClientNotInstalled, Failed };

// The one box a composer shows for a failure: the "not installed" text for
// 429, whichever step raised it, otherwise the general message. Both critical.
// Gives how the hand-off ended: ClientNotInstalled after the first box,
// Failed after the second.
HandOff ReportFailure(Desktop& desktop, const Failure& failure, std::u16string_view notInstalledText);

// Called from a handler that nothing may pass, at the edge of the program:
// the exception being handled (see CurrentFailure) told in one critical box
// with the general message. A box that cannot be shown leaves nothing to
// tell it with.
void ReportUnhandled(Desktop& desktop) noexcept;

}  // namespace platform
