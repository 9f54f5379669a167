#include "platform/windows/print_form.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "forms/placement.h"
#include "platform/windows/message_box_sink.h"
#include "platform/windows/request_windows.h"
#include "platform/windows/resource.h"

#include <ocidl.h>

namespace windows {
namespace {

using automation::Value;

int screenDpi(int index) {
  const HDC dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(dc, index);
  ReleaseDC(nullptr, dc);
  return dpi;
}

int pixels(int twips, int dpi) { return static_cast<int>(std::lround(twips * dpi / 1440.0)); }

RECT childRect(HWND parent, int id) {
  RECT rect{};
  const HWND child = GetDlgItem(parent, id);
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

std::wstring text(HWND window) {
  wchar_t buffer[256] = {};
  GetWindowTextW(window, buffer, 256);
  return buffer;
}

LOGFONTW fontOf(HWND window) {
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font;
}

// Pumps messages until `done` holds. A 30 s guard ends a test that would otherwise hang.
void pumpUntil(const std::function<bool()>& done) {
  const UINT_PTR guard = SetTimer(nullptr, 0, 30000, nullptr);
  MSG message;
  while (!done() && GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_TIMER && message.hwnd == nullptr && message.wParam == guard) {
      ADD_FAILURE() << "gave up waiting";
      break;
    }
    DispatchMessageW(&message);
  }
  KillTimer(nullptr, guard);
}

class PrintFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form = makeCom<PrintForm>();
    ASSERT_TRUE(form->load());
  }
  ComPtr<PrintForm> form;
  const int dpiX = screenDpi(LOGPIXELSX);
  const int dpiY = screenDpi(LOGPIXELSY);
};

TEST_F(PrintFormTest, LoadsHiddenWithTheDesignsCaptionAndClientArea) {
  const HWND window = form->window();
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(text(window), L"Vantory ActiveX");
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, pixels(3165, dpiX));
  EXPECT_EQ(client.bottom, pixels(825, dpiY));
  EXPECT_NE(GetClassLongPtrW(window, GCLP_HICON), 0);
}

TEST_F(PrintFormTest, PlacesTheControlsOfTheDesignAtTheScreensDpi) {
  struct Control {
    int id;
    TwipsRect design;
    const wchar_t* caption;
  };
  const Control controls[] = {{kPicture1Id, {720, 120, 1500, 450}, L""},
                              {kLblBarCodeId, {240, 600, 2415, 255}, L"999384334"},
                              {kCmdExitId, {2400, 600, 735, 255}, L"Close"}};
  for (const auto& c : controls) {
    SCOPED_TRACE(c.id);
    const RECT rect = childRect(form->window(), c.id);
    EXPECT_EQ(rect.left, pixels(c.design.left, dpiX));
    EXPECT_EQ(rect.top, pixels(c.design.top, dpiY));
    EXPECT_EQ(rect.right - rect.left, pixels(c.design.width, dpiX));
    EXPECT_EQ(rect.bottom - rect.top, pixels(c.design.height, dpiY));
    EXPECT_EQ(text(GetDlgItem(form->window(), c.id)), c.caption);
  }
  const auto centred = [&](int id) { return (GetWindowLongW(GetDlgItem(form->window(), id), GWL_STYLE) & SS_TYPEMASK) == SS_CENTER; };
  EXPECT_TRUE(centred(kLblBarCodeId));
  EXPECT_TRUE(centred(kCmdExitId));
}

TEST_F(PrintFormTest, UsesTheDesignsFontsAndTheBlueUnderlinedLink) {
  const LOGFONTW barCode = fontOf(GetDlgItem(form->window(), kLblBarCodeId));
  EXPECT_STREQ(barCode.lfFaceName, L"Arial");
  EXPECT_EQ(barCode.lfHeight, -MulDiv(825, dpiY, 7200));  // 8.25 pt
  EXPECT_FALSE(barCode.lfUnderline);
  const LOGFONTW link = fontOf(GetDlgItem(form->window(), kCmdExitId));
  EXPECT_STREQ(link.lfFaceName, L"MS Sans Serif");
  EXPECT_EQ(link.lfHeight, -MulDiv(825, dpiY, 7200));
  EXPECT_TRUE(link.lfUnderline);

  const HDC dc = CreateCompatibleDC(nullptr);
  SendMessageW(form->window(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
               reinterpret_cast<LPARAM>(GetDlgItem(form->window(), kCmdExitId)));
  EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 255));
  SendMessageW(form->window(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
               reinterpret_cast<LPARAM>(GetDlgItem(form->window(), kLblBarCodeId)));
  EXPECT_EQ(GetTextColor(dc), GetSysColor(COLOR_BTNTEXT));
  DeleteDC(dc);
}

