#include "journal.h"

#include <windows.h>

#include "platform/win32/owners.h"
#include "settings.h"

namespace standins {

using platform::win32::UniqueHandle;

void Journal::Write(std::wstring_view line) const {
  if (path_.empty()) return;
  // Two stand-in servers may journal into one file: each line is one append.
  UniqueHandle file(CreateFileW(path_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return;
  const std::string bytes = ToUtf8(line) + "\n";
  DWORD written = 0;
  WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace standins
