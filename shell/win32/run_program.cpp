#include "shell/win32/run_program.h"

#include <windows.h>

#include <memory>

#include "platform/failure_report.h"
#include "platform/win32/busy_message_filter.h"
#include "platform/win32/win32_desktop.h"
#include "shell/main.h"
#include "shell/win32/form1_window.h"

namespace shell::win32 {
namespace {

// Serves the window until it is gone. The loop runs only between handlers,
// so when it sees the window gone no handler is left on the stack: a "Close"
// that came in during a hand-off ends the program once that hand-off returns.
void ServeWindow(Form1Window& form) {
  MSG message;
  while (form.IsOpen()) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    if (form.HandleDialogKeys(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace

int RunProgram(const Program& program) {
  platform::win32::ComApartment apartment;
  // Right after COM start-up; revoked before COM ends, as the two are
  // destroyed in the reverse order.
  const platform::win32::MessageFilterRegistration busyRetries;
  platform::win32::Win32Desktop desktop{std::u16string(program.name)};
  std::unique_ptr<Form1Window> form;
  int exitCode = kExitHandedOff;
  try {
    exitCode = Main(desktop, program, [&] {
      form = std::make_unique<Form1Window>(desktop, program);
      // Keys that wait while a hand-off pumps messages work as in the loop below.
      desktop.SetDialogKeys([&form](MSG& message) { return form->HandleDialogKeys(message); });
      form->Show();
    });
  } catch (...) {
    // A mail file that could not be looked up or read (one too large to hold
    // runs out of memory in the reader), or a window that could not be made:
    // one box, and a failing exit code for the batch job that started us.
    platform::ReportUnhandled(desktop);
    return kExitMailFileUnreadable;
  }
  if (form) ServeWindow(*form);
  return exitCode;
}

}  // namespace shell::win32
