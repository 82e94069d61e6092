#pragma once

#include "shell/program.h"

namespace shell::win32 {

// The whole life of either program on Windows; returns the process exit code.
int RunProgram(const Program& program);

}  // namespace shell::win32
