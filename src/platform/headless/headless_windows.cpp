#include "platform/headless/headless_windows.h"

namespace headless {

bool HeadlessRequestWindows::showPrintWindow(control::PrintCall& call) {
  auto window = std::make_unique<HeadlessPrintWindow>(clock_, [this] {
    if (shown_) printWindow_.timDelay_Timer(*shown_);
  });
  shown_ = std::move(window);
  const auto outcome = printWindow_.Form_Load(*shown_, call);
  if (outcome == printing::LoadOutcome::Displayed) {
    if (onPrintWindowShown) onPrintWindowShown(*shown_);
    clock_.runUntil([this] { return !shown_->loaded(); });
  }
  shown_.reset();
  return outcome != printing::LoadOutcome::Failed;
}

void HeadlessRequestWindows::closePrintWindow() {
  if (shown_) shown_->unload();
}

void HeadlessRequestWindows::clickClose() {
  if (shown_) printWindow_.cmdExit_Click(*shown_);
}

}  // namespace headless
