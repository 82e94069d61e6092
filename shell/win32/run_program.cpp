#include "shell/win32/run_program.h"

#include "platform/win32/win32_desktop.h"
#include "shell/main.h"

namespace shell::win32 {

int RunProgram(const Program& program) {
  platform::win32::ComApartment apartment;
  platform::win32::Win32Desktop desktop{std::u16string(program.name)};
  try {
    Main(desktop, program, [] {});
  } catch (const platform::Failure& failure) {
    // A mail file that passed the lookup but could not be read: one box, and a
    // failing exit code for the batch job that started us.
    desktop.ShowMessage(platform::GeneralErrorText(failure), platform::kMessageCritical);
    return 1;
  }
  return 0;
}

}  // namespace shell::win32
