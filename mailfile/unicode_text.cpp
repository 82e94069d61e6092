#include "mailfile/unicode_text.h"

#include <cstddef>

namespace mailfile {
namespace {

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void AppendCodePoint(std::u16string& text, char32_t codePoint) {
  if (codePoint < 0x10000) {
    text += static_cast<char16_t>(codePoint);
    return;
  }
  codePoint -= 0x10000;
  text += static_cast<char16_t>(0xD800 + (codePoint >> 10));
  text += static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF));
}

// The length of the well-formed sequence that starts at bytes[at], decoded
// into codePoint; 0 when there is none. The ranges of the second byte are
// those that rule out overlong forms, surrogates and values past U+10FFFF.
std::size_t WellFormedSequence(std::string_view bytes, std::size_t at, char32_t& codePoint) {
  const auto lead = static_cast<unsigned char>(bytes[at]);
  std::size_t length = 0;
  unsigned char secondLow = 0x80;
  unsigned char secondHigh = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    codePoint = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    codePoint = lead & 0x0Fu;
    if (lead == 0xE0) secondLow = 0xA0;
    if (lead == 0xED) secondHigh = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    codePoint = lead & 0x07u;
    if (lead == 0xF0) secondLow = 0x90;
    if (lead == 0xF4) secondHigh = 0x8F;
  } else {
    return 0;
  }
  if (bytes.size() - at < length) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(bytes[at + k]);
    const unsigned char low = k == 1 ? secondLow : 0x80;
    const unsigned char high = k == 1 ? secondHigh : 0xBF;
    if (next < low || next > high) return 0;
    codePoint = (codePoint << 6) | (next & 0x3Fu);
  }
  return length;
}

}  // namespace

std::size_t WellFormedUtf8Length(std::string_view bytes, std::size_t at) {
  char32_t codePoint = 0;
  return WellFormedSequence(bytes, at, codePoint);
}

void AppendUtf8(std::u16string& text, std::string_view bytes) {
  std::size_t at = 0;
  while (at < bytes.size()) {
    if (static_cast<unsigned char>(bytes[at]) < 0x80) {
      // A run of ASCII, most of a typical mail file, is widened in one go.
      std::size_t end = at + 1;
      while (end < bytes.size() && static_cast<unsigned char>(bytes[end]) < 0x80) ++end;
      const std::size_t start = text.size();
      text.resize(start + (end - at));
      for (std::size_t k = at; k < end; ++k) text[start + (k - at)] = static_cast<char16_t>(bytes[k]);
      at = end;
      continue;
    }
    char32_t codePoint = 0;
    const std::size_t length = WellFormedSequence(bytes, at, codePoint);
    if (length == 0) {
      // Only this byte is replaced: the next one is looked at afresh.
      text += kReplacementCharacter;
      ++at;
      continue;
    }
    AppendCodePoint(text, codePoint);
    at += length;
  }
}

void AppendUtf16(std::u16string& text, std::u16string_view units) {
  for (std::size_t at = 0; at < units.size(); ++at) {
    const char16_t unit = units[at];
    if (IsHighSurrogate(unit) && at + 1 < units.size() && IsLowSurrogate(units[at + 1])) {
      text += unit;
      text += units[++at];
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      text += kReplacementCharacter;
    } else {
      text += unit;
    }
  }
}

}  // namespace mailfile
