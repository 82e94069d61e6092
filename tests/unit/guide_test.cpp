// The user's guide says what each exit code and error number means; what it
// lists must be what the programs do.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "documented_errors.h"

namespace {

std::string Guide() {
  std::ifstream file(QZ_USER_GUIDE, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// The lines under a heading (a line underlined with dashes), up to the next one.
std::vector<std::string> Section(const std::string& guide, const std::string& heading) {
  std::vector<std::string> lines;
  std::istringstream stream(guide);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  std::vector<std::string> section;
  bool inside = false;
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    const bool isHeading = !lines[i].empty() && lines[i + 1].find_first_not_of('-') == std::string::npos &&
                           !lines[i + 1].empty();
    if (isHeading) inside = lines[i] == heading;
    if (inside && !isHeading) section.push_back(lines[i]);
  }
  return section;
}

// Rows of a list: a number four blanks in, then its text.
std::map<int, std::string> NumberedRows(const std::vector<std::string>& section) {
  static const std::regex row(R"(^    ([0-9]+) +(\S.*)$)");
  std::map<int, std::string> rows;
  for (const std::string& line : section) {
    std::smatch match;
    if (std::regex_match(line, match, row)) rows[std::stoi(match[1])] = match[2];
  }
  return rows;
}

TEST(UserGuide, ListsEveryExitCodeWithItsMeaning) {
  const std::map<int, std::string> expected = {
      {0, "The message was handed to the mail client, without any message box."},
      {1, "The mail file could not be looked up, opened or read, after an"},
      {2, "The path names no mail file. No message box."},
      {3, "The mail client is not installed, after the \"... is not installed!\""},
      {4, "Any other failure of the hand-off, after the \"Error:\" box. See"},
  };
  EXPECT_EQ(NumberedRows(Section(Guide(), "Exit codes")), expected);
}

TEST(UserGuide, ListsMailFileChecksExitCodes) {
  const std::map<int, std::string> expected = {
      {0, "No warning. Notes alone leave 0."},
      {1, "The mail file could not be read; the message says why."},
      {2, "The path names no mail file (as the programs decide it: a missing"},
      {3, "At least one warning."},
      {4, "A command line it does not understand; it shows how to call it."},
  };
  EXPECT_EQ(NumberedRows(Section(Guide(), "Checking a mail file")), expected);
}

TEST(UserGuide, ListsTheProgramsOwnErrorNumbersWithTheirTexts) {
  std::map<int, std::string> expected;
  for (const oracles::DocumentedError& error : oracles::kDocumentedErrors) {
    expected[error.number] = std::string(error.text.begin(), error.text.end());
  }
  EXPECT_EQ(NumberedRows(Section(Guide(), "The programs' own error numbers")), expected);
  // Every box the guide quotes with a number of that list has the list's text, across line breaks.
  const std::string guide = std::regex_replace(Guide(), std::regex(R"(\s+)"), " ");
  static const std::regex quoted(R"re("Error: ([0-9]+) ([^"]+)")re");
  int checked = 0;
  for (std::sregex_iterator at(guide.begin(), guide.end(), quoted), end; at != end; ++at) {
    const auto row = expected.find(std::stoi((*at)[1]));
    if (row == expected.end()) continue;
    EXPECT_EQ((*at)[2], row->second) << (*at)[0];
    ++checked;
  }
  EXPECT_GE(checked, 4) << "the guide quotes the boxes of 52, 70 and 71";
}

TEST(UserGuide, QuotesEveryMessageAndReadsInAnyNotepad) {
  const std::string guide = Guide();
  for (const char* message : {"\"Lotus Notes is not installed!\"", "\"Microsoft Outlook is not installed!\"",
                              "\"Error: \" followed by a number", "\"File not found: \" followed by the path"}) {
    EXPECT_NE(guide.find(message), std::string::npos) << message;
  }
  // Shipped as README.txt: plain ASCII reads the same in every code page.
  for (const char character : guide) {
    EXPECT_TRUE(static_cast<unsigned char>(character) < 0x80 && character != '\t') << int(character);
  }
}

}  // namespace
