#include "platform/windows/settings_window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "automation/value.h"
#include "control/label_request.h"
#include "forms/settings_forms.h"
#include "platform/windows/com_module.h"

namespace windows {
namespace {

using automation::Value;
using forms::ControlKind;
using forms::FormDesign;
using forms::SettingsDialog;

int screenDpi(int index) {
  const HDC dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(dc, index);
  ReleaseDC(nullptr, dc);
  return dpi;
}

int pixels(double twips, int dpi) { return static_cast<int>(std::lround(twips * dpi / 1440.0)); }

std::wstring textOf(HWND window) {
  wchar_t buffer[256] = {};
  GetWindowTextW(window, buffer, 256);
  return buffer;
}

std::wstring wide(std::u16string_view text) { return {text.begin(), text.end()}; }

class SettingsWindowDesign : public ::testing::TestWithParam<SettingsDialog> {
 protected:
  void SetUp() override { ASSERT_TRUE(window.load()); }
  const FormDesign& design = forms::designOf(GetParam());
  SettingsWindow window{design};
  const int dpiX = screenDpi(LOGPIXELSX);
  const int dpiY = screenDpi(LOGPIXELSY);
};

TEST_P(SettingsWindowDesign, BuildsTheFormHiddenFromItsDesignAtTheScreensDpi) {
  const HWND form = window.window();
  EXPECT_FALSE(IsWindowVisible(form));
  EXPECT_EQ(textOf(form), wide(design.designCaption));
  EXPECT_NE(GetWindowLongW(form, GWL_STYLE) & WS_SYSMENU, 0) << "a close box";
  RECT client{};
  GetClientRect(form, &client);
  EXPECT_EQ(client.right, pixels(design.clientWidth, dpiX));
  EXPECT_EQ(client.bottom, pixels(design.clientHeight, dpiY));

  for (const auto& control : design.controls) {
    SCOPED_TRACE(std::string(control.name));
    const HWND child = window.control(control.name);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetDlgItem(form, settingsControlId(design, control.name)), child);
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, pixels(control.left, dpiX));
    EXPECT_EQ(rect.top, pixels(control.top, dpiY));
    EXPECT_EQ(rect.right - rect.left, pixels(control.width, dpiX));
    EXPECT_EQ(rect.bottom - rect.top, pixels(control.height, dpiY));
    EXPECT_EQ(textOf(child), wide(control.caption));
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    EXPECT_EQ((style & WS_VISIBLE) != 0, control.visible);
    EXPECT_EQ((style & WS_TABSTOP) != 0, control.kind != ControlKind::Label);
    EXPECT_NE(SendMessageW(child, WM_GETFONT, 0, 0), 0);
    wchar_t className[32] = {};
    GetClassNameW(child, className, 32);
    switch (control.kind) {
      case ControlKind::Label:
        EXPECT_STREQ(className, L"Static");
        break;
      case ControlKind::TextBox:
        EXPECT_STREQ(className, L"Edit");
        EXPECT_EQ(style & (ES_MULTILINE | ES_READONLY | ES_PASSWORD), 0);
        EXPECT_GE(static_cast<unsigned long>(SendMessageW(child, EM_GETLIMITTEXT, 0, 0)), 0x7FFFFFFEul);
        break;
      case ControlKind::Button:
        EXPECT_STREQ(className, L"Button");
        EXPECT_EQ(style & BS_TYPEMASK, BS_PUSHBUTTON) << "never the default button";
        break;
    }
  }
}

// The dialog manager tabs through the z-order; hidden boxes are passed over.
TEST_P(SettingsWindowDesign, TabsInTheOrderOfTheTabIndexes) {
  if (GetParam() == SettingsDialog::PrintParameters)
    for (const auto* box : {"lblInput", "txtLine1", "txtLine2", "txtLine3", "txtLine4", "txtLine5"})
      window.setVisible(box, true);
  std::vector<std::string_view> expected;
  for (const auto* control : forms::tabOrder(design))
    if (window.visible(control->name)) expected.push_back(control->name);

  std::vector<std::string_view> visited;
  HWND at = window.control(design.initialFocus);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const int index = GetDlgCtrlID(at) - kFirstSettingsControlId;
    ASSERT_GE(index, 0);
    visited.push_back(design.controls[static_cast<std::size_t>(index)].name);
    at = GetNextDlgTabItem(window.window(), at, FALSE);
  }
  EXPECT_EQ(visited, expected);
  EXPECT_EQ(at, window.control(design.initialFocus)) << "Tab comes round to the start";
}

