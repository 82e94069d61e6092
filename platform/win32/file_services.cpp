#include "platform/win32/file_services.h"

#include <windows.h>

#include <algorithm>
#include <climits>

#include "platform/win32/owners.h"
#include "platform/win32/failure_mapping.h"
#include "platform/win32/wide_text.h"

namespace platform::win32 {
namespace {

bool NamesNoFile(DWORD searchError) {
  switch (searchError) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_NO_MORE_FILES:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return true;
    default:
      return false;
  }
}

bool IsNormalFile(DWORD attributes) {
  return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
}

// A path the system would refuse for its length (MAX_PATH and more, once made
// full) goes to the file system in the extended form \\?\C:\... (or
// \\?\UNC\server\...), which has no such limit. That form is taken
// literally, so the full path is made first, as the system would make it.
// Shorter paths, and those already in the \\?\ or \\.\ form, go as they are.
std::wstring WithoutLengthLimit(const std::wstring& path) {
  if (path.starts_with(LR"(\\?\)") || path.starts_with(LR"(\\.\)")) return path;
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size <= MAX_PATH) return path;  // size counts the terminating NUL; 0: no full path
  std::wstring full(size, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return path;
  full.resize(length);
  if (full.starts_with(LR"(\\?\)") || full.starts_with(LR"(\\.\)")) return full;
  if (full.starts_with(LR"(\\)")) return LR"(\\?\UNC\)" + full.substr(2);
  return LR"(\\?\)" + full;
}

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

class DiskFile final : public InputFile {
 public:
  explicit DiskFile(UniqueHandle handle) : handle_(std::move(handle)) {}

  std::size_t Read(std::span<char> buffer) override {
    constexpr std::size_t kLargestRead = 1u << 30;
    const auto wanted = static_cast<DWORD>(std::min(buffer.size(), kLargestRead));
    DWORD got = 0;
    if (!ReadFile(handle_.Get(), buffer.data(), wanted, &got, nullptr)) {
      throw FailureFromWin32Error(GetLastError(), Operation::FileAccess);
    }
    return static_cast<std::size_t>(got);
  }

  std::uint64_t SizeHint() override {
    LARGE_INTEGER size{};
    return GetFileSizeEx(handle_.Get(), &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
  }

 private:
  UniqueHandle handle_;
};

}  // namespace

std::wstring FullPathOf(const std::wstring& path) {
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return std::wstring();
    if (length < full.size()) {
      full.resize(length);
      return full;
    }
    full.resize(length);  // too small: length counts the terminating NUL
  }
}

bool NamesDevice(const std::wstring& path) { return FullPathOf(path).starts_with(LR"(\\.\)"); }

// The lookup gives "" when nothing normal matches: no such file or folder
// (ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_NO_MORE_FILES), no such
// server or share (ERROR_BAD_NETPATH, ERROR_BAD_NET_NAME), a name
// no file can have (ERROR_INVALID_NAME, ERROR_BAD_PATHNAME, ERROR_DIRECTORY:
// characters Windows forbids, a path in double quotes, wildcards in a folder
// part, a file used as a folder), or only folders, hidden and system files.
// A device such as NUL, COM1 or \\.\... is no file either, normal or not.
// It FAILS where "no such file" would hide a mistake or a fault: a NUL, which
// would cut the path short (52); and every other error of the search,
// numbered by failure_mapping.cpp (too long: 52; access denied, as in a
// folder that may not be listed: 70; drive not ready: 71; network errors,
// as for a server that cannot be reached: their HRESULT), as the file may
// well be there.
std::u16string FindFirstNormalFile(std::u16string_view path) {
  if (path.empty()) return std::u16string();
  if (path.find(u'\0') != std::u16string_view::npos) throw MakeFailure(RuntimeError::BadFileName);
  const std::wstring widePath = ToWide(path);
  if (NamesDevice(widePath)) return std::u16string();
  const std::wstring searchPath = WithoutLengthLimit(widePath);

  WIN32_FIND_DATAW found;
  UniqueFindHandle search(FindFirstFileW(searchPath.c_str(), &found));
  if (!search.Valid()) {
    const DWORD error = GetLastError();
    if (NamesNoFile(error)) return std::u16string();
    throw FailureFromWin32Error(error, Operation::FileAccess);
  }
  do {
    if (IsNormalFile(found.dwFileAttributes)) return FromWide(found.cFileName);
  } while (FindNextFileW(search.Get(), &found));
  const DWORD error = GetLastError();
  if (error != ERROR_NO_MORE_FILES) throw FailureFromWin32Error(error, Operation::FileAccess);
  return std::u16string();
}

std::u16string FullPathName(std::u16string_view path) {
  if (path.find(u'\0') != std::u16string_view::npos) throw MakeFailure(RuntimeError::BadFileName);
  const std::wstring full = FullPathOf(ToWide(path));
  if (full.empty()) throw FailureFromWin32Error(GetLastError(), Operation::FileAccess);
  return FromWide(full);
}

// Read sharing only: a file another program holds open for writing (or
// locked) fails to open rather than be read half written.
std::unique_ptr<InputFile> OpenFileForInput(std::u16string_view path) {
  if (path.find(u'\0') != std::u16string_view::npos) throw MakeFailure(RuntimeError::BadFileName);
  const std::wstring widePath = WithoutLengthLimit(ToWide(path));
  UniqueHandle file(CreateFileW(widePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.Valid()) {
    const DWORD error = GetLastError();
    if (error == ERROR_ACCESS_DENIED && IsFolder(widePath)) throw MakeFailure(RuntimeError::PathFileAccessError);
    throw FailureFromWin32Error(error, Operation::FileAccess);
  }
  // A console, NUL, a serial port or a pipe is no mail file, and reading one
  // could wait for ever.
  if (GetFileType(file.Get()) != FILE_TYPE_DISK) throw MakeFailure(RuntimeError::BadFileName);
  return std::make_unique<DiskFile>(std::move(file));
}

static_assert(CP_ACP == 0, "code page 0 is the system's ANSI code page");

// Decodes straight into the tail of text. No ANSI code page gives more UTF-16
// units than bytes, so one call does; should one ever give more, the system is
// asked for the length. Text keeps its old length whenever this fails.
void AppendFromAnsiCodePage(std::u16string& text, std::string_view bytes, unsigned codePage) {
  if (bytes.empty()) return;
  // The conversion counts in int; no line of that size fits in a string here anyway.
  if (bytes.size() > static_cast<std::size_t>(INT_MAX)) throw MakeFailure(RuntimeError::OutOfMemory);
  const int byteCount = static_cast<int>(bytes.size());
  const std::size_t start = text.size();
  DWORD error = ERROR_SUCCESS;
  const auto decodeInto = [&](int room) {
    text.resize(start + static_cast<std::size_t>(room));
    const int written = MultiByteToWideChar(codePage, 0, bytes.data(), byteCount,
                                            reinterpret_cast<wchar_t*>(text.data() + start), room);
    error = written > 0 ? ERROR_SUCCESS : GetLastError();
    text.resize(start + static_cast<std::size_t>(std::max(written, 0)));
    return written > 0;
  };
  if (decodeInto(byteCount)) return;
  if (error == ERROR_INSUFFICIENT_BUFFER) {
    const int needed = MultiByteToWideChar(codePage, 0, bytes.data(), byteCount, nullptr, 0);
    if (needed <= 0) throw FailureFromWin32Error(GetLastError(), Operation::FileAccess);
    if (decodeInto(needed)) return;
  }
  throw FailureFromWin32Error(error, Operation::FileAccess);
}

}  // namespace platform::win32
