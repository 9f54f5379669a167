#include "platform/windows/settings_window.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>
#include <utility>

#include "automation/value.h"
#include "platform/windows/bstr.h"
#include "platform/windows/com_module.h"
#include "platform/windows/modal_display.h"

namespace windows {

namespace {

using forms::ControlDesign;
using forms::ControlKind;
using forms::FormDesign;

// Basic's "Object was unloaded": a window operation on a window that is not there.
automation::AutomationError objectUnloaded() { return {364, u"Object was unloaded"}; }

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;

std::size_t indexOf(const FormDesign& design, std::string_view control) {
  const auto found = std::ranges::find(design.controls, control, &ControlDesign::name);
  if (found == design.controls.end())
    throw std::out_of_range(std::string(design.name) + " has no control " + std::string(control));
  return static_cast<std::size_t>(found - design.controls.begin());
}

// The forms' design font, MS Sans Serif 8.25 pt, at the screen's DPI.
GdiObject<HFONT> makeFont(int dpiY) {
  LOGFONTW font{};
  font.lfHeight = -MulDiv(825, dpiY, 7200);
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = DEFAULT_QUALITY;
  constexpr std::wstring_view face = L"MS Sans Serif";
  face.copy(font.lfFaceName, face.size());
  return GdiObject<HFONT>(CreateFontIndirectW(&font));
}

std::wstring windowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(std::max(GetWindowTextLengthW(window), 0)) + 1, L'\0');
  const int length = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(std::max(length, 0)));
  return text;
}

}  // namespace

int settingsControlId(const FormDesign& design, std::string_view control) {
  const auto found = std::ranges::find(design.controls, control, &ControlDesign::name);
  if (found == design.controls.end()) return 0;
  return kFirstSettingsControlId + static_cast<int>(found - design.controls.begin());
}

std::wstring settingsWindowClass(const FormDesign& design) {
  return L"VantoryActiveX." + std::wstring(design.name.begin(), design.name.end());
}

SettingsWindow::~SettingsWindow() { unload(); }

int SettingsWindow::toPixelsX(double twips) const noexcept { return static_cast<int>(std::lround(twips * dpiX_ / 1440.0)); }
int SettingsWindow::toPixelsY(double twips) const noexcept { return static_cast<int>(std::lround(twips * dpiY_ / 1440.0)); }

HWND SettingsWindow::requireWindow() const {
  if (window_ == nullptr) throw objectUnloaded();
  return window_;
}

HWND SettingsWindow::control(std::string_view name) const {
  const std::size_t index = indexOf(design_, name);
  requireWindow();
  return controls_.at(index);
}

bool SettingsWindow::load() {
  if (window_) return true;
  const auto module = static_cast<HINSTANCE>(ComModule::instance().handle());
  const std::wstring className = settingsWindowClass(design_);

  // Registered for one display at a time: the DLL can be unloaded between displays, and a
  // class left behind would keep a dangling window procedure.
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (!GetClassInfoExW(module, className.c_str(), &existing)) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &SettingsWindow::windowProcedure;
    windowClass.hInstance = module;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = className.c_str();
    if (RegisterClassExW(&windowClass) == 0) return false;
    classRegistered_ = true;
  }

  {
    const ScreenDc screen(GetDC(nullptr));
    if (screen) {
      dpiX_ = GetDeviceCaps(screen.get(), LOGPIXELSX);
      dpiY_ = GetDeviceCaps(screen.get(), LOGPIXELSY);
    }
    if (dpiX_ <= 0) dpiX_ = 96;
    if (dpiY_ <= 0) dpiY_ = 96;
  }
  if (!font_) font_ = makeFont(dpiY_);

  RECT frame{0, 0, toPixelsX(design_.clientWidth), toPixelsY(design_.clientHeight)};
  AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  const std::wstring caption(design_.designCaption.begin(), design_.designCaption.end());
  const HWND created =
      CreateWindowExW(kExStyle, className.c_str(), caption.c_str(), kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                      frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, module, this);
  if (created == nullptr) {
    unload();
    return false;
  }
  window_ = created;
  try {
    createControls(module);
  } catch (...) {
    unload();
    return false;
  }
  if (std::ranges::find(controls_, nullptr) != controls_.end()) {
    unload();
    return false;
  }
  return true;
}

