#include "shell/form1.h"

namespace shell {

void Form1::Form_Load() {
  view_.SetTxtEMailText(desktop_.ProgramFolder() + u"\\Test.txt");
}

void Form1::cmdSend_Click() {
  const std::u16string path = view_.txtEMailText();
  if (path.empty()) return;
  if (!desktop_.FindFileName(path).empty()) {
    // How the hand-off ended is for a batch job; here the composer's box has told the user.
    mailfile::ReadMailFile(desktop_, path, program_.composer);
    return;
  }
  desktop_.ShowMessage(u"File not found: " + path, platform::MessageStyle::Plain);
}

void Form1::cmdExit_Click() {
  view_.Unload();
}

}  // namespace shell
