#include "control/entry_points.h"

#include <exception>

#include "automation/text.h"
#include "control/composition.h"
#include "control/version.h"

namespace control {

namespace {

using FieldMember = Value LabelRequest::*;

constexpr std::array<FieldMember, 19> kPrintLabelsFields{
    &LabelRequest::ClientType,    &LabelRequest::ClientNumber,      &LabelRequest::PrinterName,
    &LabelRequest::LabelCopies,   &LabelRequest::BarCode,           &LabelRequest::AccessionNumber,
    &LabelRequest::RequisitionNumber, &LabelRequest::SampleID,      &LabelRequest::PatientID,
    &LabelRequest::PatientName,   &LabelRequest::PatientDOB,        &LabelRequest::PatientGender,
    &LabelRequest::TestNumber,    &LabelRequest::TestName,          &LabelRequest::PhysicianName,
    &LabelRequest::CurrentDate,   &LabelRequest::CurrentTime,       &LabelRequest::Temperature,
    &LabelRequest::SpecimenRequirements};

constexpr std::array<FieldMember, 7> kPrintGenericLabelsFields{
    &LabelRequest::PrinterName, &LabelRequest::LabelCopies, &LabelRequest::Line1, &LabelRequest::Line2,
    &LabelRequest::Line3,       &LabelRequest::Line4,       &LabelRequest::Line5};

constexpr std::size_t kDisplayPropertiesAt = 19;  // index into PrintLabels' arguments

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

bool PrintEntryPoints::printLabels(std::span<const Value> arguments) {
  request_.PrintSucceeded = true;
  if (arguments.size() != kPrintLabelsParameters.size()) {
    request_.PrintSucceeded = false;
    return false;
  }
  for (std::size_t i = 0; i < kPrintLabelsFields.size(); ++i) request_.*kPrintLabelsFields[i] = arguments[i];

  const auto showSettings = displayFlag(arguments[kDisplayPropertiesAt]);
  const Diagnostics diagnostics = diagnosticsFor(arguments[kDisplayPropertiesAt + 1]);
  if (!showSettings) return fail(diagnostics, u"DisplayProperties has no text form.");

  PrintCall call{request_, diagnostics};
  if (*showSettings) {
    if (!windows_.showPrintParameters(call)) return fail(diagnostics, u"the print parameters dialog failed.");
    if (!windows_.showPatientData(call)) return fail(diagnostics, u"the patient data dialog failed.");
  }

  try {
    if (ComposeLabelLines(request_, diagnostics) != Composition::Composed) return false;
  } catch (const automation::AutomationError& error) {
    return fail(diagnostics, u"a request value has no text form: " + describe(error));
  }

  if (!windows_.showPrintWindow(call)) return fail(diagnostics, u"the print window failed to load.");
  return request_.PrintSucceeded;
}

bool PrintEntryPoints::printGenericLabels(std::span<const Value> arguments) {
  request_.ClientType = Value::string(u"GENERIC");
  request_.PrintSucceeded = true;
  if (arguments.size() != kPrintGenericLabelsParameters.size()) {
    request_.PrintSucceeded = false;
    return false;
  }
  for (std::size_t i = 0; i < kPrintGenericLabelsFields.size(); ++i)
    request_.*kPrintGenericLabelsFields[i] = arguments[i];

  const std::size_t displayPropertiesAt = kPrintGenericLabelsFields.size();
  const auto showSettings = displayFlag(arguments[displayPropertiesAt]);
  const Diagnostics diagnostics = diagnosticsFor(arguments[displayPropertiesAt + 1]);
  if (!showSettings) return fail(diagnostics, u"DisplayProperties has no text form.");

  PrintCall call{request_, diagnostics};
  if (*showSettings) {
    if (!windows_.showPrintParameters(call)) return fail(diagnostics, u"the print parameters dialog failed.");
    // The dialog lets the user retype the client type; anything but GENERIC would print
    // another layout from lines this call never supplied.
    if (!automation::equalsText(request_.ClientType, u"GENERIC")) {
      request_.PrintSucceeded = false;
      diagnostics.show({u"Attention!", u"Could not determine client type.", MessageIcon::Critical});
      return false;
    }
  }

  if (!windows_.showPrintWindow(call)) return fail(diagnostics, u"the print window failed to load.");
  return request_.PrintSucceeded;
}

}  // namespace control
