// What Windows tells a process about its start, read as plain text: the
// command line and the full path of the executable file.
#pragma once

#include <string_view>

namespace platform {

// The command line after the program's name, taken as Windows takes the name:
// one that starts with a double quote runs to the next double quote, any other
// to the first blank or tab. One blank or tab after the name separates it and
// is dropped; everything after that is the tail, unchanged, so a tail of
// blanks is not empty.
std::u16string_view CommandLineTailOf(std::u16string_view commandLine);

// A path as Explorer, "Copy as path" and most programs hand one over: in
// double quotes. Text of two characters or more that starts and ends with a
// double quote and holds no other gives the text between them; any other text
// is the path as it stands. No file name can hold a double quote, so a path
// that names a file as it stands is never changed.
std::u16string_view WithoutEnclosingQuotes(std::u16string_view text);

// The folder of an executable's full path: the text before the last
// backslash. A drive's root keeps its backslash ("C:\"), as that is how the
// root folder is written; "" when the path has no backslash.
std::u16string_view ProgramFolderOf(std::u16string_view programPath);

}  // namespace platform
