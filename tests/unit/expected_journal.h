// The recording desktop's journal for a composer's expected run.
#pragma once

#include <string>
#include <vector>

#include "platform/desktop.h"
#include "composers.h"

namespace testing_support {

// The lines FakeDesktop journals for steps, with notesWindow as the handle
// the window lookup gives.
std::vector<std::string> JournalOf(const std::vector<oracles::Step>& steps, platform::WindowHandle notesWindow = 0);

}  // namespace testing_support
