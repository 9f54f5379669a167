#pragma once
// frmPropertyPage and frmMoreProperties as Win32 windows: the settings dialogs' view,
// built from a form's design table. A SettingsWindow is one display: load() creates the
// window hidden in its design state, runModal() shows it until the form has closed, and
// the window is gone once the object is. Geometry is in twips at the screen's DPI
// (Win32Form).
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
#include "platform/windows/win32_form.h"

namespace windows {

// Child identifiers (GetDlgItem): the control's place in the design table, from here.
inline constexpr int kFirstSettingsControlId = 100;

// The control's identifier in a form of that design; 0 when the form has no such control.
int settingsControlId(const forms::FormDesign& design, std::string_view control);
// The window class of a form: "VantoryActiveX." and the form's name.
std::wstring settingsWindowClass(const forms::FormDesign& design);

class SettingsWindow final : public Win32Form, public forms::SettingsView {
 public:
  explicit SettingsWindow(const forms::FormDesign& design) : design_(design) {}
  ~SettingsWindow() override;

  // Creates the window and its controls in the design state, hidden. False when it cannot.
  bool load();
  // Shows the window, modal to the thread's other windows, and routes the buttons and the
  // close box to `form` until it has closed. Rethrows what a handler of the form threw.
  void runModal(forms::SettingsForm& form);

  const forms::FormDesign& design() const noexcept { return design_; }
  // The named control's window; std::out_of_range when the form has none.
  HWND control(std::string_view name) const;

  // forms::FormWindow (the geometry is Win32Form's)
  void unload() override;

  // forms::SettingsView
  std::u16string caption() const override;
  void setCaption(const std::u16string& caption) override;
  std::u16string text(std::string_view control) const override;
  void setText(std::string_view control, const std::u16string& text) override;
  bool visible(std::string_view control) const override;
  void setVisible(std::string_view control, bool visible) override;

 private:
  LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  // Nothing may unwind through the window system: the modal loop ends and rethrows it.
  LRESULT handleFailure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void onDestroyed() noexcept override { controls_.clear(); }
  void onShown() override;
  bool modalDone() const override;
  bool preTranslate(MSG& message) override;
  void createControls();
  void closeBox();

  const forms::FormDesign& design_;
  std::vector<HWND> controls_;  // in the design table's order
  HWND lastFocus_ = nullptr;    // given back when the window is activated again
  GdiObject<HFONT> font_;
  forms::SettingsForm* form_ = nullptr;  // while runModal() runs
  std::exception_ptr failure_;           // from a handler, for runModal() to rethrow
  bool classRegistered_ = false;
};

}  // namespace windows
