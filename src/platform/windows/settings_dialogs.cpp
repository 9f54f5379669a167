#include "platform/windows/settings_dialogs.h"

namespace windows {

// Placeholders until the dialogs exist: closing at once as if confirmed leaves the request unchanged.
bool ShowPrintParametersDialog(control::PrintCall&) { return true; }
bool ShowPatientDataDialog(control::PrintCall&) { return true; }

}  // namespace windows
