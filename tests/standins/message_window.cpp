#include "message_window.h"

#include <algorithm>
#include <memory>

#include "platform/win32/owners.h"
#include "server.h"

namespace standins {

using platform::win32::UniqueFont;

namespace {

constexpr int kMargin = 10;
constexpr int kGap = 6;

// What a field shows at most: under Wine an edit control takes seconds to lay
// out a line of 64K characters, and nobody reads that far on screen.
constexpr std::size_t kLongestShownText = 4 * 1024;

// An edit control shows a line break only as CR LF; the clients send CR alone
// (Notes and Outlook bodies) and a mail file may hold a lone LF.
std::wstring WithEditLineBreaks(std::wstring_view text) {
  std::wstring out;
  if (text.size() > kLongestShownText) {
    return WithEditLineBreaks(text.substr(0, kLongestShownText)) + L"\r\n[... " +
           std::to_wstring(text.size() - kLongestShownText) + L" more characters]";
  }
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c == L'\r') {
      out += L"\r\n";
      if (i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    } else if (c == L'\n') {
      out += L"\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

class MessageWindow {
 public:
  MessageWindow(Server& server, MessageContent content) : server_(server), content_(std::move(content)) {}

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      // The window takes the object over here and deletes it when destroyed.
      auto* owner = static_cast<std::unique_ptr<MessageWindow>*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      MessageWindow* self = owner->release();
      self->window_ = window;
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MessageWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
      case WM_CREATE: return self->OnCreate();
      case WM_SIZE: self->OnSize(LOWORD(lParam), HIWORD(lParam)); return 0;
      case WM_DESTROY: self->server_.WindowClosed(); return 0;
      case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        delete self;
        return DefWindowProcW(window, message, wParam, lParam);
      default: return DefWindowProcW(window, message, wParam, lParam);
    }
  }

  bool Focus(std::wstring_view key) {
    const auto row = std::ranges::find_if(rows_, [&](const Row& r) { return SameName(r.key, key); });
    if (row == rows_.end()) return false;
    SetForegroundWindow(window_);
    SetFocus(row->edit);
    SendMessageW(row->edit, EM_SETSEL, 0, 0);
    return GetFocus() == row->edit;
  }

 private:
  struct Row {
    std::wstring key;
    HWND label;
    HWND edit;
    bool multiLine;
  };

  LRESULT OnCreate() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    LOGFONTW face = metrics.lfMessageFont;
    face.lfHeight = -13;
    font_ = UniqueFont(CreateFontIndirectW(&face));
    face.lfWeight = FW_BOLD;
    bannerFont_ = UniqueFont(CreateFontIndirectW(&face));

    const HDC dc = GetDC(window_);
    const HGDIOBJ previous = SelectObject(dc, font_.Get());
    TEXTMETRICW text{};
    GetTextMetricsW(dc, &text);
    lineHeight_ = text.tmHeight;
    for (const MessageField& field : content_.fields) {
      SIZE size{};
      GetTextExtentPoint32W(dc, field.label.c_str(), static_cast<int>(field.label.size()), &size);
      labelWidth_ = std::max(labelWidth_, static_cast<int>(size.cx) + kGap);
    }
    SelectObject(dc, previous);
    ReleaseDC(window_, dc);

    banner_ = CreateChild(L"STATIC", content_.banner, SS_LEFT | SS_NOPREFIX, 0);
    SendMessageW(banner_, WM_SETFONT, reinterpret_cast<WPARAM>(bannerFont_.Get()), FALSE);
    for (const MessageField& field : content_.fields) {
      Row row{field.key, CreateChild(L"STATIC", field.label, SS_LEFT | SS_NOPREFIX, 0), nullptr, field.multiLine};
      const DWORD style = field.multiLine
                              ? WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN
                              : WS_TABSTOP | ES_AUTOHSCROLL;
      row.edit = CreateChild(L"EDIT", WithEditLineBreaks(field.value), style, WS_EX_CLIENTEDGE);
      rows_.push_back(row);
    }
    return 0;
  }

  HWND CreateChild(const wchar_t* className, const std::wstring& text, DWORD style, DWORD exStyle) {
    const HWND child = CreateWindowExW(exStyle, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                                       window_, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    return child;
  }

  void OnSize(int width, int height) {
    const int rowHeight = lineHeight_ + 10;
    int top = kMargin;
    MoveWindow(banner_, kMargin, top, width - 2 * kMargin, lineHeight_ + 4, TRUE);
    top += lineHeight_ + 4 + kGap;
    const int editLeft = kMargin + labelWidth_;
    const int editWidth = std::max(width - editLeft - kMargin, 10);
    for (const Row& row : rows_) {
      if (row.multiLine) {
        MoveWindow(row.label, kMargin, top, width - 2 * kMargin, lineHeight_ + 2, TRUE);
        top += lineHeight_ + 4;
        MoveWindow(row.edit, kMargin, top, width - 2 * kMargin, std::max(height - top - kMargin, rowHeight), TRUE);
        top = height;
      } else {
        MoveWindow(row.label, kMargin, top + 5, labelWidth_, lineHeight_ + 2, TRUE);
        MoveWindow(row.edit, editLeft, top, editWidth, rowHeight, TRUE);
        top += rowHeight + kGap;
      }
    }
  }

  Server& server_;
  MessageContent content_;
  HWND window_ = nullptr;
  HWND banner_ = nullptr;
  std::vector<Row> rows_;
  UniqueFont font_;
  UniqueFont bannerFont_;
  int lineHeight_ = 16;
  int labelWidth_ = 0;
};

void RegisterWindowClass() {
  static const bool registered = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = MessageWindow::Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kMessageWindowClass;
    return RegisterClassExW(&windowClass) != 0;
  }();
  (void)registered;
}

}  // namespace

HWND OpenMessageWindow(Server& server, const MessageContent& content, HWND owner) {
  RegisterWindowClass();
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int width = std::min(640, static_cast<int>(work.right - work.left));
  const int height = std::min(480, static_cast<int>(work.bottom - work.top));
  const int left = work.left + (work.right - work.left - width) / 2;
  const int top = work.top + (work.bottom - work.top - height) / 2;
  auto window = std::make_unique<MessageWindow>(server, content);
  const HWND handle = CreateWindowExW(0, kMessageWindowClass, content.title.c_str(), WS_OVERLAPPEDWINDOW, left, top,
                                      width, height, owner, nullptr, GetModuleHandleW(nullptr), &window);
  if (handle == nullptr) {
    // The call then fails with E_FAIL; the journal keeps Windows' reason.
    server.GetJournal().Write(L"message-window not created: error " + std::to_wstring(GetLastError()));
    return nullptr;
  }
  server.WindowOpened();
  ShowWindow(handle, SW_SHOW);
  SetForegroundWindow(handle);
  return handle;
}

bool FocusMessageField(HWND window, std::wstring_view key) {
  if (!IsWindow(window)) return false;
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId()) return false;
  auto* self = reinterpret_cast<MessageWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  return self != nullptr && self->Focus(key);
}

}  // namespace standins
