// The two Unicode encodings a mail file can announce with a byte-order mark,
// decoded one line at a time. Every unit that is not valid in its encoding
// becomes U+FFFD: the text never fails to decode and loses no character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mailfile {

inline constexpr char16_t kReplacementCharacter = u'\uFFFD';

// Each byte that does not belong to a well-formed UTF-8 sequence (a stray
// continuation byte, a sequence cut short, an overlong form, a surrogate or a
// value past U+10FFFF) becomes one U+FFFD.
void AppendUtf8(std::u16string& text, std::string_view bytes);

// The length of the well-formed UTF-8 sequence of two to four bytes that
// starts at bytes[at]; 0 when there is none (ASCII included).
std::size_t WellFormedUtf8Length(std::string_view bytes, std::size_t at);

// A surrogate without its partner becomes U+FFFD.
void AppendUtf16(std::u16string& text, std::u16string_view units);

}  // namespace mailfile
