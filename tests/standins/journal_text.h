// How the stand-ins write values into their journal: plain ASCII, every
// control character, NUL and non-ASCII character escaped, so that a test can
// compare a journal line with the value it expects character for character.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>

namespace standins {

// The text in double quotes: \\ \" \r \n \t \0 and \uXXXX for everything
// else outside printable ASCII.
std::wstring QuoteText(std::wstring_view text);

// A BSTR: null for the null BSTR, otherwise QuoteText of all its characters
// (embedded NULs included).
std::wstring QuoteBstr(BSTR text);

// The inverse of the escapes of QuoteText, without the quotes; used for the
// settings file, where descriptions may hold any character.
std::wstring Unescape(std::wstring_view text);

// "VT_BYREF|VT_BSTR", "VT_I2", "VT_DISPATCH", ...
std::wstring VarTypeName(VARTYPE type);

}  // namespace standins
