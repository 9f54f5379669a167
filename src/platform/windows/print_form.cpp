#include "platform/windows/print_form.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "automation/value.h"
#include "hosting/object_safety.h"
#include "platform/windows/bstr.h"
#include "platform/windows/resource.h"
#include "platform/windows/com_module.h"
#include "platform/windows/modal_display.h"

namespace windows {

namespace {

// Basic's "Object was unloaded": a window operation on a window that is not there.
automation::AutomationError objectUnloaded() { return {364, u"Object was unloaded"}; }

// 8.25 pt at the screen's DPI, as the design's fonts are given.
int fontHeight(int dpiY) { return -MulDiv(825, dpiY, 7200); }

GdiObject<HFONT> makeFont(const wchar_t* face, int dpiY, bool underline) {
  LOGFONTW font{};
  font.lfHeight = fontHeight(dpiY);
  font.lfWeight = FW_NORMAL;
  font.lfUnderline = underline ? TRUE : FALSE;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = DEFAULT_QUALITY;
  const std::wstring_view name(face);
  name.copy(font.lfFaceName, std::min<std::size_t>(name.size(), LF_FACESIZE - 1));
  return GdiObject<HFONT>(CreateFontIndirectW(&font));
}

bool registerClass(HINSTANCE module, WNDPROC procedure) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(module, kPrintFormClassName, &existing)) return true;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = module;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = kPrintFormClassName;
  windowClass.hIcon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(IDI_FORM), IMAGE_ICON,
                                                    GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_SHARED));
  windowClass.hIconSm = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(IDI_FORM), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                                      LR_SHARED));
  return RegisterClassExW(&windowClass) != 0;
}

}  // namespace

PrintForm::~PrintForm() { unload(); }

HRESULT PrintForm::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (iid != IID_IUnknown && iid != kIID_IObjectSafety) return E_NOINTERFACE;
  *object = static_cast<ObjectSafetyInterface*>(this);
  AddRef();
  return S_OK;
}

namespace {

// The identifier's text exactly as StringFromGUID2 gives it, up to its first NUL; none for a null riid.
std::optional<std::u16string> identifierText(const IID* riid) {
  if (riid == nullptr) return std::nullopt;
  GUID record;
  std::memcpy(&record, riid, sizeof record);
  wchar_t buffer[40] = {};
  StringFromGUID2(record, buffer, 40);
  return toU16(std::wstring_view(buffer));
}

std::optional<std::u16string_view> view(const std::optional<std::u16string>& text) {
  if (!text) return std::nullopt;
  return std::u16string_view(*text);
}

}  // namespace

