#include "platform/command_line.h"

namespace platform {
namespace {

bool IsBlank(char16_t character) { return character == u' ' || character == u'\t'; }

}  // namespace

std::u16string_view CommandLineTailOf(std::u16string_view commandLine) {
  std::size_t end = 0;
  if (!commandLine.empty() && commandLine.front() == u'"') {
    const std::size_t closingQuote = commandLine.find(u'"', 1);
    if (closingQuote == std::u16string_view::npos) return std::u16string_view();
    end = closingQuote + 1;
  } else {
    while (end < commandLine.size() && !IsBlank(commandLine[end])) ++end;
  }
  if (end < commandLine.size() && IsBlank(commandLine[end])) ++end;
  return commandLine.substr(end);
}

std::u16string_view WithoutEnclosingQuotes(std::u16string_view text) {
  const bool enclosed = text.size() >= 2 && text.front() == u'"' && text.back() == u'"' &&
                        text.find(u'"', 1) == text.size() - 1;
  return enclosed ? text.substr(1, text.size() - 2) : text;
}

std::u16string_view ProgramFolderOf(std::u16string_view programPath) {
  const std::size_t lastBackslash = programPath.rfind(u'\\');
  if (lastBackslash == std::u16string_view::npos) return std::u16string_view();
  const bool driveRoot = lastBackslash > 0 && programPath[lastBackslash - 1] == u':';
  return programPath.substr(0, driveRoot ? lastBackslash + 1 : lastBackslash);
}

}  // namespace platform