TEST_P(SettingsWindowDesign, TextsAndVisibilityByControlName) {
  const auto box = forms::fieldsOf(GetParam()).front().box;
  const std::u16string longText(40000, u'x');  // beyond an edit control's default limit
  window.setText(box, longText);
  EXPECT_EQ(window.text(box), longText);
  window.setText(box, u"");
  EXPECT_EQ(window.text(box), u"");

  window.setVisible(box, false);
  EXPECT_FALSE(window.visible(box));
  window.setVisible(box, true);
  EXPECT_TRUE(window.visible(box));

  window.setCaption(u"Vantory ActiveX v.1.3.5");
  EXPECT_EQ(window.caption(), u"Vantory ActiveX v.1.3.5");
  EXPECT_THROW(window.text("txtNoSuchBox"), std::out_of_range);
}

TEST_P(SettingsWindowDesign, UnloadingDestroysTheWindowAndItsClass) {
  const HWND form = window.window();
  window.unload();
  EXPECT_FALSE(IsWindow(form));
  WNDCLASSEXW info{};
  info.cbSize = sizeof info;
  EXPECT_FALSE(GetClassInfoExW(static_cast<HINSTANCE>(ComModule::instance().handle()),
                               settingsWindowClass(design).c_str(), &info));
  try {
    window.text(forms::fieldsOf(GetParam()).front().box);
    ADD_FAILURE() << "no error once unloaded";
  } catch (const automation::AutomationError& error) {
    EXPECT_EQ(error.number(), 364);
  }
  window.unload();  // again: nothing happens
}

INSTANTIATE_TEST_SUITE_P(BothForms, SettingsWindowDesign,
                         ::testing::Values(SettingsDialog::PrintParameters, SettingsDialog::PatientData),
                         [](const auto& info) {
                           return std::string(forms::designOf(info.param).name);
                         });

// One display through the portable behaviour, with `user` posting its input before the
// modal loop starts; the loop then plays it back as the user's.
struct Display {
  bool shown = false;
  std::vector<POINT> moves;  // every position the form took, in pixels
  RECT frame{};              // its outer rectangle when it was shown
};

HWND recordedWindow = nullptr;
std::vector<POINT>* recordedMoves = nullptr;

LRESULT CALLBACK recordMoves(int code, WPARAM wParam, LPARAM lParam) {
  const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && recordedMoves && call->hwnd == recordedWindow && call->message == WM_WINDOWPOSCHANGED) {
    const auto* position = reinterpret_cast<const WINDOWPOS*>(call->lParam);
    if (!(position->flags & SWP_NOMOVE)) recordedMoves->push_back({position->x, position->y});
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Ends a display that the user's input did not close, so that the test fails instead of hanging.
SettingsWindow* displayed = nullptr;
void CALLBACK giveUp(HWND, UINT, UINT_PTR, DWORD) {
  if (displayed == nullptr || displayed->window() == nullptr) return;
  ADD_FAILURE() << "the dialog was still open after 30 s";
  displayed->unload();
}

Display display(SettingsDialog dialog, control::LabelRequest& request, const std::function<void(SettingsWindow&)>& user) {
  Display result;
  SettingsWindow window(forms::designOf(dialog));
  if (!window.load()) return result;
  recordedWindow = window.window();
  recordedMoves = &result.moves;
  const HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROCRET, &recordMoves, nullptr, GetCurrentThreadId());
  displayed = &window;
  const UINT_PTR guard = SetTimer(nullptr, 0, 30000, &giveUp);
  const control::Diagnostics diagnostics;
  control::PrintCall call{request, diagnostics};
  result.shown = forms::ShowSettingsDialog(dialog, window, call, [&](forms::SettingsForm& form) {
    GetWindowRect(window.window(), &result.frame);
    user(window);
    window.runModal(form);
  });
  KillTimer(nullptr, guard);
  displayed = nullptr;
  UnhookWindowsHookEx(hook);
  recordedMoves = nullptr;
  recordedWindow = nullptr;
  EXPECT_EQ(window.window(), nullptr) << "the display ends with its window gone";
  return result;
}

