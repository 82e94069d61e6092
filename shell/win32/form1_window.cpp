#include "shell/win32/form1_window.h"

#include <array>
#include <string_view>

#include "platform/failure_report.h"
#include "platform/win32/wide_text.h"

namespace shell::win32 {
namespace {

constexpr wchar_t kFormClass[] = L"Form1";
constexpr wchar_t kOwnerClass[] = L"Form1Owner";

constexpr DWORD kFormStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_DLGMODALFRAME;

// The layout in twips, as designed at 15 twips to the pixel.
constexpr int kClientWidth = 5775;
constexpr int kClientHeight = 3855;
constexpr int kTwipsPerInch = 1440;
// 8.25 points, in hundredths.
constexpr int kFontSizeCentipoints = 825;
constexpr wchar_t kFontFace[] = L"MS Sans Serif";

constexpr DWORD kLabelStyle = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX;
constexpr DWORD kNoticeStyle = WS_CHILD | WS_VISIBLE | SS_CENTER | SS_NOPREFIX;
constexpr DWORD kTextBoxStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
// Plain push buttons: neither is the default or the cancel button.
constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;

enum class Slot { None, TxtEMail, CmdSend, CmdExit, Notice };

struct ControlDesign {
  const wchar_t* windowClass;
  std::wstring_view text;
  int left, top, width, height;  // twips
  DWORD style;
  bool bold;
  Slot slot;
};

// In tab order, which is the order of creation. Identifiers start at 100,
// clear of IDOK and IDCANCEL, which the dialog keys send for Enter and Escape.
constexpr int kFirstControlId = 100;
constexpr std::array<ControlDesign, 14> kControls{{
    {L"Button", L"Close", 2280, 3000, 1335, 375, kButtonStyle, false, Slot::CmdExit},
    {L"Static", L"Command: File Path", 240, 120, 1575, 255, kLabelStyle, false, Slot::None},
    {L"Static", L"File structure:", 240, 840, 975, 255, kLabelStyle, false, Slot::None},
    {L"Static", L"[ADDRESS]", 1920, 840, 1215, 255, kLabelStyle, true, Slot::None},
    {L"Static", L"email address", 1920, 1080, 1215, 255, kLabelStyle, true, Slot::None},
    {L"Static", L"[SUBJECT]", 1920, 1320, 1215, 255, kLabelStyle, true, Slot::None},
    {L"Static", L"email subject", 1920, 1560, 1215, 255, kLabelStyle, true, Slot::None},
    {L"Static", L"[BODY]", 1920, 1800, 1215, 255, kLabelStyle, true, Slot::None},
    {L"Static", L"email body text", 1920, 2040, 1455, 255, kLabelStyle, true, Slot::None},
    {L"Static", L"[ATTACHMENT]", 1920, 2280, 1455, 255, kLabelStyle, true, Slot::None},
    {L"Static", L"email attachment files", 1920, 2520, 1935, 255, kLabelStyle, true, Slot::None},
    {L"Edit", L"", 1920, 120, 3615, 285, kTextBoxStyle, false, Slot::TxtEMail},
    {L"Button", L"Send", 4200, 480, 1335, 375, kButtonStyle, false, Slot::CmdSend},
    {L"Static", L"", 0, 3600, 5775, 255, kNoticeStyle, false, Slot::Notice},
}};

// Twips to pixels at dpi. Edges are scaled, not sizes, so that edges that
// meet or line up in the design still do at every DPI.
int ToPixels(int twips, int dpi) { return MulDiv(twips, dpi, kTwipsPerInch); }

int ScreenDpi() {
  const HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

HFONT CreateFormFont(int dpi, int weight) {
  return CreateFontW(-MulDiv(kFontSizeCentipoints, dpi, 72 * 100), 0, 0, 0, weight, FALSE, FALSE, FALSE,
                     ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_SWISS, kFontFace);
}

HICON LoadProgramIcon(int size) {
  // The first icon group, resource 1, is the program's icon.
  return static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

void RegisterClasses(WNDPROC formProcedure) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW form{};
  if (!GetClassInfoExW(instance, kFormClass, &form)) {
    form.cbSize = sizeof form;
    form.lpfnWndProc = formProcedure;
    form.hInstance = instance;
    form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    form.lpszClassName = kFormClass;
    RegisterClassExW(&form);
  }
  WNDCLASSEXW owner{};
  if (!GetClassInfoExW(instance, kOwnerClass, &owner)) {
    owner.cbSize = sizeof owner;
    owner.lpfnWndProc = DefWindowProcW;
    owner.hInstance = instance;
    owner.lpszClassName = kOwnerClass;
    RegisterClassExW(&owner);
  }
}

// The system menu of a window that can be neither sized, minimised nor
// maximised: Move and Close.
void TrimSystemMenu(HWND window) {
  if (const HMENU menu = GetSystemMenu(window, FALSE)) {
    for (const UINT command : {SC_RESTORE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE}) {
      DeleteMenu(menu, command, MF_BYCOMMAND);
    }
  }
}

}  // namespace

Form1Window::Form1Window(platform::Desktop& desktop, const Program& program)
    : desktop_(desktop), program_(program), form1_(desktop, program, *this) {}

Form1Window::~Form1Window() {
  if (form_ != nullptr) DestroyWindow(form_);
}

void Form1Window::Show() {
  Create();
  form1_.Form_Load();
  ShowWindow(form_, SW_SHOWNORMAL);
  UpdateWindow(form_);
  // Activation already did this when the system let the window come to the
  // front; it may not have.
  if (form_ != nullptr && GetFocus() == nullptr) SetFocus(cmdExit_);
}

void Form1Window::Create() {
  RegisterClasses(WindowProc);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  const auto windowFailed = [] { return platform::MakeFailure(platform::RuntimeError::OutOfMemory); };

  owner_ = UniqueWindow(CreateWindowExW(0, kOwnerClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr));
  if (!owner_) throw windowFailed();

  const int dpi = ScreenDpi();
  RECT frame{0, 0, ToPixels(kClientWidth, dpi), ToPixels(kClientHeight, dpi)};
  AdjustWindowRectEx(&frame, kFormStyle, FALSE, kFormExStyle);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;

  const std::wstring caption = platform::win32::ToWide(program_.caption);
  // WindowProc sets form_ from WM_NCCREATE on.
  const HWND created = CreateWindowExW(kFormExStyle, kFormClass, caption.c_str(), kFormStyle, left, top, width,
                                       height, owner_.Get(), nullptr, instance, this);
  if (created == nullptr) throw windowFailed();
  TrimSystemMenu(form_);

  regularFont_ = UniqueFont(CreateFormFont(dpi, FW_NORMAL));
  boldFont_ = UniqueFont(CreateFormFont(dpi, FW_BOLD));
  bigIcon_ = UniqueIcon(LoadProgramIcon(GetSystemMetrics(SM_CXICON)));
  smallIcon_ = UniqueIcon(LoadProgramIcon(GetSystemMetrics(SM_CXSMICON)));
  SendMessageW(form_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.Get()));
  SendMessageW(form_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.Get()));
  SendMessageW(form_, WM_SETFONT, reinterpret_cast<WPARAM>(regularFont_.Get()), FALSE);

