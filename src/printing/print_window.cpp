#include "printing/print_window.h"

#include "automation/text.h"
#include "forms/placement.h"
#include "printing/layouts.h"

namespace printing {

using control::MessageIcon;

LoadOutcome PrintWindow::Form_Load(PrintWindowView& view, control::PrintCall& call) {
  auto& request = call.request;
  void (*layout)(PrintJob) = nullptr;
  try {
    // A Null bar code (allowed on every layout) shows as an empty caption.
    const auto& barCode = request.BarCode;
    view.setBarCodeCaption(barCode.isNull() ? std::u16string{} : automation::textOf(barCode));
    forms::CenterForm(view);
    const automation::Value clientType = request.ClientType;
    if (automation::equalsText(clientType, u"HOSPITAL")) {
      layout = PrintHOSPITALLabels;
    } else if (automation::equalsText(clientType, u"PHYSICIAN")) {
      layout = PrintPHYSICIANLabels;
    } else if (automation::equalsText(clientType, u"GENERIC")) {
      layout = PrintGENERICLabels;
    }
  } catch (const std::exception& error) {
    request.PrintSucceeded = false;
    call.diagnostics.show({u"Attention!",
                           u"The label was not printed: the print window could not load (" +
                               automation::fromUtf8(error.what()) + u").",
                           MessageIcon::Critical});
    return LoadOutcome::Failed;
  }

  if (layout == nullptr) {
    request.PrintSucceeded = false;
    call.diagnostics.show({u"Attention!", u"Could not determine client type.", MessageIcon::Critical});
    view.unload();
    return LoadOutcome::Unloaded;
  }
  layout(PrintJob{engines_, call});

  view.setTimerInterval(kCloseDelayMilliseconds);
  view.setTimerEnabled(true);
  return LoadOutcome::Displayed;
}

void PrintWindow::cmdExit_Click(PrintWindowView& view) {
  view.setTimerEnabled(false);
  view.unload();
}

}  // namespace printing
