// MailFileCheck.exe: a console program beside Quorvel and Zembrik, with
// their desktop services for the lookup, the file and the ANSI decoding.
#include <windows.h>

#include <string>
#include <vector>

#include "check/mail_file_check.h"
#include "platform/win32/failure_mapping.h"
#include "platform/win32/file_services.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_desktop.h"

namespace {

using check::NoFile;
using check::NoFileText;
using platform::win32::FromWide;
using platform::win32::ToWide;

// The programs' desktop, decoding in another code page when one is named.
class CheckDesktop final : public platform::win32::Win32Desktop {
 public:
  CheckDesktop() : Win32Desktop(u"MailFileCheck") {}
  void AppendDecodedAnsi(std::u16string& text, std::string_view bytes) override {
    platform::win32::AppendFromAnsiCodePage(text, bytes, codePage);
  }
  UINT codePage = CP_ACP;
};

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// Text to a console as it is; to a file or a pipe as UTF-8 with CR LF line ends.
void Write(DWORD which, std::u16string_view text) {
  const HANDLE stream = GetStdHandle(which);
  if (stream == nullptr || stream == INVALID_HANDLE_VALUE) return;
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(stream, &mode)) {
    constexpr std::size_t kChunk = 8192;
    for (std::size_t at = 0; at < text.size(); at += kChunk) {
      const std::wstring part = ToWide(text.substr(at, kChunk));
      WriteConsoleW(stream, part.data(), static_cast<DWORD>(part.size()), &written, nullptr);
    }
    return;
  }
  std::u16string lines;
  for (const char16_t c : text) {
    if (c == u'\n') lines += u'\r';
    lines += c;
  }
  const std::string bytes = check::Utf8Of(lines);
  for (std::size_t at = 0; at < bytes.size(); at += written) {
    if (!WriteFile(stream, bytes.data() + at, static_cast<DWORD>(bytes.size() - at), &written, nullptr)) return;
  }
}

class Win32System final : public check::System {
 public:
  platform::Desktop& Desktop() override { return desktop_; }

  bool SelectCodePage(unsigned codePage) override {
    if (!IsValidCodePage(codePage)) return false;
    desktop_.codePage = codePage;
    return true;
  }

  unsigned CodePage() override { return desktop_.codePage == CP_ACP ? GetACP() : desktop_.codePage; }
  bool LooksUpFiles() override { return true; }

  // Asks the system what is at path, after the programs' lookup found no normal file there.
  std::u16string WhyNoFile(std::u16string_view path) override {
    if (path.find_first_of(u"*?") != std::u16string_view::npos) return NoFileText(NoFile::Pattern);
    const std::wstring wide = ToWide(path);
    if (platform::win32::NamesDevice(wide)) return NoFileText(NoFile::Device);
    const std::wstring full = platform::win32::FullPathOf(wide);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      if (attributes & FILE_ATTRIBUTE_DIRECTORY) return NoFileText(NoFile::Folder);
      if (attributes & FILE_ATTRIBUTE_HIDDEN) return NoFileText(NoFile::Hidden);
      if (attributes & FILE_ATTRIBUTE_SYSTEM) return NoFileText(NoFile::SystemFile);
      return u"the lookup finds no normal file there";
    }
    const DWORD error = GetLastError();
    switch (error) {
      case ERROR_FILE_NOT_FOUND:
        return NoFileText(NoFile::Missing);
      case ERROR_PATH_NOT_FOUND:
      case ERROR_INVALID_DRIVE:
        if (full.size() >= 3 && IsDriveLetter(full[0]) && full[1] == L':' &&
            GetDriveTypeW(full.substr(0, 3).c_str()) == DRIVE_NO_ROOT_DIR) {
          return NoFileText(NoFile::NoDrive);
        }
        return NoFileText(NoFile::NoFolder);
      case ERROR_BAD_NETPATH:
        return NoFileText(NoFile::NoServer);
      case ERROR_BAD_NET_NAME:
        return NoFileText(NoFile::NoShare);
      case ERROR_INVALID_NAME:
      case ERROR_BAD_PATHNAME:
      case ERROR_DIRECTORY:
        return NoFileText(NoFile::BadName);
      default: {
        std::u16string text = u"Windows says: " + platform::win32::SystemMessageText(HRESULT_FROM_WIN32(error));
        while (text.ends_with(u'.') || text.ends_with(u' ')) text.pop_back();
        return text;
      }
    }
  }

  std::u16string CurrentFolder() override { return desktop_.FullPathName(u"."); }
  void WriteOutput(std::u16string_view text) override { Write(STD_OUTPUT_HANDLE, text); }
  void WriteError(std::u16string_view text) override { Write(STD_ERROR_HANDLE, text); }

 private:
  CheckDesktop desktop_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Win32System system;
  std::vector<std::u16string> arguments;
  for (int at = 1; at < argc; ++at) arguments.push_back(FromWide(argv[at]));
  return check::RunCheck(arguments, system);
}
