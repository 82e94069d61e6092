// Start-up: a command-line tail is a mail file to hand off; no tail opens the window.
#pragma once

#include <functional>

#include "platform/desktop.h"
#include "shell/program.h"

namespace shell {

// Exit codes, so that a batch job can tell how a command-line run ended.
inline constexpr int kExitHandedOff = 0;           // the composer ran to its end without a box; and window mode
inline constexpr int kExitMailFileUnreadable = 1;  // the mail file passed the lookup but could not be read
inline constexpr int kExitNoMailFile = 2;          // the tail names no mail file
inline constexpr int kExitClientNotInstalled = 3;  // after the "... is not installed!" box
inline constexpr int kExitHandOffFailed = 4;       // after the "Error: ..." box

// showForm1 creates the main window and shows it, not modal and without an
// owner, and returns at once. Gives the exit code of a command-line run, and
// kExitHandedOff in window mode. A failure of the reader passes out of Main.
int Main(platform::Desktop& desktop, const Program& program, const std::function<void()>& showForm1);

}  // namespace shell
