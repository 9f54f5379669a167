#pragma once
// Doubles shared by the core's tests.

#include <functional>
#include <string>
#include <vector>

#include "control/diagnostics.h"
#include "control/request_windows.h"

namespace testing_support {

class RecordingSink : public control::DiagnosticsSink {
 public:
  void show(const control::DiagnosticMessage& message) override { messages.push_back(message); }
  std::vector<control::DiagnosticMessage> messages;
};

// Windows that record what was shown and run an optional action against the request,
// as a user or the print window would.
class ScriptedWindows : public control::RequestWindows {
 public:
  using Action = std::function<bool(control::PrintCall&)>;

  bool showPrintParameters(control::PrintCall& call) override { return run("parameters", onParameters, call); }
  bool showPatientData(control::PrintCall& call) override { return run("patient", onPatient, call); }
  bool showPrintWindow(control::PrintCall& call) override { return run("print", onPrint, call); }
  void closePrintWindow() override { shown.push_back("close"); }

  Action onParameters, onPatient, onPrint;
  std::vector<std::string> shown;

 private:
  bool run(const char* name, const Action& action, control::PrintCall& call) {
    shown.push_back(name);
    return action ? action(call) : true;
  }
};

}  // namespace testing_support
