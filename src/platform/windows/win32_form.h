#pragma once
// What the control's forms (the print window frmGUI and the two settings windows) share
// as Win32 windows. A Win32Form is a Win32Window (window.h) created hidden as a top-level
// window; it answers the forms::FormWindow geometry in twips at the screen's DPI, and runs
// the modal display: the thread's other windows disabled and its messages dispatched until
// the form is done.

#include <windows.h>

#include <string>

#include "automation/value.h"
#include "forms/form_window.h"
#include "platform/windows/gdi.h"
#include "platform/windows/window.h"

namespace windows {

// Basic's "Object was unloaded": a window operation on a window that is not there.
automation::AutomationError objectUnloaded();

// A design position: left, top, width, height in twips.
struct TwipsRect {
  int left, top, width, height;
};

class Win32Form : public Win32Window, public virtual forms::FormWindow {
 public:
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
  static WindowClass formClass(const wchar_t* name, int icon = 0) { return windowClass(name, 0, icon); }
  // Reads the screen's DPI and creates the window, hidden, with a client area of the given
  // size; lpCreateParams is the form. False when it cannot be created.
  bool createWindow(const wchar_t* className, const std::wstring& caption, DWORD style, DWORD exStyle,
                    int clientWidthTwips, int clientHeightTwips);
  // A child window at a design position; given a font, it uses it.
  HWND createChild(const wchar_t* className, const wchar_t* text, DWORD style, DWORD exStyle, const TwipsRect& at,
                   int id, HFONT font) const;
  // A font of the design's size, 8.25 pt, at the screen's DPI.
  GdiObject<HFONT> designFont(const wchar_t* face, bool underline = false) const;
  HWND requireWindow() const;

  int toPixelsX(double twips) const noexcept;
  int toPixelsY(double twips) const noexcept;
  double toTwipsX(int pixels) const noexcept { return pixels * 1440.0 / dpiX_; }
  double toTwipsY(int pixels) const noexcept { return pixels * 1440.0 / dpiY_; }

  // Shows the window, modal to the thread's other windows, and dispatches the thread's
  // messages until the window is gone or modalDone(). When the thread is quitting the form
  // unloads and the WM_QUIT is posted again for the outer loop.
  void runModalLoop();

  // The modal display: once the window is shown; whether it should end; a message the
  // form takes before it is dispatched (true when it did).
  virtual void onShown() {}
  virtual bool modalDone() const { return false; }
  virtual bool preTranslate(MSG&) { return false; }

 private:
  int dpiX_ = 96, dpiY_ = 96;
};

}  // namespace windows
