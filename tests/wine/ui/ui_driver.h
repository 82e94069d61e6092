// Drives one of the programs in window mode from outside, as a user would:
// starts it without arguments, finds its window and controls, types and
// clicks, reads and answers its message boxes, and asks the probe DLL for
// what only the program's own process can read.
#pragma once

#include <windows.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "harness.h"
#include "platform/win32/owners.h"
#include "program_run.h"

namespace ui_tests {

using namespace std::chrono_literals;

inline void Unload(HMODULE module) { FreeLibrary(module); }
using UniqueModule = platform::win32::UniqueResource<HMODULE, Unload>;
using e2e::BoxIcon;
using e2e::IconName;
using e2e::WindowClass;
using e2e::WindowText;

struct BoxSeen : e2e::MessageBoxSeen {
  bool ownedByForm = false;
};

struct FontSeen {
  int height = 0;
  int weight = 0;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  int charSet = -1;
  std::wstring face;
  // As the system draws it.
  int drawnWeight = 0;
  int drawnHeight = 0;
  int sampleWidth = 0;  // "email attachment files" in pixels
  std::wstring drawnFace;
};

// What the probe read inside the program.
struct ProbeReport {
  bool answered = false;
  int dpi = 0;
  bool dpiAware = false;
  SIZE bigIcon{};
  SIZE smallIcon{};
  int bigIconMetric = 0;
  int smallIconMetric = 0;
  std::vector<std::optional<FontSeen>> fonts;  // one per control, in Z order
  std::wstring text;                           // the report as written
};

// The controls in tab order, which is their Z order.
enum ControlIndex {
  kCmdExit = 0,
  kLabel1 = 1,
  kLabel10 = 10,
  kTxtEMail = 11,
  kCmdSend = 12,
  kLabel11 = 13,
  kControlCount = 14,
};

class RunningProgram {
 public:
  // Starts the program with an empty command-line tail and waits for its
  // window; the copy in folder, with folder as its current folder, as a
  // double-click there does, when one is given.
  explicit RunningProgram(e2e::Client client, const std::wstring& folder = {});
  // Ends a program still running, boxes and all.
  ~RunningProgram();
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  bool HasWindow() const { return form_ != nullptr; }
  HWND Form() const { return form_; }
  // The form's children in Z order; empty when there is no window.
  const std::vector<HWND>& Controls() const { return controls_; }
  HWND Control(int index) const;
  DWORD ThreadId() const { return process_.ThreadId(); }
  std::wstring Name() const { return e2e::ProgramName(client_); }

  bool IsRunning() const { return process_.IsRunning(); }
  // True when the process ended within the time; then ExitCode() is valid.
  bool WaitForEnd(std::chrono::milliseconds timeout = 15s) const { return process_.WaitForEnd(timeout); }
  DWORD ExitCode() const { return process_.ExitCode(); }
  // The form still exists and shows.
  bool FormShown() const;

  // Returns once the program's thread has handled everything sent before:
  // false when it did not answer in time (busy in a hand-off, or hung).
  bool Settle(std::chrono::milliseconds timeout = 10s) const;

  // The next message box of the program, read and then closed with OK.
  std::optional<BoxSeen> NextBox(std::chrono::milliseconds timeout = 15s);
  // Returns once the program's thread has handled the messages posted to it
  // before: false when that did not happen in time. A mark posted behind
  // them shows when: the path box's modified flag, turned over and left so,
  // as the program never reads it.
  bool HandledPosted(std::chrono::milliseconds timeout = 10s) const;
  // True when the program has no message box, not even one about to show,
  // once it has handled everything sent and posted to it before: what those
  // brought about is on screen by then. False too when it does not answer.
  bool NoBoxOnceSettled() const;

  std::wstring PathText() const;
  void SetPathText(const std::wstring& text) const;
  // A click as the button's own message does it, posted.
  void Click(int control) const;
  // The control with the keyboard focus on the program's thread, or -1.
  int FocusedControl() const;

  // Keyboard input through the system, to the program's window in front.
  // PressKey returns once the program has handled the keys.
  bool BringToFront() const;
  void PressKey(WORD key, bool withShift = false, bool withAlt = false) const;
  // A left click on the title bar's close box, through the system.
  bool ClickCloseBox() const;

  ProbeReport Probe() const;

  // The program's thread held still until this goes, so that messages
  // posted meanwhile wait in its queue together; null when it cannot be held.
  struct ResumeAndClose {
    void operator()(HANDLE thread) const;
  };
  using Frozen = std::unique_ptr<void, ResumeAndClose>;
  Frozen Freeze() const;

 private:
  e2e::Client client_;
  e2e::StartedProgram process_;
  HWND form_ = nullptr;
  std::vector<HWND> controls_;
};

// The bin/ folder that holds the programs, the driver and the probe.
std::wstring BinFolder();

// A child's rectangle in its parent's client coordinates.
RECT RectInParent(HWND child);

// The DPI the tests expect the programs to see: QZ_EXPECTED_DPI, default 96.
int ExpectedDpi();
// A length in pixels at 96 DPI, at the expected DPI, rounded half up.
int Scaled(int pixelsAt96);

}  // namespace ui_tests
