#include "ui_driver.h"

#include <algorithm>
#include <cwchar>
#include <sstream>
#include <thread>

#include "probe_protocol.h"
#include "program_run.h"
#include "settings.h"

namespace ui_tests {
namespace {

void Unhook(HHOOK hook) { UnhookWindowsHookEx(hook); }
using UniqueHook = platform::win32::UniqueResource<HHOOK, Unhook>;

// The text control of a message box, on Windows and on Wine alike.
constexpr int kMessageTextId = 0xFFFF;

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

std::wstring TextOf(HWND window) {
  // WM_GETTEXT crosses processes; GetWindowText would not read another process's controls.
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return L"";
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000,
                      &copied);
  text.resize(std::min<std::size_t>(copied, length));
  return text;
}

std::vector<HWND> ChildrenInZOrder(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

std::vector<HWND> BoxesOf(DWORD processId) {
  std::vector<HWND> boxes;
  for (const HWND window : e2e::TopLevelWindowsOf(processId)) {
    if (ClassOf(window) == L"#32770" && IsWindowVisible(window)) boxes.push_back(window);
  }
  return boxes;
}

// Which icon a box shows, from the screen: the icon's handle means nothing
// outside the box's process, and a box keeps its icon control, hidden, when
// it has no icon. The critical icon is the red one.
BoxIcon ReadIcon(HWND box) {
  HWND iconControl = nullptr;
  for (const HWND child : ChildrenInZOrder(box)) {
    if (ClassOf(child) == L"Static" && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
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
  // The box paints itself shortly after it appears: look a few times.
  for (int attempt = 0; attempt < 20; ++attempt) {
    const HDC screen = GetDC(nullptr);
    int red = 0;
    for (int y = area.top; y < area.bottom; y += 2) {
      for (int x = area.left; x < area.right; x += 2) {
        const COLORREF pixel = GetPixel(screen, x, y);
        if (GetRValue(pixel) > 150 && GetGValue(pixel) < 110 && GetBValue(pixel) < 110) ++red;
      }
    }
    ReleaseDC(nullptr, screen);
    if (red > width * height / 80) return BoxIcon::Critical;
    Sleep(50);
  }
  return BoxIcon::Other;
}

BoxSeen ReadAndClose(HWND box, HWND form) {
  BoxSeen seen;
  seen.title = TextOf(box);
  seen.ownedByForm = form != nullptr && GetWindow(box, GW_OWNER) == form;
  HWND okButton = nullptr;
  for (const HWND child : ChildrenInZOrder(box)) {
    if (ClassOf(child) == L"Button" && IsWindowVisible(child)) {
      seen.buttons.push_back(TextOf(child));
      if (GetDlgCtrlID(child) == IDOK) okButton = child;
    }
  }
  if (const HWND text = GetDlgItem(box, kMessageTextId)) seen.text = TextOf(text);
  seen.icon = ReadIcon(box);
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(okButton));
  // Gone before the next look, so that it is not read twice.
  for (int attempt = 0; attempt < 200 && IsWindow(box) && IsWindowVisible(box); ++attempt) Sleep(10);
  return seen;
}

HWND WaitForForm(DWORD processId) {
  for (int attempt = 0; attempt < 400; ++attempt) {
    for (const HWND window : e2e::TopLevelWindowsOf(processId)) {
      if (ClassOf(window) == L"Form1" && IsWindowVisible(window)) return window;
    }
    Sleep(50);
  }
  return nullptr;
}

void SendKeyInput(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &input, sizeof input);
}

ProbeReport ParseReport(const std::wstring& text) {
  ProbeReport report;
  report.text = text;
  std::wistringstream lines(text);
  std::wstring line;
  while (std::getline(lines, line)) {
    std::wistringstream words(line);
    std::wstring kind;
    words >> kind;
    if (kind == L"dpi") {
      std::wstring awareWord;
      int aware = 0;
      words >> report.dpi >> awareWord >> aware;
      report.dpiAware = aware != 0;
      report.answered = true;
    } else if (kind == L"icons") {
      std::wstring metricsWord;
      words >> report.bigIcon.cx >> report.bigIcon.cy >> report.smallIcon.cx >> report.smallIcon.cy >> metricsWord >>
          report.bigIconMetric >> report.smallIconMetric;
    } else if (kind == L"font") {
      std::size_t index = 0;
      words >> index;
      if (report.fonts.size() <= index) report.fonts.resize(index + 1);
      std::wstring first;
      words >> first;
      if (first == L"none") continue;
      FontSeen font;
      font.height = std::stoi(first);
      int italic = 0, underline = 0, strikeOut = 0;
      words >> font.weight >> italic >> underline >> strikeOut >> font.charSet;
      font.italic = italic != 0;
      font.underline = underline != 0;
      font.strikeOut = strikeOut != 0;
      std::getline(words >> std::ws, font.face);
      report.fonts[index] = font;
    } else if (kind == L"drawn") {
      std::size_t index = 0;
      words >> index;
      if (index >= report.fonts.size() || !report.fonts[index]) continue;
      FontSeen& font = *report.fonts[index];
      words >> font.drawnWeight >> font.drawnHeight >> font.sampleWidth;
      std::getline(words >> std::ws, font.drawnFace);
    }
  }
  return report;
}

}  // namespace

std::wstring BinFolder() { return standins::ModuleFolder(); }

std::wstring WindowText(HWND window) { return TextOf(window); }
std::wstring WindowClass(HWND window) { return ClassOf(window); }

RECT RectInParent(HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

const wchar_t* IconName(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::None: return L"no icon";
    case BoxIcon::Critical: return L"critical icon";
    case BoxIcon::Other: return L"another icon";
  }
  return L"?";
}

int ExpectedDpi() {
  wchar_t value[16] = {};
  const DWORD length = GetEnvironmentVariableW(L"QZ_EXPECTED_DPI", value, 16);
  const int dpi = length > 0 && length < 16 ? static_cast<int>(std::wcstol(value, nullptr, 10)) : 0;
  return dpi > 0 ? dpi : 96;
}

int Scaled(int pixelsAt96) { return (pixelsAt96 * ExpectedDpi() * 2 + 96) / (96 * 2); }

RunningProgram::RunningProgram(e2e::Client client) : client_(client) {
  const std::wstring program = e2e::ProgramPath(client);
  // Only the quoted program path: the command-line tail is empty.
  std::wstring commandLine = L"\"" + program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION created{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &created)) {
    return;
  }
  process_ = platform::win32::UniqueHandle(created.hProcess);
  const platform::win32::UniqueHandle thread(created.hThread);
  processId_ = created.dwProcessId;
  threadId_ = created.dwThreadId;
  form_ = WaitForForm(processId_);
  if (form_ != nullptr) controls_ = ChildrenInZOrder(form_);
}

