#pragma once
// The two settings dialogs (frmPropertyPage, frmMoreProperties) as modal Win32 windows.
// Each returns once its dialog has closed; false when it failed to load.

#include "control/request_windows.h"

namespace windows {

bool ShowPrintParametersDialog(control::PrintCall& call);
bool ShowPatientDataDialog(control::PrintCall& call);

}  // namespace windows
