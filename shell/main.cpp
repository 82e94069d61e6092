#include "shell/main.h"

namespace shell {

void Main(platform::Desktop& desktop, const Program& program, const std::function<void()>& showForm1) {
  // A tail of blanks is not empty: the blanks are the path.
  if (!desktop.CommandLineTail().empty()) {
    mailfile::ReadMailFile(desktop, desktop.CommandLineTail(), program.composer);
    return;
  }
  showForm1();
}

}  // namespace shell
