// Starts programs as a user or a batch job would, with an exact command line,
// and reads and answers their message boxes from outside: shared by the
// end-to-end runs, the window tests and the start-up timing.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/win32/owners.h"

namespace e2e {

enum class BoxIcon { None, Critical, Other };

struct MessageBoxSeen {
  std::wstring title;
  std::wstring text;
  BoxIcon icon = BoxIcon::None;
  std::vector<std::wstring> buttons;
};

// A program started with commandLine as its whole command line
// (CreateProcessW, so nothing re-quotes it). One still running when this goes
// is ended by force. currentFolder: the program's current folder; null, this
// program's own.
class StartedProgram {
 public:
  StartedProgram(const std::wstring& program, const std::wstring& commandLine, const wchar_t* currentFolder = nullptr);
  ~StartedProgram();
  StartedProgram(const StartedProgram&) = delete;
  StartedProgram& operator=(const StartedProgram&) = delete;

  bool Started() const { return process_.Valid(); }
  // Why CreateProcessW refused, when it did.
  DWORD StartError() const { return startError_; }
  DWORD Id() const { return processId_; }
  DWORD ThreadId() const { return threadId_; }
  bool IsRunning() const;
  // True when the process ended within the time.
  bool WaitForEnd(std::chrono::milliseconds timeout) const;
  // STILL_ACTIVE while it runs.
  DWORD ExitCode() const;
  // Ends it with exit code 0xDEAD and waits for the end.
  void EndByForce() const;

 private:
  platform::win32::UniqueHandle process_;
  DWORD processId_ = 0;
  DWORD threadId_ = 0;
  DWORD startError_ = 0;
};

struct ProgramRun {
  bool started = false;
  DWORD startError = 0;  // CreateProcessW's error when not started
  bool ended = false;  // false: killed at the timeout
  DWORD exitCode = 0;
  std::vector<MessageBoxSeen> boxes;
  double seconds = 0;
};

// Starts the program, presses OK on every message box of the process as it
// appears, and waits for the end. A program still running at the timeout is
// ended and reported as not ended.
ProgramRun RunProgram(const std::wstring& program, const std::wstring& commandLine,
                      std::chrono::milliseconds timeout, const wchar_t* currentFolder = nullptr);

// Top-level windows of this desktop, and those of one process.
std::vector<HWND> TopLevelWindows();
std::vector<HWND> TopLevelWindowsOf(DWORD processId);

// A window's class, and its text read through messages, which cross processes.
std::wstring WindowClass(HWND window);
std::wstring WindowText(HWND window);

// The message boxes a process shows.
std::vector<HWND> MessageBoxesOf(DWORD processId);
// Reads a box, presses its OK and waits for it to go.
MessageBoxSeen ReadAndClose(HWND box);

const wchar_t* IconName(BoxIcon icon);

}  // namespace e2e