void SettingsWindow::createControls(HINSTANCE module) {
  const auto& controls = design_.controls;
  controls_.assign(controls.size(), nullptr);
  // Children are created in tab order: each goes to the bottom of the z-order, which is
  // the order the dialog manager tabs through.
  std::vector<std::size_t> order(controls.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::ranges::stable_sort(order, {}, [&](std::size_t i) { return controls[i].tabIndex; });

  for (const std::size_t index : order) {
    const ControlDesign& design = controls[index];
    const wchar_t* className = L"STATIC";
    DWORD style = WS_CHILD | (design.visible ? WS_VISIBLE : 0);
    DWORD exStyle = 0;
    switch (design.kind) {
      case ControlKind::Label:
        style |= SS_LEFT;
        break;
      case ControlKind::TextBox:
        className = L"EDIT";
        style |= WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
        exStyle = WS_EX_CLIENTEDGE;
        break;
      case ControlKind::Button:
        className = L"BUTTON";
        style |= WS_TABSTOP | BS_PUSHBUTTON;
        break;
    }
    const std::wstring caption(design.caption.begin(), design.caption.end());
    const HWND child = CreateWindowExW(
        exStyle, className, caption.c_str(), style, toPixelsX(design.left), toPixelsY(design.top),
        toPixelsX(design.width), toPixelsY(design.height), window_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstSettingsControlId + static_cast<int>(index))), module, nullptr);
    if (child == nullptr) return;
    if (font_) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    if (design.kind == ControlKind::TextBox) SendMessageW(child, EM_SETLIMITTEXT, 0, 0);  // the largest there is
    controls_[index] = child;
  }
}

double SettingsWindow::left() const {
  RECT rect{};
  GetWindowRect(requireWindow(), &rect);
  return toTwipsX(rect.left);
}

double SettingsWindow::top() const {
  RECT rect{};
  GetWindowRect(requireWindow(), &rect);
  return toTwipsY(rect.top);
}

double SettingsWindow::width() const {
  RECT rect{};
  GetWindowRect(requireWindow(), &rect);
  return toTwipsX(rect.right - rect.left);
}

double SettingsWindow::height() const {
  RECT rect{};
  GetWindowRect(requireWindow(), &rect);
  return toTwipsY(rect.bottom - rect.top);
}