  CreateControls(dpi);
}

void Form1Window::CreateControls(int dpi) {
  // The notice line names the program and its maker.
  const std::wstring notice =
      platform::win32::ToWide(program_.name) + L" " QZ_VERSION_TEXT L" - made by the " QZ_MAKER;
  int id = kFirstControlId;
  for (const ControlDesign& design : kControls) {
    const std::wstring text = design.slot == Slot::Notice ? notice : std::wstring(design.text);
    const int left = ToPixels(design.left, dpi);
    const int top = ToPixels(design.top, dpi);
    const int width = ToPixels(design.left + design.width, dpi) - left;
    const int height = ToPixels(design.top + design.height, dpi) - top;
    const DWORD exStyle = design.slot == Slot::TxtEMail ? WS_EX_CLIENTEDGE : 0;
    const HWND control = CreateWindowExW(exStyle, design.windowClass, text.c_str(), design.style, left, top, width, height,
                                         form_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id++)),
                                         GetModuleHandleW(nullptr), nullptr);
    if (control == nullptr) throw platform::MakeFailure(platform::RuntimeError::OutOfMemory);
    const HFONT font = design.bold ? boldFont_.Get() : regularFont_.Get();
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    switch (design.slot) {
      case Slot::TxtEMail: txtEMail_ = control; break;
      case Slot::CmdSend: cmdSend_ = control; break;
      case Slot::CmdExit: cmdExit_ = control; break;
      case Slot::None:
      case Slot::Notice: break;
    }
  }
  // A path may be longer than the box's default limit of 30000 characters.
  SendMessageW(txtEMail_, EM_SETLIMITTEXT, 0, 0);
  focusToRestore_ = cmdExit_;
}

