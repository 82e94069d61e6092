// Windows-1252, the ANSI code page of a Western European Windows, for builds
// that have no system code page to ask.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Decodes as Windows does: the five bytes that 1252 leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control characters of the same value.
std::u16string DecodeWindows1252(std::string_view bytes);
// Appends the decoding of bytes to text.
void AppendWindows1252(std::u16string& text, std::string_view bytes);

}  // namespace platform