TEST(PrintFormResourcesTest, ThePictureIsA100By30TrueColourBitmap) {
  const auto bitmap = static_cast<HBITMAP>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_PICTURE1), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  ASSERT_NE(bitmap, nullptr);
  BITMAP info{};
  GetObjectW(bitmap, sizeof info, &info);
  EXPECT_EQ(info.bmWidth, 100);
  EXPECT_EQ(info.bmHeight, 30);
  EXPECT_EQ(info.bmBitsPixel, 24);
  DeleteObject(bitmap);
}

TEST_F(PrintFormTest, GeometryIsInTwipsAndCenterFormCentresOnTheScreen) {
  RECT outer{};
  GetWindowRect(form->window(), &outer);
  EXPECT_DOUBLE_EQ(form->width(), (outer.right - outer.left) * 1440.0 / dpiX);
  EXPECT_DOUBLE_EQ(form->screenWidth(), GetSystemMetrics(SM_CXSCREEN) * 1440.0 / dpiX);
  EXPECT_DOUBLE_EQ(form->screenHeight(), GetSystemMetrics(SM_CYSCREEN) * 1440.0 / dpiY);

  forms::CenterForm(*form.get());
  GetWindowRect(form->window(), &outer);
  const int expectedLeft = (GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2;
  const int expectedTop = (GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top)) / 2;
  EXPECT_LE(std::abs(outer.left - expectedLeft), 1);
  EXPECT_LE(std::abs(outer.top - expectedTop), 1);

  form->move(1500, 750, form->width(), form->height());
  GetWindowRect(form->window(), &outer);
  EXPECT_EQ(outer.left, pixels(1500, dpiX));
  EXPECT_EQ(outer.top, pixels(750, dpiY));
}

TEST_F(PrintFormTest, UnloadingDestroysTheWindowOnceAndGeometryThenFails) {
  const HWND window = form->window();
  form->unload();
  EXPECT_FALSE(form->loaded());
  EXPECT_FALSE(IsWindow(window));
  form->unload();  // harmless
  EXPECT_THROW(form->left(), automation::AutomationError);
  EXPECT_THROW(form->setBarCodeCaption(u"x"), automation::AutomationError);
  // A reload starts again from the design values.
  ASSERT_TRUE(form->load());
  EXPECT_EQ(text(GetDlgItem(form->window(), kLblBarCodeId)), L"999384334");
  EXPECT_EQ(form->timerInterval(), 0);
}

TEST_F(PrintFormTest, TheTimerTicksOnlyWithAnIntervalAndWhileEnabled) {
  int ticks = 0;
  form->onTimer = [&] {
    ++ticks;
    form->setTimerEnabled(false);
  };
  EXPECT_TRUE(form->timerEnabled());  // the design's timer is enabled with no interval
  form->setTimerInterval(10);
  pumpUntil([&] { return ticks > 0; });
  EXPECT_EQ(ticks, 1);
}

// ---- The print window as the entry points show it

class ThrowingEngines final : public automation::ObjectFactory {
 public:
  std::shared_ptr<automation::Object> create(std::u16string_view) override {
    ++created;
    throw automation::AutomationError::cannotCreateObject();
  }
  int created = 0;
};

// Records whether a window of the print window's class was ever shown.
class ShowWatch {
 public:
  ShowWatch() { hook_ = SetWindowsHookExW(WH_CALLWNDPROC, &ShowWatch::observe, nullptr, GetCurrentThreadId()); }
  ShowWatch(const ShowWatch&) = delete;
  ShowWatch& operator=(const ShowWatch&) = delete;
  ~ShowWatch() { UnhookWindowsHookEx(hook_); }
  static inline int shown = 0;

