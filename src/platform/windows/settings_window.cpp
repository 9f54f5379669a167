#include "platform/windows/settings_window.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>
#include <utility>

#include "platform/windows/bstr.h"
#include "platform/windows/com_module.h"

namespace windows {

namespace {

using forms::ControlDesign;
using forms::ControlKind;
using forms::FormDesign;

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;

std::size_t indexOf(const FormDesign& design, std::string_view control) {
  const auto found = std::ranges::find(design.controls, control, &ControlDesign::name);
  if (found == design.controls.end())
    throw std::out_of_range(std::string(design.name) + " has no control " + std::string(control));
  return static_cast<std::size_t>(found - design.controls.begin());
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

HWND SettingsWindow::control(std::string_view name) const {
  const std::size_t index = indexOf(design_, name);
  requireWindow();
  return controls_.at(index);
}

bool SettingsWindow::load() {
  if (loaded()) return true;
  const std::wstring className = settingsWindowClass(design_);

  // Registered for one display at a time: the DLL can be unloaded between displays, and a
  // class left behind would keep a dangling window procedure.
  switch (registerWindowClass(formClass(className.c_str()))) {
    case ClassRegistration::Failed: return false;
    case ClassRegistration::Registered: classRegistered_ = true; break;
    case ClassRegistration::Existing: break;
  }

  const std::wstring caption(design_.designCaption.begin(), design_.designCaption.end());
  if (!createWindow(className.c_str(), caption, kStyle, kExStyle, design_.clientWidth, design_.clientHeight)) {
    unload();
    return false;
  }
  if (!font_) font_ = designFont(L"MS Sans Serif");
  try {
    createControls();
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

void SettingsWindow::createControls() {
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
    const HWND child = createChild(className, caption.c_str(), style, exStyle,
                                   {design.left, design.top, design.width, design.height},
                                   kFirstSettingsControlId + static_cast<int>(index), font_.get());
    if (child == nullptr) return;
    if (design.kind == ControlKind::TextBox) SendMessageW(child, EM_SETLIMITTEXT, 0, 0);  // the largest there is
    controls_[index] = child;
  }
}

void SettingsWindow::unload() {
  if (const HWND window = releaseWindow()) DestroyWindow(window);
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
  if (!loaded()) return;
  form_ = &form;
  failure_ = nullptr;
  runModalLoop();
  form_ = nullptr;
  if (failure_) {
    unload();
    std::rethrow_exception(std::exchange(failure_, nullptr));
  }
}

void SettingsWindow::onShown() {
  if (const auto* focus = forms::findControl(design_, design_.initialFocus)) SetFocus(control(focus->name));
}

bool SettingsWindow::modalDone() const { return form_ == nullptr || form_->closed() || failure_; }

bool SettingsWindow::preTranslate(MSG& message) {
  // Enter presses the focused button, as on a form; elsewhere it does nothing, for neither
  // button is the default one.
  if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN &&
      (message.hwnd == window() || IsChild(window(), message.hwnd))) {
    const HWND focus = GetFocus();
    if (focus != nullptr && IsChild(window(), focus) && (SendMessageW(focus, WM_GETDLGCODE, 0, 0) & DLGC_BUTTON) != 0 &&
        (GetWindowLongW(focus, GWL_STYLE) & BS_TYPEMASK) == BS_PUSHBUTTON) {
      SendMessageW(focus, BM_CLICK, 0, 0);
      return true;
    }
  }
  return IsDialogMessageW(window(), &message) != 0;
}

void SettingsWindow::closeBox() {
  if (form_ != nullptr)
    form_->Form_Unload();
  else
    unload();
}

LRESULT SettingsWindow::handleFailure(HWND, UINT, WPARAM, LPARAM) {
  if (!failure_) failure_ = std::current_exception();
  return 0;
}

LRESULT SettingsWindow::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
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
