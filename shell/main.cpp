#include "shell/main.h"

#include "platform/command_line.h"

namespace shell {
namespace {

int ExitCodeOf(const std::optional<platform::HandOff>& handOff) {
  if (!handOff) return kExitNoMailFile;
  switch (*handOff) {
    case platform::HandOff::Completed:
      return kExitHandedOff;
    case platform::HandOff::ClientNotInstalled:
      return kExitClientNotInstalled;
    case platform::HandOff::Failed:
      return kExitHandOffFailed;
  }
  return kExitHandOffFailed;
}

}  // namespace

int Main(platform::Desktop& desktop, const Program& program, const std::function<void()>& showForm1) {
  // A tail of blanks is not empty: the blanks are the path. A dropped file's
  // path comes in double quotes.
  if (!desktop.CommandLineTail().empty()) {
    const std::u16string path(platform::WithoutEnclosingQuotes(desktop.CommandLineTail()));
    return ExitCodeOf(mailfile::ReadMailFile(desktop, path, program.composer));
  }
  showForm1();
  return kExitHandedOff;
}

}  // namespace shell
