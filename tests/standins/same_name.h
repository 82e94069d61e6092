#pragma once

#include <algorithm>
#include <cwctype>
#include <string_view>

namespace standins {

// Letter case does not matter in ProgIDs, member names and fault targets.
inline bool SameName(std::wstring_view left, std::wstring_view right) {
  return std::ranges::equal(left, right, [](wchar_t a, wchar_t b) { return std::towlower(a) == std::towlower(b); });
}

}  // namespace standins
