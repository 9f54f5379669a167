#include "platform/windows/settings_dialogs.h"

#include "forms/settings_forms.h"
#include "platform/windows/settings_window.h"

namespace windows {

namespace {

// Every display loads the form afresh from its design state.
bool showDialog(forms::SettingsDialog dialog, control::PrintCall& call) {
  SettingsWindow window(forms::designOf(dialog));
  if (!window.load()) return false;
  return forms::ShowSettingsDialog(dialog, window, call, [&window](forms::SettingsForm& form) { window.runModal(form); });
}

}  // namespace

bool ShowPrintParametersDialog(control::PrintCall& call) { return showDialog(forms::SettingsDialog::PrintParameters, call); }
bool ShowPatientDataDialog(control::PrintCall& call) { return showDialog(forms::SettingsDialog::PatientData, call); }

}  // namespace windows
