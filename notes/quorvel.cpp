#include <windows.h>

#include "notes/send_with_notes.h"
#include "shell/win32/run_program.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  static constexpr shell::Program kQuorvel{u"Quorvel", u"Send Email with Lotus Notes", notes::ComposeNotesMemo};
  return shell::win32::RunProgram(kQuorvel);
}