RunningProgram::~RunningProgram() {
  if (!process_.Valid() || !IsRunning()) return;
  // A test that failed half-way may leave a box open or the window up.
  for (const HWND box : BoxesOf(processId_)) PostMessageW(box, WM_COMMAND, IDOK, 0);
  if (WaitForSingleObject(process_.Get(), 200) == WAIT_OBJECT_0) return;
  TerminateProcess(process_.Get(), 0xDEAD);
  WaitForSingleObject(process_.Get(), 5000);
}

HWND RunningProgram::Control(int index) const {
  return index >= 0 && static_cast<std::size_t>(index) < controls_.size() ? controls_[static_cast<std::size_t>(index)]
                                                                           : nullptr;
}

bool RunningProgram::IsRunning() const {
  return process_.Valid() && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT;
}

bool RunningProgram::WaitForEnd(std::chrono::milliseconds timeout) {
  return process_.Valid() && WaitForSingleObject(process_.Get(), static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

DWORD RunningProgram::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (process_.Valid()) GetExitCodeProcess(process_.Get(), &code);
  return code;
}

bool RunningProgram::FormShown() const { return form_ != nullptr && IsWindow(form_) && IsWindowVisible(form_); }

bool RunningProgram::Settle(std::chrono::milliseconds timeout) const {
  DWORD_PTR ignored = 0;
  return form_ != nullptr && IsWindow(form_) &&
         SendMessageTimeoutW(form_, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(timeout.count()), &ignored) != 0;
}

std::optional<BoxSeen> RunningProgram::NextBox(std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  do {
    const std::vector<HWND> boxes = BoxesOf(processId_);
    if (!boxes.empty()) {
      // Let it finish painting before its icon is read.
      Sleep(100);
      return ReadAndClose(boxes.front(), form_);
    }
    Sleep(30);
  } while (std::chrono::steady_clock::now() < end && IsRunning());
  return std::nullopt;
}

bool RunningProgram::NoBoxWithin(std::chrono::milliseconds wait) {
  Sleep(static_cast<DWORD>(wait.count()));
  return BoxesOf(processId_).empty();
}

std::wstring RunningProgram::PathText() const { return TextOf(Control(kTxtEMail)); }

void RunningProgram::SetPathText(const std::wstring& text) const {
  SendMessageW(Control(kTxtEMail), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void RunningProgram::Click(int control) const { PostMessageW(Control(control), BM_CLICK, 0, 0); }

int RunningProgram::FocusedControl() const {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(threadId_, &info) || info.hwndFocus == nullptr) return -1;
  const auto found = std::find(controls_.begin(), controls_.end(), info.hwndFocus);
  return found == controls_.end() ? -1 : static_cast<int>(found - controls_.begin());
}

bool RunningProgram::BringToFront() const {
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (GetForegroundWindow() == form_) return true;
    SetForegroundWindow(form_);
    Sleep(20);
  }
  return GetForegroundWindow() == form_;
}

void RunningProgram::PressKey(WORD key, bool withShift, bool withAlt) const {
  if (withAlt) SendKeyInput(VK_MENU, false);
  if (withShift) SendKeyInput(VK_SHIFT, false);
  SendKeyInput(key, false);
  SendKeyInput(key, true);
  if (withShift) SendKeyInput(VK_SHIFT, true);
  if (withAlt) SendKeyInput(VK_MENU, true);
  // The keys reach the program's queue through the system; wait for them
  // to be handled.
  Sleep(150);
  Settle();
}

ProbeReport RunningProgram::Probe() const {
  const platform::win32::UniqueHandle mapping(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kReportBytes,
                                                          ReportMappingName(processId_).c_str()));
  if (!mapping.Valid()) return {};
  const UniqueView view(MapViewOfFile(mapping.Get(), FILE_MAP_ALL_ACCESS, 0, 0, kReportBytes));
  const UniqueModule probe(LoadLibraryW((BinFolder() + L"\\UiProbe.dll").c_str()));
  if (!view || !probe) return {};
  const auto hook = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(probe.Get(), kProbeHookName)));
  const UniqueHook hooked(hook != nullptr ? SetWindowsHookExW(WH_CALLWNDPROC, hook, probe.Get(), threadId_) : nullptr);
  if (!hooked) return {};
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(form_, RegisterWindowMessageW(kProbeMessageName), 0, 0, SMTO_NORMAL, 10000, &ignored);
  const auto* text = static_cast<const wchar_t*>(view.Get());
  return ParseReport(std::wstring(text, wcsnlen(text, kReportBytes / sizeof(wchar_t))));
}

}  // namespace ui_tests

namespace ui_tests {

RunningProgram::Freeze::Freeze(DWORD threadId) : thread_(OpenThread(THREAD_SUSPEND_RESUME, FALSE, threadId)) {
  held_ = thread_.Valid() && SuspendThread(thread_.Get()) != static_cast<DWORD>(-1);
}

RunningProgram::Freeze::~Freeze() {
  if (held_) ResumeThread(thread_.Get());
}

bool RunningProgram::ClickCloseBox() const {
  RECT frame{};
  GetWindowRect(form_, &frame);
  RECT client{};
  GetClientRect(form_, &client);
  POINT clientOrigin{0, 0};
  ClientToScreen(form_, &clientOrigin);
  // Along the middle of the title bar, from the right.
  const int y = (frame.top + clientOrigin.y) / 2;
  for (int x = frame.right - 1; x > frame.left; --x) {
    DWORD_PTR hit = HTNOWHERE;
    SendMessageTimeoutW(form_, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_NORMAL, 5000, &hit);
    if (hit != HTCLOSE) continue;
    SetCursorPos(x, y);
    INPUT clicks[2] = {};
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, clicks, sizeof clicks[0]);
    return true;
  }
  return false;
}

}  // namespace ui_tests
