// The stand-ins' journal: one line per event, appended to the file the test
// named in the settings, in the order the events happen.
#pragma once

#include <string>
#include <string_view>

namespace standins {

class Journal {
 public:
  void SetPath(std::wstring path) { path_ = std::move(path); }
  // Appends one line. The file is opened and closed for every line, so that a
  // test can read it at any moment and a server that is killed loses nothing.
  void Write(std::wstring_view line) const;

 private:
  std::wstring path_;
};

}  // namespace standins
