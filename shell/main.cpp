#include "shell/main.h"

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
  // A tail of blanks is not empty: the blanks are the path.
  if (!desktop.CommandLineTail().empty()) {
    return ExitCodeOf(mailfile::ReadMailFile(desktop, desktop.CommandLineTail(), program.composer));
  }
  showForm1();
  return kExitHandedOff;
}

}  // namespace shell
