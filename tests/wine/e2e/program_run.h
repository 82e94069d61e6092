// Runs one program as a user would start it from a batch job, with an exact
// command line, answers the message boxes it shows, and reports what it saw.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

namespace e2e {

enum class BoxIcon { None, Critical, Other };

struct MessageBoxSeen {
  std::wstring title;
  std::wstring text;
  BoxIcon icon = BoxIcon::None;
  std::vector<std::wstring> buttons;
};

struct ProgramRun {
  bool started = false;
  bool ended = false;  // false: killed at the timeout
  DWORD exitCode = 0;
  std::vector<MessageBoxSeen> boxes;
  double seconds = 0;
};

// Starts program with commandLine as its whole command line (CreateProcessW,
// so nothing re-quotes it), presses OK on every message box of the process as
// it appears, and waits for the end. A program still running at the timeout
// is ended and reported as not ended. currentFolder: the program's current
// folder; null, this program's own.
ProgramRun RunProgram(const std::wstring& program, const std::wstring& commandLine,
                      std::chrono::milliseconds timeout, const wchar_t* currentFolder = nullptr);

// Top-level windows of this desktop, and those of one process.
std::vector<HWND> TopLevelWindows();
std::vector<HWND> TopLevelWindowsOf(DWORD processId);

const wchar_t* IconName(BoxIcon icon);

}  // namespace e2e
