#pragma once
// frmPropertyPage and frmMoreProperties as Win32 windows: the settings dialogs' view,
// built from a form's design table. A SettingsWindow is one display: load() creates the
// window hidden in its design state, runModal() shows it until the form has closed, and
// the window is gone once the object is. Geometry is in twips at the screen's DPI.
//
// Keyboard handling is the dialog manager's (IsDialogMessage): Tab follows the design's
// tab indexes, "&" marks access keys. Neither button is a default or cancel button, so
// Enter in a box and Escape do nothing; the close box closes without saving.

#include <windows.h>

#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "forms/settings_forms.h"
#include "forms/settings_view.h"
#include "platform/windows/gdi.h"

namespace windows {

// Child identifiers (GetDlgItem): the control's place in the design table, from here.
inline constexpr int kFirstSettingsControlId = 100;

// The control's identifier in a form of that design; 0 when the form has no such control.
int settingsControlId(const forms::FormDesign& design, std::string_view control);
// The window class of a form: "VantoryActiveX." and the form's name.
std::wstring settingsWindowClass(const forms::FormDesign& design);

class SettingsWindow final : public forms::SettingsView {
 public:
  explicit SettingsWindow(const forms::FormDesign& design) : design_(design) {}
  SettingsWindow(const SettingsWindow&) = delete;
  SettingsWindow& operator=(const SettingsWindow&) = delete;
  ~SettingsWindow() override;

  // Creates the window and its controls in the design state, hidden. False when it cannot.
  bool load();
  // Shows the window, modal to the thread's other windows, and routes the buttons and the
  // close box to `form` until it has closed. Rethrows what a handler of the form threw.
  void runModal(forms::SettingsForm& form);

  const forms::FormDesign& design() const noexcept { return design_; }
  HWND window() const noexcept { return window_; }
  // The named control's window; std::out_of_range when the form has none.
  HWND control(std::string_view name) const;

  // forms::FormWindow; each throws AutomationError 364 once the window is unloaded.
  double left() const override;
  double top() const override;
  double width() const override;
  double height() const override;
  void move(double left, double top, double width, double height) override;
  double screenWidth() const override;
  double screenHeight() const override;
  void bringToFront() override;
  void processPendingMessages() override;
  void unload() override;

  // forms::SettingsView
  std::u16string caption() const override;
  void setCaption(const std::u16string& caption) override;
  std::u16string text(std::string_view control) const override;
  void setText(std::string_view control, const std::u16string& text) override;
  bool visible(std::string_view control) const override;
  void setVisible(std::string_view control, bool visible) override;

 private:
  static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void createControls(HINSTANCE module);
  void closeBox();
  HWND requireWindow() const;
  int toPixelsX(double twips) const noexcept;
  int toPixelsY(double twips) const noexcept;
  double toTwipsX(int pixels) const noexcept { return pixels * 1440.0 / dpiX_; }
  double toTwipsY(int pixels) const noexcept { return pixels * 1440.0 / dpiY_; }

  const forms::FormDesign& design_;
  HWND window_ = nullptr;
  std::vector<HWND> controls_;  // in the design table's order
  HWND lastFocus_ = nullptr;    // given back when the window is activated again
  int dpiX_ = 96, dpiY_ = 96;
  GdiObject<HFONT> font_;
  forms::SettingsForm* form_ = nullptr;  // while runModal() runs
  std::exception_ptr failure_;           // from a handler, for runModal() to rethrow
  bool classRegistered_ = false;
};

}  // namespace windows
