// The file system as the logic uses it: the file-name lookup, the mail file
// opened for sequential reading, and text in the system's ANSI code page.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/desktop.h"

namespace platform::win32 {

std::u16string FindFirstNormalFile(std::u16string_view path);

// GetFullPathNameW of path.
std::u16string FullPathName(std::u16string_view path);
// The same, "" when the system can make none (blanks only, say).
std::wstring FullPathOf(const std::wstring& path);

// The system treats a name like NUL or COM1.txt in any folder as the device;
// its full path name then lies in the device namespace, \\.\NUL.
bool NamesDevice(const std::wstring& path);

std::unique_ptr<InputFile> OpenFileForInput(std::u16string_view path);

// codePage: the system's ANSI code page unless another is named.
void AppendFromAnsiCodePage(std::u16string& text, std::string_view bytes, unsigned codePage = 0);

}  // namespace platform::win32
