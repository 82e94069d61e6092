#include "folders.h"

#include <windows.h>

#include "platform/win32/owners.h"

namespace wine_tests {

void DeleteTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found{};
  const platform::win32::UniqueFindHandle search(FindFirstFileW((folder + L"\\*").c_str(), &found));
  if (search.Valid()) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) DeleteTree(path);
      else DeleteFileW(path.c_str());
    } while (FindNextFileW(search.Get(), &found));
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace wine_tests
