// UiProbe.dll: loaded into a program under test by a WH_CALLWNDPROC hook on
// its window thread. When the form receives the probe message it writes:
//   dpi <LOGPIXELSY> aware <0|1>
//   icons <big width> <big height> <small width> <small height> metrics <SM_CXICON> <SM_CXSMICON>
//   font <child index> <height> <weight> <italic> <underline> <strikeout> <charset> <face>
//   drawn <child index> <weight> <cell height> <width of the legend's longest line> <face>
// with one font and one drawn line for each child window, in Z order.
#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/win32/owners.h"
#include "probe_protocol.h"

namespace {

using UniqueBitmap = platform::win32::UniqueResource<HBITMAP, platform::win32::DeleteGdiObject>;

std::wstring IconSize(HICON icon) {
  ICONINFO info{};
  if (icon == nullptr || !GetIconInfo(icon, &info)) return L"0 0";
  const UniqueBitmap colour(info.hbmColor);
  const UniqueBitmap mask(info.hbmMask);
  BITMAP bitmap{};
  GetObjectW(colour ? colour.Get() : mask.Get(), sizeof bitmap, &bitmap);
  // A monochrome icon keeps image and mask in one bitmap of double height.
  const LONG height = colour ? bitmap.bmHeight : bitmap.bmHeight / 2;
  return std::to_wstring(bitmap.bmWidth) + L" " + std::to_wstring(height);
}

// The font as asked for, and as the system draws it.
std::wstring FontLines(int index, HWND control) {
  const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  LOGFONTW logFont{};
  if (font == nullptr || GetObjectW(font, sizeof logFont, &logFont) == 0) {
    return L"font " + std::to_wstring(index) + L" none\n";
  }
  std::wstring lines = L"font " + std::to_wstring(index) + L" " + std::to_wstring(logFont.lfHeight) + L" " +
                       std::to_wstring(logFont.lfWeight) + L" " + std::to_wstring(logFont.lfItalic) + L" " +
                       std::to_wstring(logFont.lfUnderline) + L" " + std::to_wstring(logFont.lfStrikeOut) + L" " +
                       std::to_wstring(logFont.lfCharSet) + L" " + logFont.lfFaceName + L"\n";
  const HDC screen = GetDC(control);
  const HGDIOBJ previous = SelectObject(screen, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(screen, &metrics);
  wchar_t face[LF_FACESIZE] = {};
  GetTextFaceW(screen, LF_FACESIZE, face);
  SIZE extent{};
  GetTextExtentPoint32W(screen, L"email attachment files", 22, &extent);
  SelectObject(screen, previous);
  ReleaseDC(control, screen);
  lines += L"drawn " + std::to_wstring(index) + L" " + std::to_wstring(metrics.tmWeight) + L" " +
           std::to_wstring(metrics.tmHeight) + L" " + std::to_wstring(extent.cx) + L" " + face + L"\n";
  return lines;
}

std::wstring Report(HWND form) {
  const HDC screen = GetDC(nullptr);
  std::wstring report = L"dpi " + std::to_wstring(GetDeviceCaps(screen, LOGPIXELSY)) + L" aware " +
                        std::to_wstring(IsProcessDPIAware() ? 1 : 0) + L"\n";
  ReleaseDC(nullptr, screen);
  const auto big = reinterpret_cast<HICON>(SendMessageW(form, WM_GETICON, ICON_BIG, 0));
  const auto small = reinterpret_cast<HICON>(SendMessageW(form, WM_GETICON, ICON_SMALL, 0));
  report += L"icons " + IconSize(big) + L" " + IconSize(small) + L" metrics " +
            std::to_wstring(GetSystemMetrics(SM_CXICON)) + L" " + std::to_wstring(GetSystemMetrics(SM_CXSMICON)) +
            L"\n";
  int index = 0;
  for (HWND child = GetWindow(form, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    report += FontLines(index++, child);
  }
  return report;
}

void WriteReport(HWND form) {
  const platform::win32::UniqueHandle mapping(
      OpenFileMappingW(FILE_MAP_WRITE, FALSE, ui_tests::ReportMappingName(GetCurrentProcessId()).c_str()));
  if (!mapping.Valid()) return;
  const ui_tests::UniqueView view(MapViewOfFile(mapping.Get(), FILE_MAP_WRITE, 0, 0, ui_tests::kReportBytes));
  if (!view) return;
  const std::wstring report = Report(form);
  const std::size_t units = std::min<std::size_t>(report.size(), ui_tests::kReportBytes / sizeof(wchar_t) - 1);
  auto* text = static_cast<wchar_t*>(view.Get());
  report.copy(text, units);
  text[units] = L'\0';
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeHook(int code, WPARAM wParam, LPARAM lParam) {
  static const UINT probeMessage = RegisterWindowMessageW(ui_tests::kProbeMessageName);
  if (code == HC_ACTION) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (call->message == probeMessage) WriteReport(call->hwnd);
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