void SettingsWindow::move(double left, double top, double width, double height) {
  SetWindowPos(requireWindow(), nullptr, toPixelsX(left), toPixelsY(top), toPixelsX(width), toPixelsY(height),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

double SettingsWindow::screenWidth() const { return toTwipsX(GetSystemMetrics(SM_CXSCREEN)); }
double SettingsWindow::screenHeight() const { return toTwipsY(GetSystemMetrics(SM_CYSCREEN)); }

void SettingsWindow::bringToFront() {
  SetWindowPos(requireWindow(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void SettingsWindow::processPendingMessages() { pumpPendingMessages(); }

void SettingsWindow::unload() {
  if (HWND window = std::exchange(window_, nullptr)) DestroyWindow(window);
  controls_.clear();
  lastFocus_ = nullptr;
  if (classRegistered_) {
    // Fails, harmlessly, while another display of the same form is open.
    UnregisterClassW(settingsWindowClass(design_).c_str(), static_cast<HINSTANCE>(ComModule::instance().handle()));
    classRegistered_ = false;
  }
}

std::u16string SettingsWindow::caption() const { return toU16(windowText(requireWindow())); }

void SettingsWindow::setCaption(const std::u16string& caption) {
  SetWindowTextW(requireWindow(), toWide(caption).c_str());
}

std::u16string SettingsWindow::text(std::string_view name) const { return toU16(windowText(control(name))); }

void SettingsWindow::setText(std::string_view name, const std::u16string& text) {
  SetWindowTextW(control(name), toWide(text).c_str());
}

// The style, not IsWindowVisible: the form is filled while it is still hidden.
bool SettingsWindow::visible(std::string_view name) const {
  return (GetWindowLongW(control(name), GWL_STYLE) & WS_VISIBLE) != 0;
}

void SettingsWindow::setVisible(std::string_view name, bool visible) {
  ShowWindow(control(name), visible ? SW_SHOWNA : SW_HIDE);
}

void SettingsWindow::runModal(forms::SettingsForm& form) {
  if (window_ == nullptr) return;
  form_ = &form;
  failure_ = nullptr;
  {
    const ThreadWindowsDisabled others(window_);
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
    if (const auto* focus = forms::findControl(design_, design_.initialFocus)) SetFocus(control(focus->name));

    MSG message;
    while (window_ != nullptr && !form.closed() && !failure_) {
      const BOOL got = GetMessageW(&message, nullptr, 0, 0);
      if (got == -1) break;
      if (got == 0) {  // the thread is quitting: close and let the outer loop see it too
        unload();
        PostQuitMessage(static_cast<int>(message.wParam));
        break;
      }
      // Enter presses the focused button, as on a form; elsewhere it does nothing, for
      // neither button is the default one.
      if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN &&
          (message.hwnd == window_ || IsChild(window_, message.hwnd))) {
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(window_, focus) && (SendMessageW(focus, WM_GETDLGCODE, 0, 0) & DLGC_BUTTON) != 0 &&
            (GetWindowLongW(focus, GWL_STYLE) & BS_TYPEMASK) == BS_PUSHBUTTON) {
          SendMessageW(focus, BM_CLICK, 0, 0);
          continue;
        }
      }
      if (!IsDialogMessageW(window_, &message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
  }
  form_ = nullptr;
  if (failure_) {
    unload();
    std::rethrow_exception(std::exchange(failure_, nullptr));
  }
}

void SettingsWindow::closeBox() {
  if (form_ != nullptr)
    form_->Form_Unload();
  else
    unload();
}

LRESULT CALLBACK SettingsWindow::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    auto* self = static_cast<SettingsWindow*>(create->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->window_ = window;
  }
  auto* self = reinterpret_cast<SettingsWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    if (self->window_ == window) {
      self->window_ = nullptr;
      self->controls_.clear();
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }
  try {
    return self->handle(window, message, wParam, lParam);
  } catch (...) {
    // Nothing may unwind through the window system: the modal loop ends and rethrows it.
    if (!self->failure_) self->failure_ = std::current_exception();
    return 0;
  }
}

LRESULT SettingsWindow::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CTLCOLORSTATIC: {
      const auto dc = reinterpret_cast<HDC>(wParam);
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_COMMAND: {
      // IDOK and IDCANCEL (Enter in a box, Escape) come from the dialog manager: ignored.
      const int id = LOWORD(wParam);
      const int index = id - kFirstSettingsControlId;
      if (HIWORD(wParam) == BN_CLICKED && lParam != 0 && index >= 0 &&
          static_cast<std::size_t>(index) < design_.controls.size() && form_ != nullptr) {
        const ControlDesign& clicked = design_.controls[static_cast<std::size_t>(index)];
        if (clicked.kind == ControlKind::Button) form_->click(clicked.name);
      }
      return 0;
    }
    case WM_CLOSE:  // the close box: the form's unload, which saves nothing
      closeBox();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(window, focus)) lastFocus_ = focus;
      } else if (lastFocus_ != nullptr && IsWindow(lastFocus_)) {
        SetFocus(lastFocus_);
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace windows
