#pragma once
// The two print methods of the control and its small methods, independent of the
// platform: the COM control and the native host both call these.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "control/diagnostics.h"
#include "control/label_request.h"
#include "control/request_windows.h"

namespace control {

inline constexpr std::array<std::string_view, 21> kPrintLabelsParameters{
    "ClientType",    "ClientNumber",  "PrinterName",  "LabelCopies",          "Barcode",
    "AccessionNumber", "RequisitionNumber", "SampleID", "PatientID",         "PatientName",
    "PatientDOB",    "PatientGender", "TestNumber",   "TestName",             "PhysicianName",
    "CurrentDate",   "CurrentTime",   "Temperature",  "SpecimenRequirements", "DisplayProperties",
    "DisplayDebugger"};

inline constexpr std::array<std::string_view, 9> kPrintGenericLabelsParameters{
    "PrinterName", "LabelCopies", "Line1", "Line2", "Line3", "Line4", "Line5", "DisplayProperties",
    "DisplayDebugger"};

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
  bool PrintLabels(std::span<const Value> arguments);         // the 21 parameters above
  bool PrintGENERICLabels(std::span<const Value> arguments);  // the 9 parameters above
  void CloseConnection() { windows_.closePrintWindow(); }
  static std::int16_t GetControlVersion();

 private:
  // Whatever goes wrong ends the request with False; nothing reaches the host.
  bool neverThrowing(bool (PrintEntryPoints::*print)(std::span<const Value>), std::span<const Value> arguments);
  bool printLabels(std::span<const Value> arguments);
  bool printGenericLabels(std::span<const Value> arguments);
  bool fail(const Diagnostics& diagnostics, std::u16string_view reason);
  Diagnostics diagnosticsFor(const Value& displayDebugger) const;

  LabelRequest& request_;
  RequestWindows& windows_;
  DiagnosticsSink& sink_;
  DiagnosticsPolicy policy_;
};

}  // namespace control
