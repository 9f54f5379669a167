#pragma once
// One window of this module and its window procedure, written once: a Win32Window owns its
// HWND, registered from a window class whose procedure finds the object at WM_NCCREATE
// (lpCreateParams), hands it every message (handleMessage) and forgets it at WM_NCDESTROY.
// Nothing unwinds through the window system: a message whose handling throws gets
// handleFailure's answer. The control's forms (Win32Form) and the control's own window in
// its container are built on it.

#include <windows.h>

namespace windows {

// A window class of this module, with the arrow cursor and the button-face background.
struct WindowClass {
  const wchar_t* name;
  WNDPROC procedure;
  UINT style = 0;
  int icon = 0;  // the resource of the class's icons; 0 for none
};
enum class ClassRegistration { Failed, Existing, Registered };
// Registers the class unless this module already has one of that name.
ClassRegistration registerWindowClass(const WindowClass& windowClass);

// This module's instance (the DLL's, or the program's in a test).
HINSTANCE thisModule();

class Win32Window {
 public:
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  HWND window() const noexcept { return window_; }
  bool loaded() const noexcept { return window_ != nullptr; }

 protected:
  Win32Window() = default;
  virtual ~Win32Window() = default;  // the window's owner destroys it first

  // A class whose windows are Win32Windows.
  static WindowClass windowClass(const wchar_t* name, UINT style = 0, int icon = 0) {
    return {name, &windowProcedure, style, icon};
  }
  // Creates the window of a class windowClass() described; false when it cannot be created.
  bool create(DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style, int x, int y, int width,
              int height, HWND parent);
  // The window, given up for the caller to destroy; null when there is none.
  HWND releaseWindow() noexcept;

  // The window's messages, with the window they came to (window() is null while it unloads).
  virtual LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // What a message returns when handleMessage threw (the exception is the current one).
  // Here: the default processing.
  virtual LRESULT handleFailure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // At WM_NCDESTROY of the object's own window, once window() is null.
  virtual void onDestroyed() noexcept {}

 private:
  static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND window_ = nullptr;
};

}  // namespace windows
