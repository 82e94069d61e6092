// Form1 as a Win32 window: a fixed dialog frame with the labels, the path box
// and the two buttons, laid out in twips and scaled to the screen's DPI.
#pragma once

#include <windows.h>

#include <string>

#include "platform/desktop.h"
#include "shell/form1.h"
#include "shell/program.h"
#include "platform/win32/owners.h"

namespace shell::win32 {

using platform::win32::UniqueFont;
using platform::win32::UniqueIcon;
using platform::win32::UniqueWindow;

// The object outlives its window. In Quorvel a hand-off pumps the pending
// messages, so a "Close" waiting then destroys the window while the outer
// "Send" handler is still running; the view calls it makes after that find
// no window and do nothing, and the message loop ends only once the window
// is gone and control is back in the loop.
class Form1Window final : public Form1View {
 public:
  Form1Window(platform::Desktop& desktop, const Program& program);
  ~Form1Window() override;
  Form1Window(const Form1Window&) = delete;
  Form1Window& operator=(const Form1Window&) = delete;

  // Loads the window (Form_Load runs before it is visible), centres it on the
  // screen and shows it with the focus on "Close". A failure of Form_Load
  // passes out; the window is then destroyed with this object.
  void Show();
  bool IsOpen() const { return form_ != nullptr; }
  // The dialog keys: Tab and Shift+Tab between the controls, Space or Enter
  // on a focused button. True when the message was handled.
  bool HandleDialogKeys(MSG& message);

  std::u16string txtEMailText() override;
  void SetTxtEMailText(const std::u16string& text) override;
  void Unload() override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Create();
  void CreateControls(int dpi);
  void OnCommand(WPARAM wParam, LPARAM lParam);
  void OnActivate(WPARAM wParam);
  void OnDestroyed();
  // Runs one handler; a failure that leaves it is reported in a critical box
  // and the window stays, since nothing may cross the window procedure.
  template <class Handler>
  void RunHandler(Handler&& handler);

  platform::Desktop& desktop_;
  const Program& program_;
  Form1 form1_;
  UniqueFont regularFont_;
  UniqueFont boldFont_;
  UniqueIcon bigIcon_;
  UniqueIcon smallIcon_;
  // Hidden, and owner of the form, which keeps the form out of the taskbar.
  UniqueWindow owner_;
  // Cleared when the window is destroyed, by whoever destroys it.
  HWND form_ = nullptr;
  HWND txtEMail_ = nullptr;
  HWND cmdSend_ = nullptr;
  HWND cmdExit_ = nullptr;
  // The control that had the focus when the form was last deactivated.
  HWND focusToRestore_ = nullptr;
};

}  // namespace shell::win32
