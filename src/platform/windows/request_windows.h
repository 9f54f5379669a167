#pragma once
// The request's windows on Windows: the settings dialogs and the print window frmGUI,
// each shown modally. There is one print window object, created with this and reloaded
// at every display.

#include <functional>

#include "control/request_windows.h"
#include "platform/windows/com_ptr.h"
#include "platform/windows/print_form.h"
#include "printing/print_window.h"

namespace windows {

class Win32RequestWindows final : public control::RequestWindows {
 public:
  // Throws std::bad_alloc.
  explicit Win32RequestWindows(automation::ObjectFactory& engines);

  bool showPrintParameters(control::PrintCall& call) override;
  bool showPatientData(control::PrintCall& call) override;
  // False when the window could not load, its load step failed, or it is already on screen
  // (a host re-entering from the modal loop cannot show it a second time).
  bool showPrintWindow(control::PrintCall& call) override;
  void closePrintWindow() override;

  // frmGUI's object: the print window and the IObjectSafety it answers.
  PrintForm& printForm() noexcept { return *form_.get(); }
  ComPtr<PrintForm> printFormObject() const noexcept { return form_; }

  // Runs once the print window is on screen, before its modal wait (tests click here).
  std::function<void(PrintForm&)> onPrintWindowShown;

 private:
  printing::PrintWindow printWindow_;
  ComPtr<PrintForm> form_;
};

}  // namespace windows