void post(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  ASSERT_TRUE(PostMessageW(window, message, wParam, lParam));
}
void click(SettingsWindow& window, std::string_view button) { post(window.control(button), BM_CLICK); }
void key(SettingsWindow& window, WPARAM virtualKey) { post(window.window(), WM_KEYDOWN, virtualKey, 1); }
void accessKey(SettingsWindow& window, wchar_t letter) { post(window.window(), WM_SYSCHAR, letter, 1 | (1 << 29)); }
void closeBox(SettingsWindow& window) { post(window.window(), WM_SYSCOMMAND, SC_CLOSE); }

// A request field as "&Ok" and "Restore &Defaults" leave it: always a string.
std::u16string stored(const Value& value) { return value.isString() ? value.asString() : u"(not a string)"; }

control::LabelRequest hospitalRequest() {
  control::LabelRequest request;
  request.ClientType = Value::string(u"HOSPITAL");
  request.ClientNumber = Value::string(u"C-1");
  request.PrinterName = Value::string(u"LabelWriter");
  request.LabelCopies = Value::i2(2);
  request.PatientName = Value::string(u"Doe, Jane");
  return request;
}

TEST(SettingsWindowDisplay, OkSavesWhatWasTypedAndTheCloseBoxDoesNot) {
  auto request = hospitalRequest();
  auto shown = display(SettingsDialog::PatientData, request, [](SettingsWindow& window) {
    window.setText("txtPatientName", u"Roe, Richard");
    closeBox(window);
  });
  EXPECT_TRUE(shown.shown);
  EXPECT_EQ(stored(request.PatientName), u"Doe, Jane");

  shown = display(SettingsDialog::PatientData, request, [](SettingsWindow& window) {
    EXPECT_EQ(window.text("txtPatientName"), u"Doe, Jane");
    window.setText("txtPatientName", u"Roe, Richard");
    click(window, "cmdSave");
  });
  EXPECT_TRUE(shown.shown);
  EXPECT_EQ(stored(request.PatientName), u"Roe, Richard");
}

TEST(SettingsWindowDisplay, RestoreDefaultsByItsAccessKeyStaysOpenAndTheCloseBoxKeepsTheDefaults) {
  auto request = hospitalRequest();
  request.ClientType = Value::string(u"GENERIC");
  const auto shown = display(SettingsDialog::PrintParameters, request, [](SettingsWindow& window) {
    accessKey(window, L'd');
    closeBox(window);
  });
  EXPECT_TRUE(shown.shown);
  EXPECT_EQ(stored(request.ClientType), u"HOSPITAL");
  EXPECT_EQ(stored(request.ClientNumber), u"EQ39064");
  EXPECT_EQ(stored(request.PrinterName), u"DYMO LabelWriter EL60");
  EXPECT_EQ(stored(request.LabelCopies), u"1");
}

TEST(SettingsWindowDisplay, EscapeNeitherClosesNorCancels) {
  auto request = hospitalRequest();
  display(SettingsDialog::PrintParameters, request, [](SettingsWindow& window) {
    window.setText("txtPrinterName", u"Typed");
    key(window, VK_TAB);  // Restore Defaults
    key(window, VK_TAB);  // the printer name
    key(window, VK_ESCAPE);
    accessKey(window, L'o');  // only reached when Escape left the dialog open
  });
  EXPECT_EQ(stored(request.PrinterName), u"Typed");
}

