#include "platform/windows/window.h"

#include <utility>

#include "platform/windows/com_module.h"

namespace windows {

namespace {

HICON classIcon(HINSTANCE module, int icon, int widthMetric, int heightMetric) {
  if (icon == 0) return nullptr;
  return static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(icon), IMAGE_ICON, GetSystemMetrics(widthMetric),
                                       GetSystemMetrics(heightMetric), LR_SHARED));
}

}  // namespace

HINSTANCE thisModule() { return static_cast<HINSTANCE>(ComModule::instance().handle()); }

ClassRegistration registerWindowClass(const WindowClass& windowClassDesign) {
  const HINSTANCE module = thisModule();
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(module, windowClassDesign.name, &existing)) return ClassRegistration::Existing;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = windowClassDesign.style;
  windowClass.lpfnWndProc = windowClassDesign.procedure;
  windowClass.hInstance = module;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = windowClassDesign.name;
  windowClass.hIcon = classIcon(module, windowClassDesign.icon, SM_CXICON, SM_CYICON);
  windowClass.hIconSm = classIcon(module, windowClassDesign.icon, SM_CXSMICON, SM_CYSMICON);
  return RegisterClassExW(&windowClass) != 0 ? ClassRegistration::Registered : ClassRegistration::Failed;
}

bool Win32Window::create(DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style, int x, int y,
                         int width, int height, HWND parent) {
  const HWND created =
      CreateWindowExW(exStyle, className, text, style, x, y, width, height, parent, nullptr, thisModule(), this);
  if (created == nullptr) return false;
  window_ = created;
  return true;
}

HWND Win32Window::releaseWindow() noexcept { return std::exchange(window_, nullptr); }

LRESULT Win32Window::handleFailure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK Win32Window::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    auto* object = static_cast<Win32Window*>(create->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
    object->window_ = window;
  }
  auto* object = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (object == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    if (object->window_ == window) {
      object->window_ = nullptr;
      object->onDestroyed();
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }
  try {
    return object->handleMessage(window, message, wParam, lParam);
  } catch (...) {
    return object->handleFailure(window, message, wParam, lParam);
  }
}

}  // namespace windows
