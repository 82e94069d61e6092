#pragma once

#include <string_view>

#include "platform/desktop.h"

namespace platform {

// The one box a composer shows for a failure: the "not installed" text for
// 429, whichever step raised it, otherwise the general message. Both critical.
void ReportFailure(Desktop& desktop, const Failure& failure, std::u16string_view notInstalledText);

}  // namespace platform
