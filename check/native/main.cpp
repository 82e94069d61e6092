// MailFileCheck without Windows, for an export's own CI on Linux: files are
// looked up as plain POSIX files, ANSI is the code page given (1252 unless
// told), and attachments are not looked up, as only Windows can say what the
// programs would find.
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "check/mail_file_check.h"
#include "mailfile/unicode_text.h"
#include "platform/failure.h"
#include "platform/reader_only_desktop.h"
#include "platform/windows1252.h"

namespace {

using platform::MakeFailure;
using platform::RuntimeError;

std::u16string FromUtf8(std::string_view bytes) {
  std::u16string text;
  mailfile::AppendUtf8(text, bytes);
  return text;
}

platform::Failure FailureOf(int error) {
  switch (error) {
    case ENOENT:
      return MakeFailure(RuntimeError::FileNotFound);
    case EACCES:
    case EPERM:
      return MakeFailure(RuntimeError::PermissionDenied);
    case EISDIR:
      return MakeFailure(RuntimeError::PathFileAccessError);
    default:
      return MakeFailure(RuntimeError::DeviceIoError);
  }
}

class PosixFile final : public platform::InputFile {
 public:
  explicit PosixFile(int descriptor) : descriptor_(descriptor) {}
  ~PosixFile() override { close(descriptor_); }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  std::size_t Read(std::span<char> buffer) override {
    for (;;) {
      const ssize_t got = read(descriptor_, buffer.data(), buffer.size());
      if (got >= 0) return static_cast<std::size_t>(got);
      if (errno != EINTR) throw FailureOf(errno);
    }
  }

  std::uint64_t SizeHint() override {
    struct stat status {};
    return fstat(descriptor_, &status) == 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
  }

 private:
  int descriptor_;
};

struct IconvClose {
  void operator()(void* handle) const { iconv_close(static_cast<iconv_t>(handle)); }
};

// Decodes ANSI text as the programs would on a Windows of that code page:
// 1252 from the programs' own table, 65001 as the reader decodes UTF-8, any
// other through iconv, where a byte it cannot decode becomes U+FFFD.
class AnsiCodePage {
 public:
  bool Select(unsigned codePage) {
    if (codePage == 1252 || codePage == 65001) {
      converter_.reset();
    } else {
      const std::string name = "CP" + std::to_string(codePage);
      const iconv_t handle = iconv_open("UTF-16LE", name.c_str());
      if (handle == reinterpret_cast<iconv_t>(-1)) return false;
      converter_.reset(handle);
    }
    codePage_ = codePage;
    return true;
  }

  unsigned Number() const { return codePage_; }

  void Append(std::u16string& text, std::string_view bytes) {
    if (codePage_ == 1252) return platform::AppendWindows1252(text, bytes);
    if (codePage_ == 65001) return mailfile::AppendUtf8(text, bytes);
    const iconv_t handle = static_cast<iconv_t>(converter_.get());
    iconv(handle, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    std::array<char, 4096> chunk;
    while (inLeft > 0) {
      char* out = chunk.data();
      std::size_t outLeft = chunk.size();
      const std::size_t converted = iconv(handle, &in, &inLeft, &out, &outLeft);
      const int error = errno;
      for (const char* pair = chunk.data(); pair + 1 < out; pair += 2) {
        text += static_cast<char16_t>(static_cast<unsigned char>(pair[0]) | (static_cast<unsigned char>(pair[1]) << 8));
      }
      if (converted == static_cast<std::size_t>(-1) && error != E2BIG) {
        text += mailfile::kReplacementCharacter;
        ++in;
        --inLeft;
        iconv(handle, nullptr, nullptr, nullptr, nullptr);
      }
    }
  }

 private:
  unsigned codePage_ = 1252;
  std::unique_ptr<void, IconvClose> converter_;
};

class NativeDesktop final : public platform::ReaderOnlyDesktop {
 public:
  explicit NativeDesktop(AnsiCodePage& codePage) : codePage_(codePage) {}

  // A regular file is a normal file; anything else is none.
  std::u16string FindFileName(std::u16string_view path) override {
    struct stat status {};
    const std::string name = check::Utf8Of(path);
    if (name.find('\0') != std::string::npos) throw MakeFailure(RuntimeError::BadFileName);
    if (stat(name.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::u16string();
    return FromUtf8(name.substr(name.find_last_of('/') + 1));
  }

  std::unique_ptr<platform::InputFile> OpenForInput(std::u16string_view path) override {
    const int descriptor = open(check::Utf8Of(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) throw FailureOf(errno);
    return std::make_unique<PosixFile>(descriptor);
  }

  void AppendDecodedAnsi(std::u16string& text, std::string_view bytes) override { codePage_.Append(text, bytes); }

 private:
  AnsiCodePage& codePage_;
};

class NativeSystem final : public check::System {
 public:
  platform::Desktop& Desktop() override { return desktop_; }
  bool SelectCodePage(unsigned codePage) override { return codePage_.Select(codePage); }
  unsigned CodePage() override { return codePage_.Number(); }
  bool LooksUpFiles() override { return false; }

  std::u16string WhyNoFile(std::u16string_view path) override {
    struct stat status {};
    if (stat(check::Utf8Of(path).c_str(), &status) == 0) {
      return S_ISDIR(status.st_mode) ? check::NoFileText(check::NoFile::Folder)
                                     : u"it is no regular file: name a file";
    }
    switch (errno) {
      case ENOENT:
        return check::NoFileText(check::NoFile::Missing);
      case ENOTDIR:
        return check::NoFileText(check::NoFile::NoFolder);
      default:
        return FromUtf8(std::strerror(errno));
    }
  }

  std::u16string CurrentFolder() override {
    std::vector<char> folder(4096);
    while (getcwd(folder.data(), folder.size()) == nullptr && errno == ERANGE) folder.resize(folder.size() * 2);
    return FromUtf8(folder.data());
  }

  void WriteOutput(std::u16string_view text) override { Write(stdout, text); }
  void WriteError(std::u16string_view text) override { Write(stderr, text); }

 private:
  static void Write(std::FILE* stream, std::u16string_view text) {
    const std::string bytes = check::Utf8Of(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fflush(stream);
  }

  AnsiCodePage codePage_;
  NativeDesktop desktop_{codePage_};
};

}  // namespace

int main(int argc, char** argv) {
  NativeSystem system;
  std::vector<std::u16string> arguments;
  for (int at = 1; at < argc; ++at) arguments.push_back(FromUtf8(argv[at]));
  return check::RunCheck(arguments, system);
}