TEST(SettingsWindowDisplay, EnterInABoxDoesNothingAndOnAButtonPressesIt) {
  auto request = hospitalRequest();
  display(SettingsDialog::PrintParameters, request, [](SettingsWindow& window) {
    window.setText("txtPrinterName", u"Typed");
    key(window, VK_TAB);
    key(window, VK_TAB);
    key(window, VK_RETURN);  // in the printer name box: no default button to press
    closeBox(window);
  });
  EXPECT_EQ(stored(request.PrinterName), u"LabelWriter");

  display(SettingsDialog::PrintParameters, request, [](SettingsWindow& window) {
    window.setText("txtPrinterName", u"Typed");
    key(window, VK_RETURN);  // on "&Ok", which has the focus at the start
  });
  EXPECT_EQ(stored(request.PrinterName), u"Typed");
}

// The slide that ends each display, however it was closed: re-centred vertically, then
// jumps of 1000 twips from 1000 until the left edge has passed the screen's width plus
// the window's.
void expectSlideOut(const Display& shown) {
  const int dpiX = screenDpi(LOGPIXELSX), dpiY = screenDpi(LOGPIXELSY);
  const int width = shown.frame.right - shown.frame.left, height = shown.frame.bottom - shown.frame.top;
  const double limit = (GetSystemMetrics(SM_CXSCREEN) + width) * 1440.0 / dpiX;
  std::vector<int> expected;
  for (int x = 1000; x - 1000 <= limit; x += 1000) expected.push_back(pixels(x, dpiX));
  const int top = pixels((GetSystemMetrics(SM_CYSCREEN) - height) * 1440.0 / dpiY / 2, dpiY);

  ASSERT_GE(shown.moves.size(), expected.size());
  const auto slide = shown.moves.end() - static_cast<std::ptrdiff_t>(expected.size());
  std::vector<int> lefts;
  for (auto at = slide; at != shown.moves.end(); ++at) {
    lefts.push_back(at->x);
    EXPECT_EQ(at->y, top);
  }
  EXPECT_EQ(lefts, expected);
  EXPECT_EQ(slide[-1].x, shown.frame.left) << "the slide starts where the form stood";
  EXPECT_GT(lefts.back(), GetSystemMetrics(SM_CXSCREEN));
}

TEST(SettingsWindowDisplay, ShownCentredThenSlidesOutOnOkAndOnTheCloseBox) {
  auto request = hospitalRequest();
  const auto ok = display(SettingsDialog::PatientData, request, [](SettingsWindow& window) { click(window, "cmdSave"); });
  EXPECT_NEAR(ok.frame.left, (GetSystemMetrics(SM_CXSCREEN) - (ok.frame.right - ok.frame.left)) / 2, 1);
  EXPECT_NEAR(ok.frame.top, (GetSystemMetrics(SM_CYSCREEN) - (ok.frame.bottom - ok.frame.top)) / 2, 1);
  expectSlideOut(ok);

  const auto closed = display(SettingsDialog::PrintParameters, request, closeBox);
  expectSlideOut(closed);
}

// A test window that notes whether it was enabled when it got WM_APP.
bool enabledDuringDisplay = true;
LRESULT CALLBACK noteEnabled(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP) enabledDuringDisplay = IsWindowEnabled(window) != FALSE;
  return DefWindowProcW(window, message, wParam, lParam);
}

TEST(SettingsWindowDisplay, DisablesTheThreadsOtherWindowsWhileShown) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = &noteEnabled;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"SettingsWindowTestHost";
  RegisterClassW(&windowClass);
  const HWND host = CreateWindowExW(0, L"SettingsWindowTestHost", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                    200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(host, nullptr);
  auto request = hospitalRequest();
  display(SettingsDialog::PrintParameters, request, [host](SettingsWindow& window) {
    post(host, WM_APP);
    closeBox(window);
  });
  EXPECT_FALSE(enabledDuringDisplay);
  EXPECT_TRUE(IsWindowEnabled(host));
  DestroyWindow(host);
  UnregisterClassW(L"SettingsWindowTestHost", GetModuleHandleW(nullptr));
}

}  // namespace
}  // namespace windows
