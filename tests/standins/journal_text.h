// How the stand-ins write values into their journal: plain ASCII, every
// control character, NUL and non-ASCII character escaped, so that a test can
// compare a journal line with the value it expects character for character.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace standins {

// The text in double quotes: \\ \" \r \n \t \0 and \uXXXX for everything
// else outside printable ASCII.
std::wstring QuoteText(std::wstring_view text);

// Texts longer than this are journalled by length and digest, so that a
// mail file of hundreds of megabytes does not make a journal line of a gigabyte.
inline constexpr std::size_t kLongestQuotedText = std::size_t{4} << 20;

// FNV-1a over the UTF-16 code units, fed in pieces.
class TextDigest {
 public:
  void Add(std::wstring_view text);
  unsigned long Value() const { return hash_; }

 private:
  unsigned long hash_ = 2166136261ul;
};

// "{length N, fnv1a 0xXXXXXXXX}": the journal's form of a text too long to quote.
std::wstring SummaryText(std::size_t length, unsigned long digest);

// QuoteText up to kLongestQuotedText characters, SummaryText beyond.
std::wstring JournalText(std::wstring_view text);

// A BSTR: null for the null BSTR, otherwise JournalText of all its characters
// (embedded NULs included).
std::wstring QuoteBstr(BSTR text);

// The inverse of the escapes of QuoteText, without the quotes; used for the
// settings file, where descriptions may hold any character.
std::wstring Unescape(std::wstring_view text);

// "VT_BYREF|VT_BSTR", "VT_I2", "VT_DISPATCH", ...
std::wstring VarTypeName(VARTYPE type);

}  // namespace standins
