#include "test_support.h"

#include <stdexcept>

#include "folders.h"
#include "platform/win32/owners.h"

namespace desktop_tests {
namespace {

using platform::win32::UniqueHandle;

void CloseKey(HKEY key) { RegCloseKey(key); }
using UniqueKey = platform::win32::UniqueResource<HKEY, CloseKey>;

std::wstring GuidText(const GUID& guid) {
  wchar_t text[64] = {};
  StringFromGUID2(guid, text, 64);
  return text;
}

void SetDefaultValue(const std::wstring& key, const std::wstring& value) {
  HKEY created = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &created, nullptr) !=
      ERROR_SUCCESS) {
    throw std::runtime_error("cannot create a registry key");
  }
  const UniqueKey handle(created);
  RegSetValueExW(handle.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

std::u16string Utf16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

ScratchFolder::ScratchFolder() {
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  path_ = std::wstring(temp) + L"qz-desktop-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
          std::to_wstring(GetTickCount());
  if (!CreateDirectoryW(path_.c_str(), nullptr)) throw std::runtime_error("cannot create the scratch folder");
}

ScratchFolder::~ScratchFolder() { wine_tests::DeleteTree(path_); }

std::wstring ScratchFolder::Path(const std::wstring& name) const { return name.empty() ? path_ : path_ + L"\\" + name; }

std::wstring ScratchFolder::AddFile(const std::wstring& name, const std::string& bytes, DWORD attributes) const {
  const std::wstring path = Path(name);
  {
    UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) throw std::runtime_error("cannot create a scratch file");
    DWORD written = 0;
    WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  }
  SetFileAttributesW(path.c_str(), attributes);
  return path;
}

std::wstring ScratchFolder::AddFolder(const std::wstring& name) const {
  const std::wstring path = Path(name);
  CreateDirectoryW(path.c_str(), nullptr);
  return path;
}

ClassRegistration::ClassRegistration(const std::wstring& progId, const GUID& classId, const std::wstring& serverKind,
                                     const std::wstring& serverPath)
    : progIdKey_(L"Software\\Classes\\" + progId), classKey_(L"Software\\Classes\\CLSID\\" + GuidText(classId)) {
  SetDefaultValue(progIdKey_ + L"\\CLSID", GuidText(classId));
  SetDefaultValue(classKey_, progId);
  if (!serverKind.empty()) SetDefaultValue(classKey_ + L"\\" + serverKind, serverPath);
}

ClassRegistration::~ClassRegistration() {
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, progIdKey_.c_str());
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, classKey_.c_str());
}

ClassObjectRegistration::ClassObjectRegistration(const GUID& classId, IUnknown* factory) {
  if (FAILED(CoRegisterClassObject(classId, factory, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                                   &cookie_))) {
    throw std::runtime_error("cannot register the class object");
  }
}

ClassObjectRegistration::~ClassObjectRegistration() { CoRevokeClassObject(cookie_); }

}  // namespace desktop_tests
