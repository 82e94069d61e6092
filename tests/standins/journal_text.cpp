#include "journal_text.h"

#include <cwchar>

namespace standins {

namespace {

void AppendHex4(std::wstring& out, unsigned value) {
  wchar_t buffer[8];
  std::swprintf(buffer, 8, L"%04X", value & 0xFFFFu);
  out += buffer;
}

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

}  // namespace

std::wstring QuoteText(std::wstring_view text) {
  std::wstring out = L"\"";
  for (const wchar_t c : text) {
    switch (c) {
      case L'\\': out += L"\\\\"; break;
      case L'"': out += L"\\\""; break;
      case L'\r': out += L"\\r"; break;
      case L'\n': out += L"\\n"; break;
      case L'\t': out += L"\\t"; break;
      case L'\0': out += L"\\0"; break;
      default:
        if (c < 0x20 || c > 0x7E) {
          out += L"\\u";
          AppendHex4(out, c);
        } else {
          out += c;
        }
    }
  }
  out += L'"';
  return out;
}

void TextDigest::Add(std::wstring_view text) {
  for (const wchar_t c : text) {
    hash_ ^= static_cast<unsigned long>(static_cast<unsigned short>(c));
    hash_ = (hash_ * 16777619ul) & 0xFFFFFFFFul;
  }
}

std::wstring SummaryText(std::size_t length, unsigned long digest) {
  wchar_t hex[16];
  std::swprintf(hex, 16, L"0x%08lX", digest);
  return L"{length " + std::to_wstring(length) + L", fnv1a " + hex + L"}";
}

std::wstring JournalText(std::wstring_view text) {
  if (text.size() <= kLongestQuotedText) return QuoteText(text);
  TextDigest digest;
  digest.Add(text);
  return SummaryText(text.size(), digest.Value());
}

std::wstring QuoteBstr(BSTR text) {
  if (text == nullptr) return L"null";
  return JournalText(std::wstring_view(text, SysStringLen(text)));
}

std::wstring Unescape(std::wstring_view text) {
  std::wstring out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != L'\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const wchar_t next = text[++i];
    switch (next) {
      case L'r': out += L'\r'; break;
      case L'n': out += L'\n'; break;
      case L't': out += L'\t'; break;
      case L'0': out += L'\0'; break;
      case L'u': {
        unsigned value = 0;
        std::size_t digits = 0;
        while (digits < 4 && i + 1 < text.size() && HexDigit(text[i + 1]) >= 0) {
          value = value * 16 + static_cast<unsigned>(HexDigit(text[++i]));
          ++digits;
        }
        out += static_cast<wchar_t>(value);
        break;
      }
      default: out += next;
    }
  }
  return out;
}

std::wstring VarTypeName(VARTYPE type) {
  std::wstring prefix;
  if ((type & VT_BYREF) != 0) prefix += L"VT_BYREF|";
  if ((type & VT_ARRAY) != 0) prefix += L"VT_ARRAY|";
  switch (type & VT_TYPEMASK) {
    case VT_EMPTY: return prefix + L"VT_EMPTY";
    case VT_NULL: return prefix + L"VT_NULL";
    case VT_I2: return prefix + L"VT_I2";
    case VT_I4: return prefix + L"VT_I4";
    case VT_R4: return prefix + L"VT_R4";
    case VT_R8: return prefix + L"VT_R8";
    case VT_CY: return prefix + L"VT_CY";
    case VT_DATE: return prefix + L"VT_DATE";
    case VT_BSTR: return prefix + L"VT_BSTR";
    case VT_DISPATCH: return prefix + L"VT_DISPATCH";
    case VT_ERROR: return prefix + L"VT_ERROR";
    case VT_BOOL: return prefix + L"VT_BOOL";
    case VT_VARIANT: return prefix + L"VT_VARIANT";
    case VT_UNKNOWN: return prefix + L"VT_UNKNOWN";
    case VT_I1: return prefix + L"VT_I1";
    case VT_UI1: return prefix + L"VT_UI1";
    case VT_UI2: return prefix + L"VT_UI2";
    case VT_UI4: return prefix + L"VT_UI4";
    case VT_INT: return prefix + L"VT_INT";
    case VT_UINT: return prefix + L"VT_UINT";
    default: return prefix + L"VT_" + std::to_wstring(type & VT_TYPEMASK);
  }
}

}  // namespace standins
