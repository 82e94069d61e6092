#include "program_run.h"

#include <algorithm>
#include <set>

namespace e2e {

namespace {

// The text control of a message box, on Windows and on Wine alike.
constexpr int kMessageTextId = 0xFFFF;

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

std::vector<HWND> ChildrenOf(HWND parent) {
  std::vector<HWND> children;
  EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&children));
  return children;
}

// Which icon the box shows, read from the screen: a box has its icon control
// whatever its style and only hides it, and the icon's handle means nothing
// outside the box's process. The critical icon is the red one.
BoxIcon ReadIcon(HWND box) {
  HWND iconControl = nullptr;
  for (const HWND child : ChildrenOf(box)) {
    if (WindowClass(child) == L"Static" && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      iconControl = child;
    }
  }
  if (iconControl == nullptr || !IsWindowVisible(iconControl) || SendMessageW(iconControl, STM_GETICON, 0, 0) == 0) {
    return BoxIcon::None;
  }
  RECT area{};
  GetWindowRect(iconControl, &area);
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return BoxIcon::Other;

  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = width;
  format.bmiHeader.biHeight = -height;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  // Another window (the mail client's, opened a moment before) may still
  // cover the box: lift it above everything, then read only while the icon's
  // own pixels are the ones on screen. The box paints itself shortly after it
  // appears: look a few times.
  SetWindowPos(box, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  const POINT centre{(area.left + area.right) / 2, (area.top + area.bottom) / 2};
  for (int attempt = 0; attempt < 40; ++attempt) {
    const HWND shown = WindowFromPoint(centre);
    if (shown != iconControl && shown != box) {
      RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
      Sleep(50);
      continue;
    }
    void* bits = nullptr;
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateDIBSection(screen, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    int red = 0;
    const auto* pixels = static_cast<const unsigned char*>(bits);
    for (int i = 0; bits != nullptr && i < width * height; ++i) {
      const int b = pixels[i * 4];
      const int g = pixels[i * 4 + 1];
      const int r = pixels[i * 4 + 2];
      if (r > 150 && g < 110 && b < 110) ++red;
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (red > width * height / 20) return BoxIcon::Critical;
    Sleep(50);
  }
  // A visible icon that never shows red is some other icon.
  return BoxIcon::Other;
}

}  // namespace

StartedProgram::StartedProgram(const std::wstring& program, const std::wstring& commandLine,
                               const wchar_t* currentFolder) {
  std::wstring line = commandLine;  // CreateProcessW may write into it
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION created{};
  if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, currentFolder, &startup,
                      &created)) {
    startError_ = GetLastError();
    return;
  }
  process_ = platform::win32::UniqueHandle(created.hProcess);
  const platform::win32::UniqueHandle thread(created.hThread);
  processId_ = created.dwProcessId;
  threadId_ = created.dwThreadId;
}

StartedProgram::~StartedProgram() {
  if (IsRunning()) EndByForce();
}

bool StartedProgram::IsRunning() const {
  return process_.Valid() && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT;
}

bool StartedProgram::WaitForEnd(std::chrono::milliseconds timeout) const {
  return process_.Valid() && WaitForSingleObject(process_.Get(), static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

DWORD StartedProgram::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (process_.Valid()) GetExitCodeProcess(process_.Get(), &code);
  return code;
}

void StartedProgram::EndByForce() const {
  TerminateProcess(process_.Get(), 0xDEAD);
  WaitForSingleObject(process_.Get(), 5000);
}

std::wstring WindowClass(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

std::wstring WindowText(HWND window) {
  // WM_GETTEXT crosses processes; GetWindowText would not read another process's controls.
  // Not given up as hung: a box shown after a long busy wait answers once its loop runs.
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 5000, &length)) return L"";
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL, 5000,
                      &copied);
  text.resize(std::min<std::size_t>(copied, length));
  return text;
}

std::vector<HWND> MessageBoxesOf(DWORD processId) {
  std::vector<HWND> boxes;
  for (const HWND window : TopLevelWindowsOf(processId)) {
    if (WindowClass(window) == L"#32770" && IsWindowVisible(window)) boxes.push_back(window);
  }
  return boxes;
}

MessageBoxSeen ReadAndClose(HWND box) {
  MessageBoxSeen seen;
  seen.title = WindowText(box);
  HWND okButton = nullptr;
  for (const HWND child : ChildrenOf(box)) {
    if (WindowClass(child) == L"Button" && IsWindowVisible(child)) {
      seen.buttons.push_back(WindowText(child));
      if (GetDlgCtrlID(child) == IDOK) okButton = child;
    }
  }
  if (const HWND text = GetDlgItem(box, kMessageTextId)) seen.text = WindowText(text);
  seen.icon = ReadIcon(box);
  // As a click on OK does it; gone before the next look, so that it is not read twice.
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(okButton));
  for (int attempt = 0; attempt < 200 && IsWindow(box) && IsWindowVisible(box); ++attempt) Sleep(10);
  return seen;
}

const wchar_t* IconName(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::None: return L"no icon";
    case BoxIcon::Critical: return L"critical icon";
    case BoxIcon::Other: return L"another icon";
  }
  return L"?";
}

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> windows;
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

std::vector<HWND> TopLevelWindowsOf(DWORD processId) {
  std::vector<HWND> windows = TopLevelWindows();
  std::erase_if(windows, [&](HWND window) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    return owner != processId;
  });
  return windows;
}

ProgramRun RunProgram(const std::wstring& program, const std::wstring& commandLine,
                      std::chrono::milliseconds timeout, const wchar_t* currentFolder) {
  ProgramRun run;
  const auto start = std::chrono::steady_clock::now();
  const StartedProgram process(program, commandLine, currentFolder);
  if (!process.Started()) {
    run.startError = process.StartError();
    return run;
  }
  run.started = true;

  std::set<HWND> answered;
  for (;;) {
    const bool exited = process.WaitForEnd(std::chrono::milliseconds(30));
    for (const HWND box : MessageBoxesOf(process.Id())) {
      if (answered.insert(box).second) run.boxes.push_back(ReadAndClose(box));
    }
    if (exited) {
      run.ended = true;
      break;
    }
    if (std::chrono::steady_clock::now() - start > timeout) {
      process.EndByForce();
      break;
    }
  }
  run.exitCode = process.ExitCode();
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return run;
}

}  // namespace e2e
