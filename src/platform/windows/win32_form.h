#pragma once
// What the control's forms (the print window frmGUI and the two settings windows) share
// as Win32 windows. A Win32Form owns its HWND: it creates it hidden from a registered
// window class whose procedure finds the form at WM_NCCREATE and hands it every message
// (handleMessage), and forgets it at WM_NCDESTROY. It answers the forms::FormWindow
// geometry in twips at the screen's DPI, and runs the modal display: the thread's other
// windows disabled and its messages dispatched until the form is done.

#include <windows.h>

#include <string>

#include "automation/value.h"
#include "forms/form_window.h"
#include "platform/windows/gdi.h"

namespace windows {

// Basic's "Object was unloaded": a window operation on a window that is not there.
automation::AutomationError objectUnloaded();

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

// A design position: left, top, width, height in twips.
struct TwipsRect {
  int left, top, width, height;
};

class Win32Form : public virtual forms::FormWindow {
 public:
  Win32Form(const Win32Form&) = delete;
  Win32Form& operator=(const Win32Form&) = delete;

  HWND window() const noexcept { return window_; }
  bool loaded() const noexcept { return window_ != nullptr; }

  // forms::FormWindow; each throws AutomationError 364 while the window is not loaded.
  double left() const override;
  double top() const override;
  double width() const override;
  double height() const override;
  void move(double left, double top, double width, double height) override;
  double screenWidth() const override;
  double screenHeight() const override;
  void bringToFront() override;
  // Runs the thread's pending messages once, as a slide-out step needs; a WM_QUIT is put
  // back for the message loop that owns it.
  void processPendingMessages() override;

 protected:
  Win32Form() = default;
  ~Win32Form() override = default;  // the form's own destructor unloads

  // A window class whose windows are Win32Forms.
  static WindowClass formClass(const wchar_t* name, int icon = 0) { return {name, &windowProcedure, 0, icon}; }
  // Reads the screen's DPI and creates the window, hidden, with a client area of the given
  // size; lpCreateParams is the form. False when it cannot be created.
  bool createWindow(const wchar_t* className, const std::wstring& caption, DWORD style, DWORD exStyle,
                    int clientWidthTwips, int clientHeightTwips);
  // A child window at a design position; given a font, it uses it.
  HWND createChild(const wchar_t* className, const wchar_t* text, DWORD style, DWORD exStyle, const TwipsRect& at,
                   int id, HFONT font) const;
  // A font of the design's size, 8.25 pt, at the screen's DPI.
  GdiObject<HFONT> designFont(const wchar_t* face, bool underline = false) const;
  // The window, given up for the caller to destroy; null when there is none.
  HWND releaseWindow() noexcept;
  HWND requireWindow() const;

  int toPixelsX(double twips) const noexcept;
  int toPixelsY(double twips) const noexcept;
  double toTwipsX(int pixels) const noexcept { return pixels * 1440.0 / dpiX_; }
  double toTwipsY(int pixels) const noexcept { return pixels * 1440.0 / dpiY_; }

  // Shows the window, modal to the thread's other windows, and dispatches the thread's
  // messages until the window is gone or modalDone(). When the thread is quitting the form
  // unloads and the WM_QUIT is posted again for the outer loop.
  void runModalLoop();

  // The form's messages, with the window they came to (window() is null while it unloads).
  virtual LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // What a message returns when handleMessage threw (the exception is the current one):
  // nothing may unwind through the window system. Here: the default processing.
  virtual LRESULT handleFailure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // At WM_NCDESTROY of the form's own window, once window() is null.
  virtual void onDestroyed() noexcept {}
  // The modal display: once the window is shown; whether it should end; a message the
  // form takes before it is dispatched (true when it did).
  virtual void onShown() {}
  virtual bool modalDone() const { return false; }
  virtual bool preTranslate(MSG&) { return false; }

 private:
  static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND window_ = nullptr;
  int dpiX_ = 96, dpiY_ = 96;
};

}  // namespace windows
