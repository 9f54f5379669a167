#include "platform/windows/win32_form.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/windows/com_module.h"

namespace windows {

namespace {

RECT windowRect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

// A modal display disables the thread's other top-level windows, as a modal form does,
// and gives them back when it ends.
class ThreadWindowsDisabled {
 public:
  explicit ThreadWindowsDisabled(HWND modal) : modal_(modal) {
    EnumThreadWindows(GetCurrentThreadId(), &ThreadWindowsDisabled::disable, reinterpret_cast<LPARAM>(this));
  }
  ThreadWindowsDisabled(const ThreadWindowsDisabled&) = delete;
  ThreadWindowsDisabled& operator=(const ThreadWindowsDisabled&) = delete;
  ~ThreadWindowsDisabled() {
    for (HWND window : disabled_)
      if (IsWindow(window)) EnableWindow(window, TRUE);
  }

 private:
  static BOOL CALLBACK disable(HWND window, LPARAM self) {
    auto* me = reinterpret_cast<ThreadWindowsDisabled*>(self);
    try {
      if (window != me->modal_ && IsWindowVisible(window) && IsWindowEnabled(window)) {
        me->disabled_.push_back(window);
        EnableWindow(window, FALSE);
      }
    } catch (...) {  // out of memory: leave the rest enabled
      return FALSE;
    }
    return TRUE;
  }
  HWND modal_;
  std::vector<HWND> disabled_;
};

}  // namespace

automation::AutomationError objectUnloaded() { return {364, u"Object was unloaded"}; }

int Win32Form::toPixelsX(double twips) const noexcept { return static_cast<int>(std::lround(twips * dpiX_ / 1440.0)); }
int Win32Form::toPixelsY(double twips) const noexcept { return static_cast<int>(std::lround(twips * dpiY_ / 1440.0)); }

HWND Win32Form::requireWindow() const {
  if (window() == nullptr) throw objectUnloaded();
  return window();
}

double Win32Form::left() const { return toTwipsX(windowRect(requireWindow()).left); }
double Win32Form::top() const { return toTwipsY(windowRect(requireWindow()).top); }
double Win32Form::width() const {
  const RECT r = windowRect(requireWindow());
  return toTwipsX(r.right - r.left);
}
double Win32Form::height() const {
  const RECT r = windowRect(requireWindow());
  return toTwipsY(r.bottom - r.top);
}

void Win32Form::move(double left, double top, double width, double height) {
  SetWindowPos(requireWindow(), nullptr, toPixelsX(left), toPixelsY(top), toPixelsX(width), toPixelsY(height),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

double Win32Form::screenWidth() const { return toTwipsX(GetSystemMetrics(SM_CXSCREEN)); }
double Win32Form::screenHeight() const { return toTwipsY(GetSystemMetrics(SM_CYSCREEN)); }

void Win32Form::bringToFront() { SetWindowPos(requireWindow(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

void Win32Form::processPendingMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));  // for the loop that owns it
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

bool Win32Form::createWindow(const wchar_t* className, const std::wstring& caption, DWORD style, DWORD exStyle,
                             int clientWidthTwips, int clientHeightTwips) {
  {
    const ScreenDc screen(GetDC(nullptr));
    if (screen) {
      dpiX_ = GetDeviceCaps(screen.get(), LOGPIXELSX);
      dpiY_ = GetDeviceCaps(screen.get(), LOGPIXELSY);
    }
    if (dpiX_ <= 0) dpiX_ = 96;
    if (dpiY_ <= 0) dpiY_ = 96;
  }
  RECT frame{0, 0, toPixelsX(clientWidthTwips), toPixelsY(clientHeightTwips)};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  return create(exStyle, className, caption.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                frame.bottom - frame.top, nullptr);
}

HWND Win32Form::createChild(const wchar_t* className, const wchar_t* text, DWORD style, DWORD exStyle,
                            const TwipsRect& at, int id, HFONT font) const {
  const HWND child = CreateWindowExW(exStyle, className, text, style, toPixelsX(at.left), toPixelsY(at.top),
                                     toPixelsX(at.width), toPixelsY(at.height), window(),
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), thisModule(), nullptr);
  if (child != nullptr && font != nullptr) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return child;
}

GdiObject<HFONT> Win32Form::designFont(const wchar_t* face, bool underline) const {
  LOGFONTW font{};
  font.lfHeight = -MulDiv(825, dpiY_, 7200);
  font.lfWeight = FW_NORMAL;
  font.lfUnderline = underline ? TRUE : FALSE;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = DEFAULT_QUALITY;
  const std::wstring_view name(face);
  name.copy(font.lfFaceName, std::min<std::size_t>(name.size(), LF_FACESIZE - 1));
  return GdiObject<HFONT>(CreateFontIndirectW(&font));
}

void Win32Form::runModalLoop() {
  if (window() == nullptr) return;
  const ThreadWindowsDisabled others(window());
  ShowWindow(window(), SW_SHOWNORMAL);
  UpdateWindow(window());
  onShown();
  MSG message;
  while (window() != nullptr && !modalDone()) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == -1) break;
    if (got == 0) {  // the thread is quitting: close and let the outer loop see it too
      unload();
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (preTranslate(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace windows
