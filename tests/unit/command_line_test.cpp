#include <gtest/gtest.h>

#include <string_view>

#include "platform/attachment_path.h"
#include "platform/command_line.h"

namespace {

struct SplitCase {
  const char* name;
  std::u16string_view input;
  std::u16string_view expected;
};

template <typename Split, std::size_t N>
void ExpectSplits(Split split, const SplitCase (&cases)[N]) {
  for (const SplitCase& one : cases) EXPECT_EQ(split(one.input), one.expected) << one.name;
}

TEST(CommandLineTailOf, SkipsTheProgramNameAndOneSeparator) {
  const SplitCase cases[] = {
      {"quoted name, no arguments", uR"("C:\Prog Files\Quorvel.exe")", u""},
      {"unquoted name, no arguments", uR"(C:\Apps\Quorvel.exe)", u""},
      {"quoted name, one path", uR"("C:\Prog Files\Quorvel.exe" C:\mail.txt)", uR"(C:\mail.txt)"},
      {"unquoted name, one path", uR"(Quorvel.exe C:\mail.txt)", uR"(C:\mail.txt)"},
      {"only one blank is the separator", u"Quorvel.exe   a b  ", u"  a b  "},
      {"a tab separates too", u"Quorvel.exe\t\tx", u"\tx"},
      {"a tail of one blank stays", u"Quorvel.exe  ", u" "},
      {"a lone separator gives nothing", u"Quorvel.exe ", u""},
      {"quotes in the tail are kept", uR"("Q.exe" "C:\My Mail\a.txt")", uR"("C:\My Mail\a.txt")"},
      {"two paths stay one tail", uR"(Q.exe a.txt b.txt)", uR"(a.txt b.txt)"},
      {"text glued to the closing quote is tail", uR"("Q.exe"x y)", u"x y"},
      {"unclosed quote: all name", uR"("C:\Q.exe a.txt)", u""},
      {"quote inside an unquoted name is name", uR"(C:\a"b c"\Q.exe d)", uR"(c"\Q.exe d)"},
      {"leading blank: empty name", u" Q.exe a", u"Q.exe a"},
      {"empty command line", u"", u""},
      {"other white space is not a separator", u"Q.exe\u3000a", u""},
  };
  ExpectSplits(platform::CommandLineTailOf, cases);
}

TEST(ProgramFolderOf, CutsAtTheLastBackslashKeepingDriveRoots) {
  const SplitCase cases[] = {
      {"folder", uR"(C:\Apps\Mail\Quorvel.exe)", uR"(C:\Apps\Mail)"},
      {"drive root keeps its backslash", uR"(C:\Quorvel.exe)", uR"(C:\)"},
      {"long-path root", uR"(\\?\C:\Quorvel.exe)", uR"(\\?\C:\)"},
      {"long-path folder", uR"(\\?\C:\Deep\Quorvel.exe)", uR"(\\?\C:\Deep)"},
      {"share root", uR"(\\server\share\Quorvel.exe)", uR"(\\server\share)"},
      {"blanks kept", uR"(C:\Program Files (x86)\Q\Quorvel.exe)", uR"(C:\Program Files (x86)\Q)"},
      {"no backslash", u"Quorvel.exe", u""},
  };
  ExpectSplits(platform::ProgramFolderOf, cases);
}

// Only these name the same file from every current folder; the rest the
// mail client would resolve against a folder of its own.
TEST(IsFullyQualified, DriveLetterColonBackslashOrTwoBackslashes) {
  for (const std::u16string_view path : {uR"(C:\a.pdf)", uR"(z:\)", uR"(\\srv\share\a.pdf)", uR"(\\?\C:\a)",
                                         uR"(\\.\NUL)", uR"(C:\in\..\A.PDF)"}) {
    EXPECT_TRUE(platform::IsFullyQualified(path)) << testing::PrintToString(std::u16string(path));
  }
  for (const std::u16string_view path : {u"a.pdf", uR"(in\a.pdf)", uR"(..\a.pdf)", uR"(C:a.pdf)", uR"(\a.pdf)",
                                         u"C:/a.pdf", u"//srv/share/a.pdf", uR"(1:\a)", u"", uR"(C:)"}) {
    EXPECT_FALSE(platform::IsFullyQualified(path)) << testing::PrintToString(std::u16string(path));
  }
}

}  // namespace
