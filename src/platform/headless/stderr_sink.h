#pragma once
// Diagnostics without a screen: one line per message on standard error.

#include <cstdio>

#include "automation/text.h"
#include "control/diagnostics.h"

namespace headless {

class StderrDiagnosticsSink : public control::DiagnosticsSink {
 public:
  void show(const control::DiagnosticMessage& message) override {
    const char* icon = message.icon == control::MessageIcon::Critical      ? "[stop] "
                       : message.icon == control::MessageIcon::Information ? "[info] "
                                                                           : "";
    std::fprintf(stderr, "%s%s: %s\n", icon, automation::toUtf8(message.title).c_str(),
                 automation::toUtf8(message.text).c_str());
  }
};

}  // namespace headless
