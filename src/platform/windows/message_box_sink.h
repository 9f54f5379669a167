#pragma once
// Diagnostics on Windows: one message box per message, with its title and icon and a
// single OK button, modal to the calling thread's windows.

#include "control/diagnostics.h"

namespace windows {

class MessageBoxSink final : public control::DiagnosticsSink {
 public:
  void show(const control::DiagnosticMessage& message) override;
};

// The MessageBox style for a message (exposed for the tests).
unsigned messageBoxStyle(control::MessageIcon icon);

}  // namespace windows
