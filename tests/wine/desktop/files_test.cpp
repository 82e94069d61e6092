// The file-name lookup, the mail file's open and read, and the ANSI decoding,
// on real files in a scratch folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>

#include "platform/win32/owners.h"
#include "platform/win32/win32_desktop.h"
#include "platform/windows1252.h"
#include "test_support.h"

namespace desktop_tests {
namespace {

using platform::win32::UniqueHandle;
namespace documented = oracles::errors;

class Files : public ::testing::Test {
 protected:
  Files() {
    folder_.AddFile(L"mail.txt", "[SUBJECT]\r\nHello");
    folder_.AddFile(L"hidden.txt", "", FILE_ATTRIBUTE_HIDDEN);
    folder_.AddFile(L"system.txt", "", FILE_ATTRIBUTE_SYSTEM);
    folder_.AddFile(L"readonly.txt", "", FILE_ATTRIBUTE_READONLY);
    folder_.AddFolder(L"folder.txt");
    folder_.AddFolder(L"mixed");
    folder_.AddFile(L"mixed\\a-hidden.txt", "", FILE_ATTRIBUTE_HIDDEN);
    folder_.AddFolder(L"mixed\\b-folder.txt");
    folder_.AddFile(L"mixed\\c-system.txt", "", FILE_ATTRIBUTE_SYSTEM);
    folder_.AddFile(L"mixed\\d-normal.txt");
    folder_.AddFolder(L"nonormal");
    folder_.AddFile(L"nonormal\\a-hidden.txt", "", FILE_ATTRIBUTE_HIDDEN);
    folder_.AddFolder(L"nonormal\\b-folder.txt");
    folder_.AddFile(L"nonormal\\c-system.txt", "", FILE_ATTRIBUTE_SYSTEM);
  }

  std::u16string In(const std::wstring& name) const { return Utf16(folder_.Path(name)); }

