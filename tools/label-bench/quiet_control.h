#pragma once
// The control's print entry points over the virtual engine and headless windows, printing
// onto a given sink with the diagnostics dropped: what the benchmark times.

#include <memory>

#include "control/entry_points.h"
#include "engine/engine.h"
#include "platform/headless/headless_windows.h"

namespace bench {

class QuietControl {
 public:
  explicit QuietControl(std::shared_ptr<engine::PrintSink> sink) : engines_(std::move(sink)) {}
  control::PrintEntryPoints& entryPoints() { return control_; }

 private:
  struct QuietSink : control::DiagnosticsSink {
    void show(const control::DiagnosticMessage&) override {}
  };
  engine::EngineFactory engines_;
  headless::VirtualClock clock_;
  headless::HeadlessRequestWindows windows_{engines_, clock_};
  control::LabelRequest state_;
  QuietSink quiet_;
  control::PrintEntryPoints control_{state_, windows_, quiet_};
};

}  // namespace bench
