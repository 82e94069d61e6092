// The system's wide strings and the logic's UTF-16 strings hold the same code
// units: these copy between the two string types.
#pragma once

#include <string>
#include <string_view>

namespace platform::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 code units");

// A NUL-terminated copy for an API that takes a C string.
inline std::wstring ToWide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

inline std::u16string FromWide(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }

}  // namespace platform::win32