  platform::win32::Win32Desktop desktop_{u"DesktopTest"};
  ScratchFolder folder_;
};

TEST_F(Files, FindFileNameGivesTheFirstNormalFileOrNothing) {
  struct LookupCase {
    const char* what;
    std::u16string path;
    std::u16string name;
  };
  const LookupCase cases[] = {
      {"normal file", In(L"mail.txt"), u"mail.txt"},
      {"the name as stored, not as asked", In(L"MAIL.TXT"), u"mail.txt"},
      {"read-only is normal", In(L"readonly.txt"), u"readonly.txt"},
      {"hidden", In(L"hidden.txt"), u""},
      {"system", In(L"system.txt"), u""},
      {"folder", In(L"folder.txt"), u""},
      {"wildcards skip what is not normal", In(L"mixed\\*.txt"), u"d-normal.txt"},
      {"question mark", In(L"mai?.txt"), u"mail.txt"},
      {"wildcards matching only hidden, system, folders", In(L"nonormal\\*"), u""},
      {"wildcards matching nothing", In(L"*.pdf"), u""},
      {"missing file", In(L"missing.txt"), u""},
      {"missing folder", In(L"missing\\mail.txt"), u""},
      {"folder with a trailing backslash", In(L"mixed\\"), u""},
      {"a file used as a folder", In(L"mail.txt\\mail.txt"), u""},
      {"path in double quotes", u"\"" + In(L"mail.txt") + u"\"", u""},
      {"characters no name can have", In(L"a|b<c>.txt"), u""},
      {"wildcards in a folder name", In(L"mix*\\d-normal.txt"), u""},
      {"blanks only", u"  ", u""},
      {"empty path", u"", u""},
      {"device name", u"NUL", u""},
      {"device name in a folder", In(L"COM1.txt"), u""},
      {"device namespace", u"\\\\.\\NUL", u""},
  };
  for (const LookupCase& lookup : cases) {
    EXPECT_EQ(desktop_.FindFileName(lookup.path), lookup.name) << lookup.what;
  }
}

TEST_F(Files, APathCutShortByANulFailsTheLookupAndTheFullPath) {
  const std::u16string cutShort = In(L"mail.txt") + std::u16string(u"\0.pdf", 5);
  for (const platform::Failure& failure : {FailureOf([&] { desktop_.FindFileName(cutShort); }),
                                           FailureOf([&] { desktop_.FullPathName(cutShort); })}) {
    ExpectDocumented(failure, documented::BadFileName);
  }
}

// What a mail client in another process gets for a relative attachment.
TEST_F(Files, FullPathNameResolvesAgainstTheCurrentFolder) {
  std::wstring current(MAX_PATH, L'\0');
  current.resize(GetCurrentDirectoryW(MAX_PATH, current.data()));
  if (current.back() != L'\\') current += L'\\';
  EXPECT_EQ(desktop_.FullPathName(u"in\\..\\a.pdf"), Utf16(current + L"a.pdf"));
}

std::string ReadAll(platform::InputFile& file, std::size_t chunk) {
  std::string bytes;
  std::string buffer(chunk, '\0');
  for (std::size_t count; (count = file.Read(buffer)) != 0;) bytes.append(buffer.data(), count);
  return bytes;
}

TEST_F(Files, OpenForInputReadsTheWholeFileInAnyChunkSize) {
  std::string content;
  for (int line = 0; line < 5000; ++line) content += "line " + std::to_string(line) + "\r\n\xE4\0\n";
  const std::wstring path = folder_.AddFile(L"long.txt", content);
  for (std::size_t chunk : {std::size_t{1}, std::size_t{7}, std::size_t{64 * 1024}}) {
    std::unique_ptr<platform::InputFile> file = desktop_.OpenForInput(Utf16(path));
    EXPECT_EQ(file->SizeHint(), content.size());
    EXPECT_EQ(ReadAll(*file, chunk), content) << chunk;
  }
  std::unique_ptr<platform::InputFile> empty = desktop_.OpenForInput(Utf16(folder_.AddFile(L"empty.txt")));
  EXPECT_EQ(empty->SizeHint(), 0u);
  EXPECT_EQ(ReadAll(*empty, 16), "");
}

TEST_F(Files, OpenForInputFailsWithANumberForWhatCannotBeRead) {
  const std::wstring locked = folder_.AddFile(L"locked.txt", "x");
  const std::wstring written = folder_.AddFile(L"written.txt", "x");
  UniqueHandle lockedHandle(
      CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  UniqueHandle writerHandle(CreateFileW(written.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(lockedHandle.Valid());
  ASSERT_TRUE(writerHandle.Valid());

  struct OpenCase {
    const char* what;
    std::u16string path;
    const oracles::DocumentedError& error;
  };
  const OpenCase cases[] = {
      {"missing file", In(L"missing.txt"), documented::FileNotFound},
      {"missing folder", In(L"missing\\mail.txt"), documented::PathNotFound},
      {"wildcards matching a file", In(L"mai?.txt"), documented::BadFileName},
      {"NUL inside the path", In(L"mail.txt") + std::u16string(u"\0x", 2), documented::BadFileName},
      {"held by another program without sharing", Utf16(locked), documented::PermissionDenied},
      {"being written by another program", Utf16(written), documented::PermissionDenied},
      {"folder", In(L"folder.txt"), documented::PathFileAccessError},
      {"the NUL device", u"NUL", documented::BadFileName},
  };
  for (const OpenCase& openCase : cases) {
    SCOPED_TRACE(openCase.what);
    const platform::Failure failure = FailureOf([&] { desktop_.OpenForInput(openCase.path); });
    ExpectDocumented(failure, openCase.error);
  }
}

TEST_F(Files, AFileOpenForInputCanStillBeReadByOthers) {
  std::unique_ptr<platform::InputFile> file = desktop_.OpenForInput(In(L"mail.txt"));
  UniqueHandle reader(CreateFileW(folder_.Path(L"mail.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  EXPECT_TRUE(reader.Valid());
}

// Past MAX_PATH the lookup and the open use the extended form of the full
// path: the file is found and read however the long path is written.
TEST_F(Files, PathsLongerThanMaxPathAreFoundAndRead) {
  std::wstring folder = folder_.Path();
  while (folder.size() < 300) {
    folder += L"\\a-folder-name-of-forty-characters-long-x";
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr));
  }
  {
    UniqueHandle file(CreateFileW((L"\\\\?\\" + folder + L"\\long.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.Valid());
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.Get(), "[BODY]", 6, &written, nullptr));
  }
  std::wstring slashes = folder + L"/long.txt";
  std::replace(slashes.begin(), slashes.end(), L'\\', L'/');
  struct LongCase {
    const char* what;
    std::wstring path;
  };
  const LongCase cases[] = {
      {"plain", folder + L"\\long.txt"},
      {"with dot segments", folder + L"\\no-such-folder\\..\\.\\long.txt"},
      {"with forward slashes", slashes},
      {"already extended", L"\\\\?\\" + folder + L"\\long.txt"},
  };
  for (const LongCase& longCase : cases) {
    SCOPED_TRACE(longCase.what);
    EXPECT_EQ(desktop_.FindFileName(Utf16(longCase.path)), u"long.txt");
    std::unique_ptr<platform::InputFile> file = desktop_.OpenForInput(Utf16(longCase.path));
    EXPECT_EQ(ReadAll(*file, 64), "[BODY]");
  }
  EXPECT_EQ(desktop_.FindFileName(Utf16(folder + L"\\lon?.t*")), u"long.txt");
  EXPECT_EQ(desktop_.FindFileName(Utf16(folder + L"\\missing.txt")), u"");
}

TEST(AppendDecodedAnsi, AppendsTheWholeSpanInTheAnsiCodePage) {
  platform::win32::Win32Desktop desktop{u"DesktopTest"};
  std::u16string text = u"kept";
  desktop.AppendDecodedAnsi(text, "");
  EXPECT_EQ(text, u"kept");
  if (GetACP() != 1252) GTEST_SKIP() << "the checks below assume the Western European code page 1252";
  std::string all(256, '\0');
  for (int byte = 0; byte < 256; ++byte) all[static_cast<std::size_t>(byte)] = static_cast<char>(byte);
  desktop.AppendDecodedAnsi(text, all);
  EXPECT_EQ(text, u"kept" + platform::DecodeWindows1252(all));
  text.clear();
  desktop.AppendDecodedAnsi(text, std::string("a\0b", 3));
  EXPECT_EQ(text, std::u16string(u"a\0b", 3));
}

}  // namespace
}  // namespace desktop_tests
