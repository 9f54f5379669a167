#pragma once
// Diagnostic displays: message boxes on Windows, one line on standard error headless.
// They are off unless the call's DisplayDebugger argument read "true".

#include <string>

namespace control {

enum class MessageIcon { None, Critical, Information };

struct DiagnosticMessage {
  std::u16string title;  // empty: the platform's default title
  std::u16string text;
  MessageIcon icon = MessageIcon::None;
  bool operator==(const DiagnosticMessage&) const = default;
};

class DiagnosticsSink {
 public:
  virtual ~DiagnosticsSink() = default;
  // Shows one message and returns when the user has acknowledged it.
  virtual void show(const DiagnosticMessage& message) = 0;
};

// The diagnostics of one print call: forwards to the sink only when switched on.
class Diagnostics {
 public:
  Diagnostics() = default;
  Diagnostics(DiagnosticsSink& sink, bool enabled) : sink_(&sink), enabled_(enabled) {}
  bool enabled() const noexcept { return enabled_ && sink_ != nullptr; }
  void show(const DiagnosticMessage& message) const {
    if (enabled()) sink_->show(message);
  }

 private:
  DiagnosticsSink* sink_ = nullptr;
  bool enabled_ = false;
};

}  // namespace control
