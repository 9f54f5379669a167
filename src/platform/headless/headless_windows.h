#pragma once
// The request's windows without a screen, for the native host and the tests: the print
// window runs its real behaviour on the virtual clock; the settings dialogs are supplied
// by whoever builds the windows (a terminal form, or closing as if confirmed).

#include <functional>
#include <memory>

#include "control/request_windows.h"
#include "platform/headless/headless_window.h"
#include "printing/print_window.h"

namespace headless {

class HeadlessRequestWindows : public control::RequestWindows {
 public:
  using Dialog = std::function<bool(control::PrintCall&)>;

  HeadlessRequestWindows(automation::ObjectFactory& engines, VirtualClock& clock)
      : printWindow_(engines), clock_(clock) {}

  bool showPrintParameters(control::PrintCall& call) override { return run(printParametersDialog, call); }
  bool showPatientData(control::PrintCall& call) override { return run(patientDataDialog, call); }
  bool showPrintWindow(control::PrintCall& call) override;
  void closePrintWindow() override;

  // The user's click on the print window's Close link.
  void clickClose();
  // The print window of the running request, if one is shown.
  HeadlessPrintWindow* shownPrintWindow() noexcept { return shown_.get(); }

  Dialog printParametersDialog;
  Dialog patientDataDialog;
  // Runs right after the print window has loaded, before its wait (tests schedule clicks here).
  std::function<void(HeadlessPrintWindow&)> onPrintWindowShown;

 private:
  static bool run(const Dialog& dialog, control::PrintCall& call) { return dialog ? dialog(call) : true; }
  printing::PrintWindow printWindow_;
  VirtualClock& clock_;
  std::unique_ptr<HeadlessPrintWindow> shown_;
};

}  // namespace headless
