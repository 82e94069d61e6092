#include "platform/windows1252.h"

#include <array>

namespace platform {
namespace {

// 0x80 to 0x9F; every other byte maps to the code point of the same value.
constexpr std::array<char16_t, 32> kHighControlRow = {
    u'\u20AC', u'\u0081', u'\u201A', u'\u0192', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u02C6', u'\u2030', u'\u0160', u'\u2039', u'\u0152', u'\u008D', u'\u017D', u'\u008F',
    u'\u0090', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\u02DC', u'\u2122', u'\u0161', u'\u203A', u'\u0153', u'\u009D', u'\u017E', u'\u0178',
};

}  // namespace

std::u16string DecodeWindows1252(std::string_view bytes) {
  std::u16string text;
  AppendWindows1252(text, bytes);
  return text;
}

void AppendWindows1252(std::u16string& text, std::string_view bytes) {
  const std::size_t start = text.size();
  text.resize(start + bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    text[start + i] = (byte >= 0x80 && byte < 0xA0) ? kHighControlRow[byte - 0x80] : static_cast<char16_t>(byte);
  }
}

}  // namespace platform
