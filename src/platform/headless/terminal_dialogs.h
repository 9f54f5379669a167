#pragma once
// The settings dialogs of the native host. On a terminal each dialog is a small form:
// every field with its label and value, Enter keeps a value, typing replaces it, then
// "&Ok", "Restore &Defaults", another round of edits, or the close box. Without a terminal
// the dialog closes as if "&Ok" were pressed, so a scripted run prints what it was given.

#include <iosfwd>

#include "control/request_windows.h"
#include "forms/settings_forms.h"
#include "platform/headless/headless_windows.h"

namespace headless {

// Shows one dialog against the streams; true when it loaded and closed normally.
// Prompts go to `out`; the end of `in` counts as the close box.
bool runTerminalDialog(forms::SettingsDialog dialog, control::PrintCall& call, std::istream& in, std::ostream& out,
                       bool interactive);

// The same, ready for HeadlessRequestWindows. The streams must outlive the returned function.
HeadlessRequestWindows::Dialog terminalDialog(forms::SettingsDialog dialog, std::istream& in, std::ostream& out,
                                              bool interactive);

// Plugs both dialogs into the windows.
void useTerminalDialogs(HeadlessRequestWindows& windows, std::istream& in, std::ostream& out, bool interactive);

// Whether standard input is a terminal (interactive use).
bool standardInputIsTerminal();

}  // namespace headless
