#pragma once
// The windows a print request shows, each modally: the entry points only need to know
// whether a window loaded and closed normally.

#include "control/diagnostics.h"
#include "control/label_request.h"

namespace control {

// What a window of a running print call works on.
struct PrintCall {
  LabelRequest& request;
  const Diagnostics& diagnostics;
};

class RequestWindows {
 public:
  virtual ~RequestWindows() = default;
  // Each returns once its window has closed; false when the window failed to load,
  // in which case the request must end unprinted.
  virtual bool showPrintParameters(PrintCall& call) = 0;
  virtual bool showPatientData(PrintCall& call) = 0;
  virtual bool showPrintWindow(PrintCall& call) = 0;
  // Closes the print window from outside (the host's CloseConnection); harmless when none is shown.
  virtual void closePrintWindow() = 0;
};

}  // namespace control
