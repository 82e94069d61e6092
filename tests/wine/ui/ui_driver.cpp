#include "ui_driver.h"

#include <algorithm>
#include <cwchar>
#include <sstream>
#include <thread>

#include "probe_protocol.h"
#include "program_run.h"
#include "settings.h"
#include "test_main.h"

namespace ui_tests {
namespace {

void Unhook(HHOOK hook) { UnhookWindowsHookEx(hook); }
using UniqueHook = platform::win32::UniqueResource<HHOOK, Unhook>;

std::vector<HWND> ChildrenInZOrder(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

HWND WaitForForm(DWORD processId) {
  for (int attempt = 0; attempt < 400; ++attempt) {
    for (const HWND window : e2e::TopLevelWindowsOf(processId)) {
      if (WindowClass(window) == L"Form1" && IsWindowVisible(window)) return window;
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

std::wstring ProgramIn(const std::wstring& folder, e2e::Client client) {
  return folder.empty() ? e2e::ProgramPath(client) : folder + L"\\" + e2e::ProgramName(client) + L".exe";
}

}  // namespace

std::wstring BinFolder() { return standins::ModuleFolder(); }

RECT RectInParent(HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

int ExpectedDpi() {
  wchar_t value[16] = {};
  const DWORD length = GetEnvironmentVariableW(L"QZ_EXPECTED_DPI", value, 16);
  const int dpi = length > 0 && length < 16 ? static_cast<int>(std::wcstol(value, nullptr, 10)) : 0;
  return dpi > 0 ? dpi : 96;
}

int Scaled(int pixelsAt96) { return (pixelsAt96 * ExpectedDpi() * 2 + 96) / (96 * 2); }

// Only the quoted program path: the command-line tail is empty.
RunningProgram::RunningProgram(e2e::Client client, const std::wstring& folder)
    : client_(client),
      process_(ProgramIn(folder, client), L"\"" + ProgramIn(folder, client) + L"\"",
               folder.empty() ? nullptr : folder.c_str()) {
  if (!process_.Started()) return;
  form_ = WaitForForm(process_.Id());
  if (form_ != nullptr) controls_ = ChildrenInZOrder(form_);
}

// A test that failed half-way may leave a box open or the window up; what
// still runs after that is ended by force.
RunningProgram::~RunningProgram() {
  if (!IsRunning()) return;
  for (const HWND box : e2e::MessageBoxesOf(process_.Id())) PostMessageW(box, WM_COMMAND, IDOK, 0);
  process_.WaitForEnd(200ms);
}

HWND RunningProgram::Control(int index) const {
  return index >= 0 && static_cast<std::size_t>(index) < controls_.size() ? controls_[static_cast<std::size_t>(index)]
                                                                           : nullptr;
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
    const std::vector<HWND> boxes = e2e::MessageBoxesOf(process_.Id());
    if (!boxes.empty()) {
      // Let it finish painting before its icon is read.
      Sleep(100);
      BoxSeen seen;
      seen.ownedByForm = form_ != nullptr && GetWindow(boxes.front(), GW_OWNER) == form_;
      static_cast<e2e::MessageBoxSeen&>(seen) = e2e::ReadAndClose(boxes.front());
      return seen;
    }
    Sleep(30);
  } while (std::chrono::steady_clock::now() < end && IsRunning());
  return std::nullopt;
}

bool RunningProgram::HandledPosted(std::chrono::milliseconds timeout) const {
  const HWND box = Control(kTxtEMail);
  DWORD_PTR before = 0;
  if (box == nullptr || !SendMessageTimeoutW(box, EM_GETMODIFY, 0, 0, SMTO_NORMAL, 5000, &before)) return false;
  PostMessageW(box, EM_SETMODIFY, !before, 0);
  const auto end = std::chrono::steady_clock::now() + timeout;
  DWORD_PTR now = before;
  while (SendMessageTimeoutW(box, EM_GETMODIFY, 0, 0, SMTO_NORMAL, 5000, &now) && !now == !before &&
         std::chrono::steady_clock::now() < end) {
    Sleep(5);
  }
  return !now != !before;
}

bool RunningProgram::NoBoxOnceSettled() const {
  if (!Settle() || !HandledPosted() || !Settle()) return false;
  // A box not shown yet counts too.
  const std::vector<HWND> windows = e2e::TopLevelWindowsOf(process_.Id());
  return std::none_of(windows.begin(), windows.end(), [](HWND window) { return WindowClass(window) == L"#32770"; });
}

std::wstring RunningProgram::PathText() const { return WindowText(Control(kTxtEMail)); }

void RunningProgram::SetPathText(const std::wstring& text) const {
  SendMessageW(Control(kTxtEMail), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void RunningProgram::Click(int control) const { PostMessageW(Control(control), BM_CLICK, 0, 0); }

int RunningProgram::FocusedControl() const {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(ThreadId(), &info) || info.hwndFocus == nullptr) return -1;
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
  // While this thread shares the program's input state, a key shows as down
  // from when the program takes its press from the queue until it takes the
  // release. A key the program ignores, pressed after the others, shows
  // when the program has taken them.
  constexpr WORD kMarkKey = VK_F24;
  MSG ignored;
  PeekMessageW(&ignored, nullptr, 0, 0, PM_NOREMOVE);  // this thread's queue, which sharing needs
  const bool shared = AttachThreadInput(GetCurrentThreadId(), ThreadId(), TRUE) != FALSE;
  const auto markDown = [] {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    return (keys[kMarkKey] & 0x80) != 0;
  };
  const auto waitForMark = [&](bool down) {
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (shared && markDown() != down && IsRunning() && std::chrono::steady_clock::now() < end) Sleep(5);
  };
  if (withAlt) SendKeyInput(VK_MENU, false);
  if (withShift) SendKeyInput(VK_SHIFT, false);
  SendKeyInput(key, false);
  SendKeyInput(key, true);
  if (withShift) SendKeyInput(VK_SHIFT, true);
  if (withAlt) SendKeyInput(VK_MENU, true);
  SendKeyInput(kMarkKey, false);
  waitForMark(true);
  SendKeyInput(kMarkKey, true);
  waitForMark(false);
  if (shared) AttachThreadInput(GetCurrentThreadId(), ThreadId(), FALSE);
  // A round trip lets the program finish with the mark.
  Settle();
}

ProbeReport RunningProgram::Probe() const {
  const platform::win32::UniqueHandle mapping(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kReportBytes,
                                                          ReportMappingName(process_.Id()).c_str()));
  if (!mapping.Valid()) return {};
  const UniqueView view(MapViewOfFile(mapping.Get(), FILE_MAP_ALL_ACCESS, 0, 0, kReportBytes));
  const UniqueModule probe(LoadLibraryW((BinFolder() + L"\\UiProbe.dll").c_str()));
  if (!view || !probe) return {};
  const auto hook = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(probe.Get(), kProbeHookName)));
  const UniqueHook hooked(hook != nullptr ? SetWindowsHookExW(WH_CALLWNDPROC, hook, probe.Get(), ThreadId()) : nullptr);
  if (!hooked) return {};
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(form_, RegisterWindowMessageW(kProbeMessageName), 0, 0, SMTO_NORMAL, 10000, &ignored);
  const auto* text = static_cast<const wchar_t*>(view.Get());
  return ParseReport(std::wstring(text, wcsnlen(text, kReportBytes / sizeof(wchar_t))));
}

}  // namespace ui_tests

namespace ui_tests {

void RunningProgram::ResumeAndClose::operator()(HANDLE thread) const {
  ResumeThread(thread);
  CloseHandle(thread);
}

RunningProgram::Frozen RunningProgram::Freeze() const {
  Frozen frozen(OpenThread(THREAD_SUSPEND_RESUME, FALSE, ThreadId()));
  // Resuming a thread that was not suspended changes nothing.
  if (frozen && SuspendThread(frozen.get()) == static_cast<DWORD>(-1)) frozen.reset();
  return frozen;
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
    // Press and release each carry the point rather than go where the cursor
    // is: on a busy machine the program may handle its window's appearing in
    // X only now, and Wine then moves the cursor back to where the X pointer
    // was at that time. The release's own move brings it back onto the box,
    // which a click must be let go on to count.
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT clicks[2] = {};
    for (INPUT& click : clicks) {
      click.type = INPUT_MOUSE;
      // Rounded up, so that scaled back down it is the pixel itself.
      click.mi.dx = (x * 65536 + width - 1) / width;
      click.mi.dy = (y * 65536 + height - 1) / height;
    }
    clicks[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN;
    clicks[1].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP;
    SendInput(2, clicks, sizeof clicks[0]);
    return true;
  }
  return false;
}

}  // namespace ui_tests

// The window tests have nothing to do before their cases.
std::optional<int> wine_tests::RunInstead(int, wchar_t**) { return std::nullopt; }