HRESULT PrintForm::GetInterfaceSafetyOptions(const IID* riid, DWORD* pdwSupportedOptions, DWORD* pdwEnabledOptions) {
  if (pdwSupportedOptions == nullptr) return E_POINTER;
  try {
    const auto text = identifierText(riid);
    const auto answer = hosting::GetInterfaceSafetyOptions(view(text));
    *pdwSupportedOptions = answer.supported;
    if (answer.enabled) {
      if (pdwEnabledOptions == nullptr) return E_POINTER;
      *pdwEnabledOptions = *answer.enabled;
    }
    return answer.result;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT PrintForm::SetInterfaceSafetyOptions(const IID* riid, DWORD dwOptionsSetMask, DWORD dwEnabledOptions) {
  try {
    const auto text = identifierText(riid);
    return hosting::SetInterfaceSafetyOptions(view(text), dwOptionsSetMask, dwEnabledOptions);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

int PrintForm::toPixelsX(double twips) const noexcept { return static_cast<int>(std::lround(twips * dpiX_ / 1440.0)); }
int PrintForm::toPixelsY(double twips) const noexcept { return static_cast<int>(std::lround(twips * dpiY_ / 1440.0)); }

HWND PrintForm::requireWindow() const {
  if (window_ == nullptr) throw objectUnloaded();
  return window_;
}

namespace {
RECT windowRect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}
}  // namespace

double PrintForm::left() const { return toTwipsX(windowRect(requireWindow()).left); }
double PrintForm::top() const { return toTwipsY(windowRect(requireWindow()).top); }
double PrintForm::width() const {
  const RECT r = windowRect(requireWindow());
  return toTwipsX(r.right - r.left);
}
double PrintForm::height() const {
  const RECT r = windowRect(requireWindow());
  return toTwipsY(r.bottom - r.top);
}

void PrintForm::move(double left, double top, double width, double height) {
  SetWindowPos(requireWindow(), nullptr, toPixelsX(left), toPixelsY(top), toPixelsX(width), toPixelsY(height),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

double PrintForm::screenWidth() const { return toTwipsX(GetSystemMetrics(SM_CXSCREEN)); }
double PrintForm::screenHeight() const { return toTwipsY(GetSystemMetrics(SM_CYSCREEN)); }

void PrintForm::bringToFront() { SetWindowPos(requireWindow(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

void PrintForm::processPendingMessages() { pumpPendingMessages(); }

void PrintForm::unload() {
  if (window_ == nullptr) return;
  HWND window = std::exchange(window_, nullptr);
  KillTimer(window, kTimDelayId);
  DestroyWindow(window);
}

void PrintForm::setBarCodeCaption(const std::u16string& caption) {
  const std::wstring text = toWide(caption);
  SetWindowTextW(GetDlgItem(requireWindow(), kLblBarCodeId), text.c_str());
}

void PrintForm::setTimerInterval(int milliseconds) {
  interval_ = milliseconds;
  armTimer();
}

void PrintForm::setTimerEnabled(bool enabled) {
  enabled_ = enabled;
  armTimer();
}

void PrintForm::armTimer() {
  if (window_ == nullptr) return;
  if (enabled_ && interval_ > 0)
    SetTimer(window_, kTimDelayId, static_cast<UINT>(interval_), nullptr);  // restarts the count, as a new interval does
  else
    KillTimer(window_, kTimDelayId);
}

bool PrintForm::load() {
  if (window_) return true;
  const auto module = static_cast<HINSTANCE>(ComModule::instance().handle());
  if (!registerClass(module, &PrintForm::windowProcedure)) return false;

  {
    const ScreenDc screen(GetDC(nullptr));
    if (screen) {
      dpiX_ = GetDeviceCaps(screen.get(), LOGPIXELSX);
      dpiY_ = GetDeviceCaps(screen.get(), LOGPIXELSY);
    }
    if (dpiX_ <= 0) dpiX_ = 96;
    if (dpiY_ <= 0) dpiY_ = 96;
  }
  // A reload starts from the design values.
  interval_ = 0;
  enabled_ = true;

  constexpr DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  RECT frame{0, 0, toPixelsX(kClientWidthTwips), toPixelsY(kClientHeightTwips)};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  const HWND created = CreateWindowExW(0, kPrintFormClassName, kPrintFormCaption, style, CW_USEDEFAULT, CW_USEDEFAULT,
                                       frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, module, this);
  if (created == nullptr) return false;
  window_ = created;
  createControls();
  return true;
}

void PrintForm::createControls() {
  const auto module = static_cast<HINSTANCE>(ComModule::instance().handle());
  if (!barCodeFont_) barCodeFont_ = makeFont(L"Arial", dpiY_, false);
  if (!linkFont_) linkFont_ = makeFont(L"MS Sans Serif", dpiY_, true);
  if (!picture_)
    picture_.reset(static_cast<HBITMAP>(
        LoadImageW(module, MAKEINTRESOURCEW(IDB_PICTURE1), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));

  const auto child = [&](const wchar_t* text, DWORD style, const TwipsRect& at, int id, HFONT font) {
    const HWND control = CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE | style, toPixelsX(at.left),
                                         toPixelsY(at.top), toPixelsX(at.width), toPixelsY(at.height), window_,
                                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), module, nullptr);
    if (control && font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  };
  child(L"", SS_OWNERDRAW, kPicture1Rect, kPicture1Id, nullptr);
  child(L"999384334", SS_CENTER | SS_NOPREFIX, kLblBarCodeRect, kLblBarCodeId, barCodeFont_.get());
  child(L"Close", SS_CENTER | SS_NOTIFY | SS_NOPREFIX, kCmdExitRect, kCmdExitId, linkFont_.get());
}

void PrintForm::drawPicture(const DRAWITEMSTRUCT& item) const {
  if (!picture_) return;
  BITMAP info{};
  GetObjectW(picture_.get(), sizeof info, &info);
  const MemoryDc source(CreateCompatibleDC(item.hDC));
  if (!source) return;
  const Selection selected(source.get(), picture_.get());
  SetStretchBltMode(item.hDC, COLORONCOLOR);
  StretchBlt(item.hDC, item.rcItem.left, item.rcItem.top, item.rcItem.right - item.rcItem.left,
             item.rcItem.bottom - item.rcItem.top, source.get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
}

void PrintForm::runModal() {
  if (window_ == nullptr) return;
  const ThreadWindowsDisabled others(window_);
  ShowWindow(window_, SW_SHOWNORMAL);
  UpdateWindow(window_);
  MSG message;
  while (window_ != nullptr) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == -1) break;
    if (got == 0) {  // the thread is quitting: close and let the outer loop see it too
      unload();
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

LRESULT CALLBACK PrintForm::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    auto* form = static_cast<PrintForm*>(create->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    form->window_ = window;
  }
  auto* form = reinterpret_cast<PrintForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (form == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    if (form->window_ == window) form->window_ = nullptr;
    return DefWindowProcW(window, message, wParam, lParam);
  }
  try {
    return form->handle(window, message, wParam, lParam);
  } catch (...) {
    return DefWindowProcW(window, message, wParam, lParam);  // nothing may unwind through the window system
  }
}

LRESULT PrintForm::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CTLCOLORSTATIC: {
      const auto dc = reinterpret_cast<HDC>(wParam);
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      SetTextColor(dc, reinterpret_cast<HWND>(lParam) == GetDlgItem(window, kCmdExitId) ? kLinkColour
                                                                                        : GetSysColor(COLOR_BTNTEXT));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_DRAWITEM:
      if (wParam == kPicture1Id) {
        drawPicture(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
      }
      break;
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wParam) == GetDlgItem(window, kCmdExitId)) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    case WM_COMMAND:
      if (LOWORD(wParam) == kCmdExitId && HIWORD(wParam) == STN_CLICKED) {
        if (onCloseClicked) onCloseClicked();
        return 0;
      }
      break;
    case WM_TIMER:
      if (wParam == kTimDelayId) {
        if (onTimer) onTimer();
        return 0;
      }
      break;
    case WM_CLOSE:  // the caption's close box unloads, as the form has no unload handler of its own
      unload();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace windows