 private:
  static LRESULT CALLBACK observe(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && message->message == WM_SHOWWINDOW && message->wParam) {
      wchar_t name[64] = {};
      GetClassNameW(message->hwnd, name, 64);
      if (std::wstring_view(name) == kPrintFormClassName) ++shown;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  HHOOK hook_;
};

void click(HWND control) {
  PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

class PrintWindowTest : public ::testing::Test {
 protected:
  control::PrintCall call() { return {request, diagnostics}; }
  ThrowingEngines engines;
  Win32RequestWindows windows{engines};
  control::LabelRequest request;
  control::Diagnostics diagnostics;
  ShowWatch watch;
  void SetUp() override {
    ShowWatch::shown = 0;
    request.PrintSucceeded = true;
    request.BarCode = Value::string(u"BC-12345");
  }
};

TEST_F(PrintWindowTest, AnUnrecognisedClientTypeUnloadsDuringLoadAndNeverShows) {
  for (const char16_t* clientType : {u"Hospital", u"hospital", u"PHYSICIAN ", u""}) {
    request.ClientType = Value::string(clientType);
    request.PrintSucceeded = true;
    auto printCall = call();
    EXPECT_TRUE(windows.showPrintWindow(printCall));
    EXPECT_FALSE(request.PrintSucceeded);
    EXPECT_FALSE(windows.printForm().loaded());
  }
  EXPECT_EQ(ShowWatch::shown, 0);
  EXPECT_EQ(engines.created, 0);
}

TEST_F(PrintWindowTest, APrintShowsTheBarCodeCentredUntilCloseIsClicked) {
  request.ClientType = Value::string(u"HOSPITAL");
  std::wstring caption;
  bool timerRunning = false;
  windows.onPrintWindowShown = [&](PrintForm& form) {
    caption = text(GetDlgItem(form.window(), kLblBarCodeId));
    timerRunning = form.timerEnabled() && form.timerInterval() == 2000;
    click(GetDlgItem(form.window(), kCmdExitId));
  };
  auto printCall = call();
  EXPECT_TRUE(windows.showPrintWindow(printCall));
  EXPECT_EQ(ShowWatch::shown, 1);
  EXPECT_EQ(caption, L"BC-12345");
  EXPECT_TRUE(timerRunning);
  EXPECT_EQ(engines.created, 1);
  EXPECT_FALSE(request.PrintSucceeded) << "no engine: the layout reported the failure";
  EXPECT_FALSE(windows.printForm().loaded());
}

TEST_F(PrintWindowTest, TheTimerClosesTheWindowByItself) {
  request.ClientType = Value::string(u"GENERIC");
  auto printCall = call();
  EXPECT_TRUE(windows.showPrintWindow(printCall));  // returns once the 2000 ms timer fired
  EXPECT_EQ(ShowWatch::shown, 1);
  EXPECT_FALSE(windows.printForm().loaded());
}

// Runs `later` once from inside the modal loop, as a host's re-entrant call would arrive.
std::function<void()> later;
void CALLBACK runLater(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  if (later) later();
}
void scheduleInsideTheLoop(std::function<void()> action) {
  later = std::move(action);
  SetTimer(nullptr, 0, 1, &runLater);
}

struct CloseCase {
  const char* name;
  std::function<void(Win32RequestWindows&, PrintForm&)> close;
};

TEST_F(PrintWindowTest, EveryWayOfClosingEndsTheModalWait) {
  const CloseCase cases[] = {
      {"CloseConnection from the host", [](Win32RequestWindows& w, PrintForm&) { w.closePrintWindow(); }},
      {"the caption's close box", [](Win32RequestWindows&, PrintForm& f) { PostMessageW(f.window(), WM_CLOSE, 0, 0); }},
      {"a click on Close", [](Win32RequestWindows&, PrintForm& f) { click(GetDlgItem(f.window(), kCmdExitId)); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    request.ClientType = Value::string(u"PHYSICIAN");
    windows.onPrintWindowShown = [&](PrintForm& form) { scheduleInsideTheLoop([&] { c.close(windows, form); }); };
    auto printCall = call();
    EXPECT_TRUE(windows.showPrintWindow(printCall));
    EXPECT_FALSE(windows.printForm().loaded());
  }
  later = nullptr;
}

TEST_F(PrintWindowTest, ShowingItAgainFromInsideItsOwnModalLoopFails) {
  request.ClientType = Value::string(u"HOSPITAL");
  bool nested = true;
  windows.onPrintWindowShown = [&](PrintForm& form) {
    windows.onPrintWindowShown = nullptr;
    scheduleInsideTheLoop([&] {
      auto inner = call();
      nested = windows.showPrintWindow(inner);
      click(GetDlgItem(form.window(), kCmdExitId));
    });
  };
  auto printCall = call();
  EXPECT_TRUE(windows.showPrintWindow(printCall));
  EXPECT_FALSE(nested);
  later = nullptr;
}

TEST_F(PrintWindowTest, TheModalDisplayDisablesTheThreadsOtherWindowsAndGivesThemBack) {
  const HWND other = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                                     nullptr, nullptr, nullptr);
  ASSERT_NE(other, nullptr);
  request.ClientType = Value::string(u"HOSPITAL");
  bool disabledDuring = false;
  windows.onPrintWindowShown = [&](PrintForm& form) {
    scheduleInsideTheLoop([&] {
      disabledDuring = !IsWindowEnabled(other);
      PostMessageW(form.window(), WM_CLOSE, 0, 0);
    });
  };
  auto printCall = call();
  EXPECT_TRUE(windows.showPrintWindow(printCall));
  EXPECT_TRUE(disabledDuring);
  EXPECT_TRUE(IsWindowEnabled(other));
  DestroyWindow(other);
  later = nullptr;
}

// ---- IObjectSafety on the print window object

struct SafetyCase {
  const char* name;
  const IID* riid;
  HRESULT get;
  bool enabledWritten;
  HRESULT set;  // with mask and options 3
};

TEST(PrintWindowObjectSafetyTest, AnswersAsTheHostingRulesSay) {
  ThrowingEngines engines;
  Win32RequestWindows windows(engines);
  const auto unknown = windows.printFormObject().as(kIID_IObjectSafety);
  ASSERT_TRUE(unknown) << "the print window object answers IObjectSafety";
  auto* safety = static_cast<ObjectSafetyInterface*>(static_cast<IUnknown*>(unknown.get()));

  const IID persistStream = IID_IPersistStream;
  const SafetyCase cases[] = {
      {"null riid", nullptr, S_OK, false, S_OK},
      {"IDispatch", &IID_IDispatch, S_OK, true, E_FAIL},
      {"IPersistStorage", &IID_IPersistStorage, S_OK, true, E_FAIL},
      {"IPersistStream", &persistStream, S_OK, true, E_FAIL},
      {"IPersistPropertyBag", &IID_IPersistPropertyBag, S_OK, true, E_FAIL},
      {"IUnknown", &IID_IUnknown, E_NOINTERFACE, false, E_NOINTERFACE},
      {"IPersistStreamInit", &IID_IPersistStreamInit, E_NOINTERFACE, false, E_NOINTERFACE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DWORD supported = 0xDEAD;
    DWORD enabled = 0xBEEF;
    EXPECT_EQ(safety->GetInterfaceSafetyOptions(c.riid, &supported, &enabled), c.get);
    EXPECT_EQ(supported, 3u);
    EXPECT_EQ(enabled, c.enabledWritten ? 0u : 0xBEEFu);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(c.riid, 3, 3), c.set);
  }
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(&IID_IDispatch, 1, 1), E_FAIL) << "the flag is never set";
  DWORD enabled = 0;
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(&IID_IDispatch, nullptr, &enabled), E_POINTER);
  DWORD supported = 0;
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(&IID_IDispatch, &supported, nullptr), E_POINTER);
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(nullptr, &supported, nullptr), S_OK) << "null riid writes no options";
}

TEST(MessageBoxSinkTest, UsesTheIconOfEachMessageAndASingleOkButton) {
  EXPECT_EQ(messageBoxStyle(control::MessageIcon::Critical) & MB_ICONMASK, static_cast<unsigned>(MB_ICONSTOP));
  EXPECT_EQ(messageBoxStyle(control::MessageIcon::Information) & MB_ICONMASK, static_cast<unsigned>(MB_ICONINFORMATION));
  EXPECT_EQ(messageBoxStyle(control::MessageIcon::None) & MB_ICONMASK, 0u);
  EXPECT_EQ(messageBoxStyle(control::MessageIcon::Critical) & MB_TYPEMASK, static_cast<unsigned>(MB_OK));
}

}  // namespace
}  // namespace windows
