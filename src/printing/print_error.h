#pragma once
// The one way a print job fails: the result becomes False, the diagnostics (when on)
// say what failed, the caller releases what it holds, and nothing is raised.

#include <exception>

#include "control/request_windows.h"

namespace printing {

enum class FailureStage {
  EngineSetup = 1,  // creating (and, for some layouts, preparing) the engine
  Layout = 2,       // placing objects and printing
};

void ReportPrintError(FailureStage stage, const std::exception& error, control::PrintCall& call);

}  // namespace printing
