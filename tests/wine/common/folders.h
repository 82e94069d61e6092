// Scratch folders of the Wine tests.
#pragma once

#include <string>

namespace wine_tests {

// Removes folder and everything in it, read-only entries included; what
// cannot be removed stays, so a test never fails in its clean-up.
void DeleteTree(const std::wstring& folder);

}  // namespace wine_tests
