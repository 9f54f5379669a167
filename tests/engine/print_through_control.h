#pragma once
// The native host's path in one call: arguments through the control's entry points onto a
// fresh virtual engine printing to `sink`, on headless windows and a virtual clock, with the
// diagnostics unseen.

#include <memory>
#include <span>

#include "control/entry_points.h"
#include "engine/engine.h"
#include "host_request.h"
#include "platform/headless/headless_windows.h"

namespace engine_test {

inline bool printThroughControl(std::shared_ptr<engine::PrintSink> sink, host::Method method,
                                std::span<const automation::Value> arguments) {
  struct Unseen : control::DiagnosticsSink {
    void show(const control::DiagnosticMessage&) override {}
  } diagnostics;
  engine::EngineFactory engines(std::move(sink));
  headless::VirtualClock clock;
  headless::HeadlessRequestWindows windows(engines, clock);
  control::LabelRequest state;
  control::PrintEntryPoints control(state, windows, diagnostics);
  return method == host::Method::PrintLabels ? control.PrintLabels(arguments) : control.PrintGENERICLabels(arguments);
}

}  // namespace engine_test
