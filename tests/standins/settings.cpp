#include "settings.h"

#include <cwchar>
#include <cstdint>

#include "journal_text.h"
#include "platform/win32/owners.h"

namespace standins {

using platform::win32::UniqueHandle;

namespace {

struct KindName {
  Fault::Kind kind;
  std::wstring_view name;
};

constexpr KindName kKindNames[] = {
    {Fault::Kind::ExceptionWCode, L"exception-wcode"}, {Fault::Kind::ExceptionSCode, L"exception-scode"},
    {Fault::Kind::HResult, L"hresult"},                {Fault::Kind::ResultI4, L"result-i4"},
    {Fault::Kind::ResultNull, L"result-null"},         {Fault::Kind::ResultEmpty, L"result-empty"},
    {Fault::Kind::UnknownName, L"unknown-name"},      {Fault::Kind::BusyFor, L"busy-ms"},
    {Fault::Kind::BusyCalls, L"busy-calls"},          {Fault::Kind::Dies, L"dies"},
    {Fault::Kind::DiesAfter, L"dies-after"},
};

std::wstring_view NextWord(std::wstring_view& rest) {
  while (!rest.empty() && rest.front() == L' ') rest.remove_prefix(1);
  const std::size_t end = rest.find(L' ');
  const std::wstring_view word = rest.substr(0, end);
  rest.remove_prefix(end == std::wstring_view::npos ? rest.size() : end);
  return word;
}

// Decimal, negative or "0x" hexadecimal; kept to the low 32 bits, as an HRESULT.
long ParseNumber(std::wstring_view word) {
  const std::wstring text(word);
  return static_cast<long>(static_cast<std::uint32_t>(std::wcstoll(text.c_str(), nullptr, 0)));
}

bool ParseFault(std::wstring_view line, Fault& fault) {
  fault.target = NextWord(line);
  const std::wstring_view occurrence = NextWord(line);
  fault.occurrence = occurrence == L"*" ? 0 : static_cast<int>(ParseNumber(occurrence));
  const std::wstring_view kindName = NextWord(line);
  bool known = false;
  for (const KindName& entry : kKindNames) {
    if (entry.name == kindName) {
      fault.kind = entry.kind;
      known = true;
    }
  }
  if (!known || fault.target.empty()) return false;
  while (!line.empty()) {
    while (!line.empty() && line.front() == L' ') line.remove_prefix(1);
    if (line.starts_with(L"desc=")) {
      fault.hasDescription = true;
      fault.description = Unescape(line.substr(5));
      break;
    }
    const std::wstring_view word = NextWord(line);
    if (!word.empty()) fault.number = ParseNumber(word);
  }
  return true;
}

std::wstring EscapeForSettings(std::wstring_view text) {
  const std::wstring quoted = QuoteText(text);
  return quoted.substr(1, quoted.size() - 2);
}

}  // namespace

std::string ToUtf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

std::wstring FromUtf8(std::string_view text) {
  if (text.empty()) return {};
  const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
  return out;
}

std::wstring FormatSettings(const Settings& settings) {
  std::wstring text;
  if (!settings.journalPath.empty()) text += L"journal=" + settings.journalPath + L"\n";
  switch (settings.notesWindow) {
    case NotesWindowMode::Normal: text += L"notes-window=normal\n"; break;
    case NotesWindowMode::Minimized: text += L"notes-window=minimized\n"; break;
    case NotesWindowMode::None: text += L"notes-window=none\n"; break;
  }
  for (const Fault& fault : settings.faults) {
    text += L"fault=" + fault.target + L" " + (fault.occurrence == 0 ? L"*" : std::to_wstring(fault.occurrence));
    for (const KindName& entry : kKindNames) {
      if (entry.kind == fault.kind) text += L" " + std::wstring(entry.name);
    }
    wchar_t number[16];
    std::swprintf(number, 16, L"0x%08lX", static_cast<unsigned long>(fault.number));
    text += L" ";
    text += number;
    if (fault.hasDescription) text += L" desc=" + EscapeForSettings(fault.description);
    text += L"\n";
  }
  return text;
}

Settings ParseSettings(std::wstring_view text) {
  Settings settings;
  while (!text.empty()) {
    const std::size_t end = text.find(L'\n');
    std::wstring_view line = text.substr(0, end);
    text.remove_prefix(end == std::wstring_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == L'\r') line.remove_suffix(1);
    const std::size_t equals = line.find(L'=');
    if (equals == std::wstring_view::npos) continue;
    const std::wstring_view key = line.substr(0, equals);
    const std::wstring_view value = line.substr(equals + 1);
    if (key == L"journal") {
      settings.journalPath = value;
    } else if (key == L"notes-window") {
      settings.notesWindow = value == L"minimized" ? NotesWindowMode::Minimized
                             : value == L"none"    ? NotesWindowMode::None
                                                   : NotesWindowMode::Normal;
    } else if (key == L"fault") {
      Fault fault;
      if (ParseFault(value, fault)) settings.faults.push_back(std::move(fault));
    }
  }
  return settings;
}

Settings ReadSettingsFile(const std::wstring& path) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return {};
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
  return ParseSettings(FromUtf8(bytes));
}

bool WriteSettingsFile(const std::wstring& path, const Settings& settings) {
  UniqueHandle file(
      CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  const std::string bytes = ToUtf8(FormatSettings(settings));
  DWORD written = 0;
  return WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

std::wstring ModulePath() {
  // Any address inside this module names it: the executable or the DLL.
  static const char anchor = 0;
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&anchor), &module);
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) return path.substr(0, length);
    path.resize(path.size() * 2);
  }
}

std::wstring ModuleFolder() {
  const std::wstring path = ModulePath();
  return path.substr(0, path.find_last_of(L'\\'));
}

}  // namespace standins
