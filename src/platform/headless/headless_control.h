#pragma once
// The control without a screen, assembled in one place: the request state, the virtual
// clock, the headless windows, the engine factory, where the printed labels go, the
// diagnostics and the print entry points, as Component assembles them for the COM control.
// Every Linux host, benchmark and test that prints through the control uses it.

#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "automation/value.h"
#include "control/diagnostics.h"
#include "control/entry_points.h"
#include "control/label_request.h"
#include "engine/print_sink.h"
#include "platform/headless/headless_windows.h"
#include "platform/headless/virtual_clock.h"

namespace headless {

// Where a call's diagnostics go.
enum class Diagnostics {
  Discarded,        // nowhere
  OnStandardError,  // one line each on standard error, when the call's DisplayDebugger reads "true"
  Collected,        // kept for the caller (diagnostics()), whatever DisplayDebugger says
};

// What the settings dialogs do when a call asks for them.
enum class SettingsDialogs {
  ClosedAsConfirmed,  // each closes at once as if "&Ok" were pressed
  OnTerminal,         // forms on the terminal when standard input is one; else as above
};

struct ControlOptions {
  Diagnostics diagnostics = Diagnostics::Discarded;
  SettingsDialogs dialogs = SettingsDialogs::ClosedAsConfirmed;
};

class HeadlessControl {
 public:
  // On the virtual label engine, which hands every printed label to `labels`, with a request
  // state of its own (the process's one).
  explicit HeadlessControl(std::shared_ptr<engine::PrintSink> labels, ControlOptions options = {});
  // The same on a request state it is lent (a service's shared one, or a copy of it), which
  // must outlive it.
  HeadlessControl(control::LabelRequest& request, std::shared_ptr<engine::PrintSink> labels,
                  ControlOptions options = {});
  // On another engine (a test's double), which must outlive it.
  HeadlessControl(control::LabelRequest& request, automation::ObjectFactory& engines, ControlOptions options = {});
  ~HeadlessControl();
  HeadlessControl(const HeadlessControl&) = delete;
  HeadlessControl& operator=(const HeadlessControl&) = delete;

  // One call of the method; never throws, never writes into the arguments.
  bool print(control::PrintMethod method, std::span<const automation::Value> arguments);

  control::LabelRequest& request() noexcept { return request_; }
  control::PrintEntryPoints& entryPoints() noexcept { return entryPoints_; }
  // The windows, for a test that plays the user.
  HeadlessRequestWindows& windows() noexcept { return windows_; }
  // The last call's diagnostics, with Diagnostics::Collected.
  const std::vector<control::DiagnosticMessage>& diagnostics() const noexcept;

 private:
  class DiagnosticsOutlet;
  struct Dialogs;
  HeadlessControl(control::LabelRequest* lent, std::unique_ptr<automation::ObjectFactory> own,
                  automation::ObjectFactory* engines, ControlOptions options);

  std::optional<control::LabelRequest> ownRequest_;
  control::LabelRequest& request_;
  std::unique_ptr<automation::ObjectFactory> ownEngines_;
  automation::ObjectFactory& engines_;
  VirtualClock clock_;
  HeadlessRequestWindows windows_;
  std::unique_ptr<Dialogs> dialogs_;
  std::unique_ptr<DiagnosticsOutlet> diagnostics_;
  control::PrintEntryPoints entryPoints_;
};

}  // namespace headless
