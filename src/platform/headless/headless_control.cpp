#include "platform/headless/headless_control.h"

#include <iostream>
#include <sstream>

#include "engine/engine.h"
#include "platform/headless/stderr_sink.h"
#include "platform/headless/terminal_dialogs.h"

namespace headless {

class HeadlessControl::DiagnosticsOutlet : public control::DiagnosticsSink {
 public:
  explicit DiagnosticsOutlet(Diagnostics where) : where_(where) {}
  void show(const control::DiagnosticMessage& message) override {
    if (where_ == Diagnostics::OnStandardError) standardError_.show(message);
    if (where_ == Diagnostics::Collected) messages.push_back(message);
  }
  std::vector<control::DiagnosticMessage> messages;

 private:
  Diagnostics where_;
  StderrDiagnosticsSink standardError_;
};

// The streams the terminal dialogs read and write: the terminal's, or none (a dialog then
// closes as if "&Ok" were pressed).
struct HeadlessControl::Dialogs {
  std::istringstream noInput;
  std::ostringstream noOutput;
};

HeadlessControl::HeadlessControl(std::shared_ptr<engine::PrintSink> labels, ControlOptions options)
    : HeadlessControl(nullptr, std::make_unique<engine::EngineFactory>(std::move(labels)), nullptr, options) {}

HeadlessControl::HeadlessControl(control::LabelRequest& request, std::shared_ptr<engine::PrintSink> labels,
                                 ControlOptions options)
    : HeadlessControl(&request, std::make_unique<engine::EngineFactory>(std::move(labels)), nullptr, options) {}

HeadlessControl::HeadlessControl(control::LabelRequest& request, automation::ObjectFactory& engines,
                                 ControlOptions options)
    : HeadlessControl(&request, nullptr, &engines, options) {}

HeadlessControl::HeadlessControl(control::LabelRequest* lent, std::unique_ptr<automation::ObjectFactory> own,
                                 automation::ObjectFactory* engines, ControlOptions options)
    : ownRequest_(lent ? std::nullopt : std::make_optional<control::LabelRequest>()),
      request_(lent ? *lent : *ownRequest_),
      ownEngines_(std::move(own)),
      engines_(engines ? *engines : *ownEngines_),
      windows_(engines_, clock_),
      dialogs_(std::make_unique<Dialogs>()),
      diagnostics_(std::make_unique<DiagnosticsOutlet>(options.diagnostics)),
      entryPoints_(request_, windows_, *diagnostics_,
                   options.diagnostics == Diagnostics::Collected ? control::DiagnosticsPolicy::Always
                                                                 : control::DiagnosticsPolicy::AsDisplayDebuggerSays) {
  if (options.dialogs == SettingsDialogs::OnTerminal)
    useTerminalDialogs(windows_, std::cin, std::cout, standardInputIsTerminal());
  else
    useTerminalDialogs(windows_, dialogs_->noInput, dialogs_->noOutput, false);
}

HeadlessControl::~HeadlessControl() = default;

bool HeadlessControl::print(control::PrintMethod method, std::span<const automation::Value> arguments) {
  diagnostics_->messages.clear();
  return entryPoints_.print(method, arguments);
}

const std::vector<control::DiagnosticMessage>& HeadlessControl::diagnostics() const noexcept {
  return diagnostics_->messages;
}

}  // namespace headless
