#include "printing/print_error.h"

#include "automation/text.h"
#include "control/version.h"

namespace printing {

using control::DiagnosticMessage;
using control::MessageIcon;

void ReportPrintError(FailureStage stage, const std::exception& error, control::PrintCall& call) {
  call.request.PrintSucceeded = false;
  if (!call.diagnostics.enabled()) return;

  std::int32_t number = 0;
  std::u16string description;
  if (const auto* automationError = dynamic_cast<const automation::AutomationError*>(&error)) {
    number = automationError->number();
    description = automationError->description();
  } else {
    description = automation::fromUtf8(error.what());
  }
  const char16_t* summary = stage == FailureStage::EngineSetup
                                ? u"The 'LServer.dll' DYMO component is not registered properly."
                                : u"An undefined error occurred attempting to print labels.";
  call.diagnostics.show({u"Error Info!", summary, MessageIcon::Critical});
  call.diagnostics.show({u"Details Info!",
                         u"Exception: " + automation::fromUtf8(std::to_string(number)) + u" " + description,
                         MessageIcon::Information});
  call.diagnostics.show({u"Application Info!", control::applicationVersionText(), MessageIcon::Information});
}

}  // namespace printing
