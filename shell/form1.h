// The main window's behaviour, apart from the window itself.
#pragma once

#include <string>

#include "platform/desktop.h"
#include "shell/program.h"

namespace shell {

// The parts of the real window that the handlers touch.
class Form1View {
 public:
  virtual ~Form1View() = default;
  virtual std::u16string txtEMailText() = 0;
  virtual void SetTxtEMailText(const std::u16string& text) = 0;
  // Closes and destroys the window; the program ends when no window is left.
  virtual void Unload() = 0;
};

class Form1 {
 public:
  Form1(platform::Desktop& desktop, const Program& program, Form1View& view)
      : desktop_(desktop), program_(program), view_(view) {}

  void Form_Load();
  // A file that passes the lookup but cannot be read throws platform::Failure.
  void cmdSend_Click();
  void cmdExit_Click();

 private:
  platform::Desktop& desktop_;
  const Program& program_;
  Form1View& view_;
};

}  // namespace shell
