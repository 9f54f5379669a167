#include "control/entry_points.h"

#include <exception>

#include "automation/text.h"
#include "control/composition.h"
#include "control/version.h"

namespace control {

namespace {

std::u16string describe(const automation::AutomationError& error) {
  return error.description() + u" (" + automation::fromUtf8(std::to_string(error.number())) + u")";
}

}  // namespace

std::optional<bool> displayFlag(const Value& value) {
  if (value.isNull()) return false;
  const auto text = automation::tryTextOf(value);
  if (!text) return std::nullopt;
  return automation::lowerCase(*text) == u"true";
}

std::int16_t PrintEntryPoints::GetControlVersion() { return kControlVersion; }

bool PrintEntryPoints::fail(const Diagnostics& diagnostics, std::u16string_view reason) {
  request_.PrintSucceeded = false;
  diagnostics.show({u"Attention!", u"The label was not printed: " + std::u16string(reason),
                    MessageIcon::Critical});
  return false;
}

Diagnostics PrintEntryPoints::diagnosticsFor(const Value& displayDebugger) const {
  return {sink_, policy_ == DiagnosticsPolicy::Always || displayFlag(displayDebugger).value_or(false)};
}

bool PrintEntryPoints::PrintLabels(std::span<const Value> arguments) {
  return neverThrowing(&PrintEntryPoints::printLabels, arguments);
}

bool PrintEntryPoints::PrintGENERICLabels(std::span<const Value> arguments) {
  return neverThrowing(&PrintEntryPoints::printGenericLabels, arguments);
}

bool PrintEntryPoints::neverThrowing(bool (PrintEntryPoints::*print)(std::span<const Value>),
                                     std::span<const Value> arguments) {
  try {
    return (this->*print)(arguments);
  } catch (...) {
    request_.PrintSucceeded = false;
    return false;
  }
}

std::optional<PrintEntryPoints::Started> PrintEntryPoints::start(PrintMethod method,
                                                                std::span<const Value> arguments) {
  const auto fields = storedFields(method);
  if (arguments.size() != parameterNames(method).size()) {
    request_.PrintSucceeded = false;
    return std::nullopt;
  }
  for (std::size_t i = 0; i < fields.size(); ++i) request_.*fields[i] = arguments[i];

  // The display flags follow the stored fields.
  const auto showSettings = displayFlag(arguments[fields.size()]);
  Started started{diagnosticsFor(arguments[fields.size() + 1]), showSettings.value_or(false)};
  if (!showSettings) {
    fail(started.diagnostics, u"DisplayProperties has no text form.");
    return std::nullopt;
  }
  return started;
}

bool PrintEntryPoints::printLabels(std::span<const Value> arguments) {
  request_.PrintSucceeded = true;
  return run(PrintMethod::PrintLabels, arguments);
}

bool PrintEntryPoints::printGenericLabels(std::span<const Value> arguments) {
  request_.ClientType = Value::string(u"GENERIC");
  request_.PrintSucceeded = true;
  return run(PrintMethod::PrintGENERICLabels, arguments);
}

bool PrintEntryPoints::run(PrintMethod method, std::span<const Value> arguments) {
  const auto started = start(method, arguments);
  if (!started) return false;
  const Diagnostics& diagnostics = started->diagnostics;
  PrintCall call{request_, diagnostics};
  if (started->displayProperties && !showSettings(method, call)) return false;

  if (method == PrintMethod::PrintLabels) {
    try {
      if (ComposeLabelLines(request_, diagnostics) != Composition::Composed) return false;
    } catch (const automation::AutomationError& error) {
      return fail(diagnostics, u"a request value has no text form: " + describe(error));
    }
  }

  if (!windows_.showPrintWindow(call)) return fail(diagnostics, u"the print window failed to load.");
  return request_.PrintSucceeded;
}

bool PrintEntryPoints::showSettings(PrintMethod method, PrintCall& call) {
  if (!windows_.showPrintParameters(call)) return fail(call.diagnostics, u"the print parameters dialog failed.");
  if (method == PrintMethod::PrintLabels) {
    if (!windows_.showPatientData(call)) return fail(call.diagnostics, u"the patient data dialog failed.");
  } else if (!automation::equalsText(request_.ClientType, u"GENERIC")) {
    // The dialog lets the user retype the client type; anything but GENERIC would print
    // another layout from lines this call never supplied.
    request_.PrintSucceeded = false;
    call.diagnostics.show({u"Attention!", u"Could not determine client type.", MessageIcon::Critical});
    return false;
  }
  return true;
}

}  // namespace control
