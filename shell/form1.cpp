#include "shell/form1.h"

#include "platform/command_line.h"

namespace shell {

void Form1::Form_Load() {
  view_.SetTxtEMailText(desktop_.ProgramFolder() + u"\\Test.txt");
}

void Form1::cmdSend_Click() {
  // "Copy as path" puts the path in double quotes; the message shows the box's text as typed.
  const std::u16string text = view_.txtEMailText();
  const std::u16string path(platform::WithoutEnclosingQuotes(text));
  if (path.empty()) return;
  if (!desktop_.FindFileName(path).empty()) {
    // How the hand-off ended is for a batch job; here the composer's box has told the user.
    mailfile::ReadMailFile(desktop_, path, program_.composer);
    return;
  }
  desktop_.ShowMessage(u"File not found: " + text, platform::MessageStyle::Plain);
}

void Form1::cmdExit_Click() {
  view_.Unload();
}

}  // namespace shell
