// The window as the user sees it, read from the running programs: frame,
// caption, size and place, every control with its class, text, rectangle,
// style and font, the icons, and the DPI it was laid out for. At 144 DPI
// (QZ_EXPECTED_DPI=144) every length is half as large again.
#include <gtest/gtest.h>

#include <cstdlib>

#include "ui_driver.h"

namespace ui_tests {
namespace {

struct ExpectedControl {
  const wchar_t* name;
  const wchar_t* windowClass;
  const wchar_t* text;  // nullptr: not a fixed text
  int left, top, width, height;  // pixels at 96 DPI
  bool bold;
};

// In tab order, which the controls' Z order must follow.
constexpr ExpectedControl kControls[kControlCount] = {
    {L"cmdExit", L"Button", L"Close", 152, 200, 89, 25, false},
    {L"Label1", L"Static", L"Command: File Path", 16, 8, 105, 17, false},
    {L"Label2", L"Static", L"File structure:", 16, 56, 65, 17, false},
    {L"Label3", L"Static", L"[ADDRESS]", 128, 56, 81, 17, true},
    {L"Label4", L"Static", L"email address", 128, 72, 81, 17, true},
    {L"Label5", L"Static", L"[SUBJECT]", 128, 88, 81, 17, true},
    {L"Label6", L"Static", L"email subject", 128, 104, 81, 17, true},
    {L"Label7", L"Static", L"[BODY]", 128, 120, 81, 17, true},
    {L"Label8", L"Static", L"email body text", 128, 136, 97, 17, true},
    {L"Label9", L"Static", L"[ATTACHMENT]", 128, 152, 97, 17, true},
    {L"Label10", L"Static", L"email attachment files", 128, 168, 129, 17, true},
    {L"txtEMail", L"Edit", nullptr, 128, 8, 241, 19, false},
    {L"cmdSend", L"Button", L"Send", 280, 32, 89, 25, false},
    {L"Label11", L"Static", nullptr, 0, 240, 385, 17, false},
};

struct ProgramCase {
  e2e::Client client;
  const wchar_t* caption;
};

constexpr ProgramCase kPrograms[] = {
    {e2e::Client::Notes, L"Send Email with Lotus Notes"},
    {e2e::Client::Outlook, L"Send Email with MS Outlook"},
};

std::string ProgramCaseName(const testing::TestParamInfo<ProgramCase>& info) {
  return info.param.client == e2e::Client::Notes ? "Quorvel" : "Zembrik";
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

bool Has(LONG_PTR bits, LONG_PTR flag) { return (bits & flag) == flag; }

class Window : public testing::TestWithParam<ProgramCase> {
 protected:
  void SetUp() override { ASSERT_TRUE(program_.HasWindow()) << "the window did not appear"; }
  RunningProgram program_{GetParam().client};
};

TEST_P(Window, IsAFixedDialogFrameOwnedByAHiddenWindowCentredOnTheScreen) {
  const HWND form = program_.Form();
  EXPECT_EQ(WindowText(form), GetParam().caption);

  const LONG_PTR style = GetWindowLongPtrW(form, GWL_STYLE);
  const LONG_PTR exStyle = GetWindowLongPtrW(form, GWL_EXSTYLE);
  EXPECT_TRUE(Has(style, WS_POPUP | WS_CAPTION | WS_SYSMENU)) << std::hex << style;
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) << "resizable, or with more than a close box";
  EXPECT_TRUE(Has(exStyle, WS_EX_DLGMODALFRAME)) << std::hex << exStyle;
  EXPECT_FALSE(exStyle & (WS_EX_TOOLWINDOW | WS_EX_APPWINDOW)) << "a tool window, or forced into the taskbar";
  EXPECT_EQ(GetMenu(form), nullptr);

  // Out of the taskbar: owned by a hidden window of the program's own.
  const HWND owner = GetWindow(form, GW_OWNER);
  ASSERT_NE(owner, nullptr);
  EXPECT_FALSE(IsWindowVisible(owner));
  DWORD formProcess = 0, ownerProcess = 0;
  GetWindowThreadProcessId(form, &formProcess);
  GetWindowThreadProcessId(owner, &ownerProcess);
  EXPECT_EQ(ownerProcess, formProcess);

  RECT client{};
  GetClientRect(form, &client);
  EXPECT_EQ(client.right, Scaled(385));
  EXPECT_EQ(client.bottom, Scaled(257));

  RECT frame{};
  GetWindowRect(form, &frame);
  EXPECT_LE(std::abs(frame.left + frame.right - GetSystemMetrics(SM_CXSCREEN)), 1) << frame.left << " " << frame.right;
  EXPECT_LE(std::abs(frame.top + frame.bottom - GetSystemMetrics(SM_CYSCREEN)), 1) << frame.top << " " << frame.bottom;
}

TEST_P(Window, HasEveryControlInTabOrderWithItsClassTextPlaceAndStyle) {
  ASSERT_EQ(program_.Controls().size(), static_cast<std::size_t>(kControlCount));
  for (int index = 0; index < kControlCount; ++index) {
    const ExpectedControl& expected = kControls[index];
    SCOPED_TRACE(testing::Message() << "control " << index);
    const HWND control = program_.Control(index);
    EXPECT_EQ(WindowClass(control), expected.windowClass);
    if (expected.text != nullptr) {
      EXPECT_EQ(WindowText(control), expected.text);
    }

    // Edges scale, so that what lines up at 96 DPI still does.
    const RECT rect = RectInParent(control);
    EXPECT_EQ(rect.left, Scaled(expected.left));
    EXPECT_EQ(rect.top, Scaled(expected.top));
    EXPECT_EQ(rect.right, Scaled(expected.left + expected.width));
    EXPECT_EQ(rect.bottom, Scaled(expected.top + expected.height));

    const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
    EXPECT_TRUE(style & WS_VISIBLE);
    EXPECT_FALSE(style & WS_DISABLED);
    const std::wstring kind = expected.windowClass;
    if (kind == L"Static") {
      EXPECT_FALSE(style & WS_TABSTOP) << "labels never take the focus";
      EXPECT_FALSE(style & SS_NOTIFY);
      const LONG_PTR type = style & SS_TYPEMASK;
      EXPECT_TRUE(type == SS_LEFT || type == SS_CENTER) << "a text label, not " << type;
    } else if (kind == L"Button") {
      EXPECT_TRUE(style & WS_TABSTOP);
      EXPECT_EQ(style & BS_TYPEMASK, BS_PUSHBUTTON) << "neither button is the default one";
    } else {
      EXPECT_TRUE(style & WS_TABSTOP);
      EXPECT_FALSE(style & (ES_MULTILINE | ES_READONLY | ES_PASSWORD | ES_NUMBER));
      EXPECT_TRUE(style & ES_AUTOHSCROLL) << "a path longer than the box must still be typed";
    }
  }
  // The notice line: one line that names the program and its maker.
  const std::wstring notice = WindowText(program_.Control(kLabel11));
  EXPECT_NE(notice.find(program_.Name()), std::wstring::npos) << std::string(notice.begin(), notice.end());
  EXPECT_NE(notice.find(L"Quorvel and Zembrik team"), std::wstring::npos);
  EXPECT_EQ(notice.find_first_of(L"\r\n"), std::wstring::npos);
}

TEST_P(Window, UsesMsSansSerifBoldForTheLegendAndRegularElsewhereAtTheScreensDpi) {
  const ProbeReport report = program_.Probe();
  ASSERT_TRUE(report.answered) << "the probe got no answer from the program";
  EXPECT_EQ(report.dpi, ExpectedDpi());
  EXPECT_TRUE(report.dpiAware) << "the program does not declare itself DPI-aware";

  ASSERT_EQ(report.fonts.size(), static_cast<std::size_t>(kControlCount)) << Narrow(report.text);
  SCOPED_TRACE(Narrow(report.text));
  for (int index = 0; index < kControlCount; ++index) {
    SCOPED_TRACE(testing::Message() << "control " << index);
    const std::optional<FontSeen>& font = report.fonts[static_cast<std::size_t>(index)];
    ASSERT_TRUE(font.has_value()) << "the control has the system font";
    // 8.25 points: 11 pixels at 96 DPI.
    EXPECT_EQ(font->height, -Scaled(11));
    EXPECT_EQ(font->face, L"MS Sans Serif");
    EXPECT_EQ(font->weight, kControls[index].bold ? FW_BOLD : FW_NORMAL);
    EXPECT_FALSE(font->italic || font->underline || font->strikeOut);
    EXPECT_EQ(font->charSet, ANSI_CHARSET);
  }

  // Drawn as asked: the legend visibly bold, at the size asked for.
  const FontSeen& regular = *report.fonts[kCmdExit];
  const FontSeen& bold = *report.fonts[kLabel10];
  EXPECT_GT(bold.sampleWidth, regular.sampleWidth) << "the legend is not drawn bold";
  EXPECT_GE(bold.drawnWeight, FW_BOLD);
  EXPECT_LT(regular.drawnWeight, FW_BOLD);
  EXPECT_GE(regular.drawnHeight, Scaled(11));

  // The program's icon in the title bar and in the task switcher.
  EXPECT_EQ(report.bigIcon.cx, report.bigIconMetric);
  EXPECT_EQ(report.bigIcon.cy, report.bigIconMetric);
  EXPECT_EQ(report.smallIcon.cx, report.smallIconMetric);
  EXPECT_EQ(report.smallIcon.cy, report.smallIconMetric);
  EXPECT_GT(report.smallIconMetric, 0);
}

TEST_P(Window, OpensWithTestTxtBesideTheProgramAndTakesPathsOfAnyLength) {
  EXPECT_EQ(program_.PathText(), BinFolder() + L"\\Test.txt");
  EXPECT_TRUE(program_.NoBoxOnceSettled()) << "the window looked for the file";

  // Past the edit control's default limit of 30000 characters.
  const std::wstring longPath = L"C:\\" + std::wstring(40000, L'x') + L".txt";
  program_.SetPathText(longPath);
  EXPECT_EQ(program_.PathText().size(), longPath.size());
}

INSTANTIATE_TEST_SUITE_P(Programs, Window, testing::ValuesIn(kPrograms), ProgramCaseName);

}  // namespace
}  // namespace ui_tests
