// Start-up: a command-line tail is a mail file to hand off; no tail opens the window.
#pragma once

#include <functional>

#include "platform/desktop.h"
#include "shell/program.h"

namespace shell {

// showForm1 creates the main window and shows it, not modal and without an
// owner, and returns at once. A failure of the reader passes out of Main.
void Main(platform::Desktop& desktop, const Program& program, const std::function<void()>& showForm1);

}  // namespace shell
