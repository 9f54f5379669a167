#include "platform/windows/request_windows.h"

#include "platform/windows/settings_dialogs.h"

namespace windows {

Win32RequestWindows::Win32RequestWindows(automation::ObjectFactory& engines)
    : printWindow_(engines), form_(makeCom<PrintForm>()) {
  PrintForm& form = *form_.get();
  form.onTimer = [this] { printWindow_.timDelay_Timer(*form_.get()); };
  form.onCloseClicked = [this] { printWindow_.cmdExit_Click(*form_.get()); };
}

bool Win32RequestWindows::showPrintParameters(control::PrintCall& call) {
  try {
    return ShowPrintParametersDialog(call);
  } catch (...) {
    return false;
  }
}

bool Win32RequestWindows::showPatientData(control::PrintCall& call) {
  try {
    return ShowPatientDataDialog(call);
  } catch (...) {
    return false;
  }
}

bool Win32RequestWindows::showPrintWindow(control::PrintCall& call) {
  const ComPtr<PrintForm> keep = form_;  // a re-entrant close must not pull it from under us
  PrintForm& form = *keep.get();
  try {
    if (form.loaded() || !form.load()) return false;
    const auto outcome = printWindow_.Form_Load(form, call);
    if (outcome == printing::LoadOutcome::Failed) {
      form.unload();
      return false;
    }
    if (!form.loaded()) return true;  // unloaded itself while loading: never shown
    if (onPrintWindowShown) onPrintWindowShown(form);
    form.runModal();
    return true;
  } catch (...) {
    form.unload();
    return false;
  }
}

void Win32RequestWindows::closePrintWindow() { form_->unload(); }

}  // namespace windows
