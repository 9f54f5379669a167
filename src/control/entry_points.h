#pragma once
// The two print methods of the control and its small methods, independent of the
// platform: the COM control and the native host both call these.

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string_view>

#include "control/diagnostics.h"
#include "control/label_request.h"
#include "control/request_windows.h"

namespace control {

// The two print methods.
enum class PrintMethod { PrintLabels, PrintGENERICLabels };

constexpr std::string_view methodName(PrintMethod method) {
  return method == PrintMethod::PrintLabels ? "PrintLabels" : "PrintGENERICLabels";
}

// A field's place among the method's parameters, from 1; 0 when the method does not take it.
constexpr int positionIn(PrintMethod method, const RequestField& field) {
  return method == PrintMethod::PrintLabels ? field.printLabelsPosition : field.printGenericLabelsPosition;
}

// How many of the method's parameters are stored into the request.
constexpr std::size_t storedFieldCount(PrintMethod method) {
  return static_cast<std::size_t>(
      std::ranges::count_if(kRequestFields, [method](const RequestField& f) { return positionIn(method, f) > 0; }));
}

// What both methods take after the fields they store, in this order; never stored.
inline constexpr std::array<std::string_view, 2> kDisplayFlags{"DisplayProperties", "DisplayDebugger"};

// The fields a method stores, in parameter order.
template <PrintMethod method>
inline constexpr auto kStoredFields = [] {
  std::array<Value LabelRequest::*, storedFieldCount(method)> fields{};
  for (const auto& field : kRequestFields)
    if (const int position = positionIn(method, field)) fields[static_cast<std::size_t>(position - 1)] = field.member;
  return fields;
}();

// A method's parameter names, in order: the fields it stores, then the display flags.
template <PrintMethod method>
inline constexpr auto kParameters = [] {
  constexpr std::size_t stored = storedFieldCount(method);
  std::array<std::string_view, stored + kDisplayFlags.size()> names{};
  for (const auto& field : kRequestFields)
    if (const int position = positionIn(method, field)) names[static_cast<std::size_t>(position - 1)] = field.parameter;
  std::ranges::copy(kDisplayFlags, names.begin() + stored);
  return names;
}();

inline constexpr const auto& kPrintLabelsParameters = kParameters<PrintMethod::PrintLabels>;
inline constexpr const auto& kPrintGenericLabelsParameters = kParameters<PrintMethod::PrintGENERICLabels>;

// The same, for a method known only when the program runs.
constexpr std::span<const std::string_view> parameterNames(PrintMethod method) {
  if (method == PrintMethod::PrintLabels) return kPrintLabelsParameters;
  return kPrintGenericLabelsParameters;
}
constexpr std::span<Value LabelRequest::* const> storedFields(PrintMethod method) {
  if (method == PrintMethod::PrintLabels) return kStoredFields<PrintMethod::PrintLabels>;
  return kStoredFields<PrintMethod::PrintGENERICLabels>;
}

// Where a parameter stands in the method's argument list, from 0; not a constant
// expression, so not compiled, for a parameter the method does not take.
constexpr std::size_t parameterIndex(PrintMethod method, std::string_view parameter) {
  const auto names = parameterNames(method);
  for (std::size_t i = 0; i < names.size(); ++i)
    if (names[i] == parameter) return i;
  throw std::invalid_argument("the method takes no such parameter");
}

namespace request_fields_checks {

// Each method's positions run from 1 without gaps or repeats; a field has a parameter name
// exactly when some method takes it.
consteval bool positionsRunWithoutGaps(PrintMethod method) {
  std::array<int, kRequestFields.size() + 1> seen{};
  for (const auto& field : kRequestFields) {
    const int position = positionIn(method, field);
    if (position == 0) continue;
    if (position < 0 || position > static_cast<int>(storedFieldCount(method)) ||
        seen[static_cast<std::size_t>(position)]++)
      return false;
  }
  return true;
}
static_assert(positionsRunWithoutGaps(PrintMethod::PrintLabels));
static_assert(positionsRunWithoutGaps(PrintMethod::PrintGENERICLabels));
static_assert(std::ranges::all_of(kRequestFields, [](const RequestField& f) {
  return f.parameter.empty() == (f.printLabelsPosition == 0 && f.printGenericLabelsPosition == 0);
}));

}  // namespace request_fields_checks

// The display flag test: the value's text form, lower-cased, equals "true". A Null never
// sets it; a value with no text form (an array, an error value) gives no answer at all.
std::optional<bool> displayFlag(const Value& value);

// Whether a call's diagnostics reach the sink: as its DisplayDebugger argument says (the
// control), or always (a host that hands them to its caller as data instead of showing them).
enum class DiagnosticsPolicy { AsDisplayDebuggerSays, Always };

class PrintEntryPoints {
 public:
  PrintEntryPoints(LabelRequest& request, RequestWindows& windows, DiagnosticsSink& diagnostics,
                   DiagnosticsPolicy policy = DiagnosticsPolicy::AsDisplayDebuggerSays)
      : request_(request), windows_(windows), sink_(diagnostics), policy_(policy) {}

  // Each returns the request's result. Neither ever throws, and neither writes into its arguments.
  bool PrintLabels(std::span<const Value> arguments);         // kPrintLabelsParameters
  bool PrintGENERICLabels(std::span<const Value> arguments);  // kPrintGenericLabelsParameters
  // The one of the two that `method` names.
  bool print(PrintMethod method, std::span<const Value> arguments) {
    return method == PrintMethod::PrintLabels ? PrintLabels(arguments) : PrintGENERICLabels(arguments);
  }
  void CloseConnection() { windows_.closePrintWindow(); }
  static std::int16_t GetControlVersion();

 private:
  // Whatever goes wrong ends the request with False; nothing reaches the host.
  bool neverThrowing(bool (PrintEntryPoints::*print)(std::span<const Value>), std::span<const Value> arguments);
  bool printLabels(std::span<const Value> arguments);
  bool printGenericLabels(std::span<const Value> arguments);
  // What both methods do first: the argument count checked, the fields stored, the display
  // flags read. Nothing when the request ends there (unprinted).
  struct Started {
    Diagnostics diagnostics;
    bool displayProperties;  // the settings dialogs are to be shown
  };
  std::optional<Started> start(PrintMethod method, std::span<const Value> arguments);
  // The rest of either method once its first steps are done.
  bool run(PrintMethod method, std::span<const Value> arguments);
  // PrintLabels shows both settings dialogs, PrintGENERICLabels the print parameters alone.
  bool showSettings(PrintMethod method, PrintCall& call);
  bool fail(const Diagnostics& diagnostics, std::u16string_view reason);
  Diagnostics diagnosticsFor(const Value& displayDebugger) const;

  LabelRequest& request_;
  RequestWindows& windows_;
  DiagnosticsSink& sink_;
  DiagnosticsPolicy policy_;
};

}  // namespace control
