#include "registration.h"

#include <algorithm>

#include "platform/win32/owners.h"
#include "same_name.h"

namespace standins {
namespace {

void CloseKey(HKEY key) { RegCloseKey(key); }
using UniqueKey = platform::win32::UniqueResource<HKEY, CloseKey>;

constexpr StandinClass kNotesClasses[] = {
    {L"NotesSession", L"Notes.NotesSession", L"Notes stand-in session"},
    {L"NotesUIWorkspace", L"Notes.NotesUIWorkspace", L"Notes stand-in workspace"},
};

constexpr StandinClass kOutlookClasses[] = {
    {L"Application", L"Outlook.Application", L"Outlook stand-in application"},
};

std::wstring ClsidText(const CLSID& clsid) {
  wchar_t text[40] = {};
  StringFromGUID2(clsid, text, 40);
  return text;
}

bool SetValue(const std::wstring& keyPath, const wchar_t* name, const std::wstring& value) {
  UniqueKey key;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  return RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

void Unregister(const StandinClass& standin) {
  if (const std::optional<CLSID> clsid = RegisteredClsid(standin)) {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + ClsidText(*clsid)).c_str());
  }
  RegDeleteTreeW(HKEY_CLASSES_ROOT, std::wstring(standin.progId).c_str());
}

bool Register(const StandinClass& standin, const std::wstring& serverPath, ServerKind kind) {
  Unregister(standin);
  CLSID clsid{};
  if (FAILED(CoCreateGuid(&clsid))) return false;
  const std::wstring clsidKey = L"CLSID\\" + ClsidText(clsid);
  const std::wstring progIdKey(standin.progId);
  const bool server = kind == ServerKind::Local
                          ? SetValue(clsidKey + L"\\LocalServer32", nullptr, L"\"" + serverPath + L"\"")
                          : SetValue(clsidKey + L"\\InprocServer32", nullptr, serverPath) &&
                                SetValue(clsidKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
  return server && SetValue(clsidKey, nullptr, std::wstring(standin.description)) &&
         SetValue(clsidKey + L"\\ProgID", nullptr, progIdKey) &&
         SetValue(progIdKey, nullptr, std::wstring(standin.description)) &&
         SetValue(progIdKey + L"\\CLSID", nullptr, ClsidText(clsid));
}

}  // namespace

std::span<const StandinClass> NotesClasses() { return kNotesClasses; }
std::span<const StandinClass> OutlookClasses() { return kOutlookClasses; }

std::optional<CLSID> RegisteredClsid(const StandinClass& standin) {
  wchar_t text[64] = {};
  LONG size = sizeof text;
  if (RegQueryValueW(HKEY_CLASSES_ROOT, (std::wstring(standin.progId) + L"\\CLSID").c_str(), text, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  CLSID clsid{};
  if (FAILED(CLSIDFromString(text, &clsid))) return std::nullopt;
  return clsid;
}

bool RegisterClasses(std::span<const StandinClass> classes, std::span<const std::wstring> names,
                     const std::wstring& serverPath, ServerKind kind) {
  bool ok = true;
  for (const StandinClass& standin : classes) {
    const bool wanted = names.empty() || std::ranges::any_of(names, [&](const std::wstring& name) {
                          return SameName(name, standin.name);
                        });
    if (wanted) {
      ok = Register(standin, serverPath, kind) && ok;
    } else {
      Unregister(standin);
    }
  }
  return ok;
}

void UnregisterClasses(std::span<const StandinClass> classes) {
  for (const StandinClass& standin : classes) Unregister(standin);
}

}  // namespace standins