bool Form1Window::HandleDialogKeys(MSG& message) {
  if (form_ == nullptr) return false;
  // Enter on a focused button presses it, as Space does: once for each
  // press, not again while the key repeats. Anywhere else the dialog keys
  // turn it into an IDOK command, which OnCommand ignores.
  const bool onButton = message.hwnd != nullptr && (message.hwnd == cmdSend_ || message.hwnd == cmdExit_);
  if (onButton && message.message == WM_KEYDOWN && message.wParam == VK_RETURN) {
    constexpr LPARAM kKeyWasDown = LPARAM{1} << 30;
    if ((message.lParam & kKeyWasDown) == 0) {
      SendMessageW(form_, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(message.hwnd), BN_CLICKED),
                   reinterpret_cast<LPARAM>(message.hwnd));
    }
    return true;
  }
  return IsDialogMessageW(form_, &message) != FALSE;
}

std::u16string Form1Window::txtEMailText() {
  if (txtEMail_ == nullptr) return {};
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(txtEMail_)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(txtEMail_, text.data(), static_cast<int>(text.size()))));
  return platform::win32::FromWide(text);
}

void Form1Window::SetTxtEMailText(const std::u16string& text) {
  if (txtEMail_ != nullptr) SetWindowTextW(txtEMail_, platform::win32::ToWide(text).c_str());
}

void Form1Window::Unload() {
  if (form_ != nullptr) DestroyWindow(form_);
}

LRESULT CALLBACK Form1Window::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Form1Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->form_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Form1Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  return self->OnMessage(window, message, wParam, lParam);
}

LRESULT Form1Window::OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(wParam, lParam);
      return 0;
    case WM_CLOSE:
      // The close box and Alt+F4 unload the window as "Close" does.
      Unload();
      return 0;
    case WM_ACTIVATE:
      OnActivate(wParam);
      return 0;
    case WM_SETFOCUS:
      if (focusToRestore_ != nullptr) SetFocus(focusToRestore_);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      OnDestroyed();
      return DefWindowProcW(window, message, wParam, lParam);
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

void Form1Window::OnCommand(WPARAM wParam, LPARAM lParam) {
  // Only the buttons' clicks: the dialog keys turn Enter outside a button,
  // and Escape, into IDOK and IDCANCEL commands, which this window ignores.
  if (HIWORD(wParam) != BN_CLICKED || lParam == 0) return;
  const auto control = reinterpret_cast<HWND>(lParam);
  if (control == cmdSend_) {
    RunHandler([this] { form1_.cmdSend_Click(); });
  } else if (control == cmdExit_) {
    RunHandler([this] { form1_.cmdExit_Click(); });
  }
}

void Form1Window::OnActivate(WPARAM wParam) {
  if (LOWORD(wParam) == WA_INACTIVE) {
    const HWND focus = GetFocus();
    if (focus != nullptr && IsChild(form_, focus)) focusToRestore_ = focus;
  } else if (focusToRestore_ != nullptr) {
    SetFocus(focusToRestore_);
  }
}

void Form1Window::OnDestroyed() {
  form_ = nullptr;
  txtEMail_ = nullptr;
  cmdSend_ = nullptr;
  cmdExit_ = nullptr;
  focusToRestore_ = nullptr;
  // The message loop may be waiting in GetMessage when a message sent from
  // elsewhere destroyed the window: wake it so that it sees the window gone.
  if (owner_) PostMessageW(owner_.Get(), WM_NULL, 0, 0);
}

template <class Handler>
void Form1Window::RunHandler(Handler&& handler) {
  try {
    handler();
  } catch (...) {
    platform::ReportUnhandled(desktop_);
  }
}

}  // namespace shell::win32
