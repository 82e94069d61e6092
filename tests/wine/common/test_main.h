// The main of the test programs that run under Wine, shared: a crash ends the
// run at once, as failed; windows are read in the pixels of the DPI-aware
// programs; the main thread is in a COM apartment; then GoogleTest runs.
#pragma once

#include <optional>

namespace wine_tests {

// Defined by each test program; called before GoogleTest sees the command
// line. A value ends the program with that exit code and runs no test.
std::optional<int> RunInstead(int argc, wchar_t** argv);

}  // namespace wine_tests
