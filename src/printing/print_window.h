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

  // The close timer timDelay: it ticks every interval while it is enabled and its interval is
  // above 0; a new interval, or enabling it, starts its count afresh.
  void setTimerInterval(int milliseconds) {
    timerInterval_ = milliseconds;
    timerChanged();
  }
  void setTimerEnabled(bool enabled) {
    timerEnabled_ = enabled;
    timerChanged();
  }
  int timerInterval() const noexcept { return timerInterval_; }
  bool timerEnabled() const noexcept { return timerEnabled_; }

 protected:
  bool timerRunning() const noexcept { return timerEnabled_ && timerInterval_ > 0; }
  // The platform's timer, started afresh when timerRunning(), else stopped.
  virtual void timerChanged() = 0;
  // The timer as designed: enabled, without an interval (so not ticking).
  void resetTimer() noexcept {
    timerInterval_ = 0;
    timerEnabled_ = true;
  }

 private:
  int timerInterval_ = 0;
  bool timerEnabled_ = true;
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
