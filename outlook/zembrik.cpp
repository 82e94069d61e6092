#include <windows.h>

#include "outlook/send_with_outlook.h"
#include "shell/win32/run_program.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  static constexpr shell::Program kZembrik{u"Zembrik", u"Send Email with MS Outlook", outlook::ComposeOutlookItem};
  return shell::win32::RunProgram(kZembrik);
}
