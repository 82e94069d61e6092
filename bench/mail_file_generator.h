// Writes realistic mail files of an exact size for timing the reader: a few
// header sections, then a body of lines of 20 to 100 characters (Windows-1252,
// CR LF, some empty), then the attachment. The same size gives the same bytes
// on every platform.
#pragma once

#include <cstddef>
#include <filesystem>

namespace reader_tools {

void WriteMailFile(const std::filesystem::path& path, std::size_t size);

}  // namespace reader_tools
