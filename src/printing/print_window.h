#pragma once
// The print window: its load step prints the request's label, then it stays up as a small
// status window for two seconds (or until closed) so the user sees that a label went out.

#include <string>

#include "automation/value.h"
#include "control/request_windows.h"
#include "forms/form_window.h"

namespace printing {

inline constexpr int kCloseDelayMilliseconds = 2000;

// The platform side of the print window (frmGUI).
class PrintWindowView : public virtual forms::FormWindow {
 public:
  virtual void setBarCodeCaption(const std::u16string& caption) = 0;
  virtual void setTimerInterval(int milliseconds) = 0;
  virtual void setTimerEnabled(bool enabled) = 0;
};

enum class LoadOutcome {
  Displayed,  // printed (or tried to); the window shows until its timer or a close
  Unloaded,   // unrecognised client type: the window unloaded itself, nothing printed
  Failed,     // the load step failed before printing; the request ends unprinted
};

class PrintWindow {
 public:
  explicit PrintWindow(automation::ObjectFactory& engines) : engines_(engines) {}

  LoadOutcome Form_Load(PrintWindowView& view, control::PrintCall& call);
  void timDelay_Timer(PrintWindowView& view) { cmdExit_Click(view); }
  void cmdExit_Click(PrintWindowView& view);

 private:
  automation::ObjectFactory& engines_;
};

}  // namespace printing
