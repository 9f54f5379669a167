#pragma once
// The three label layouts. Each creates its own engine, builds one label from the request,
// prints all copies in one call and releases everything; a failure clears PrintSucceeded
// and never escapes.

#include <cstdint>
#include <memory>

#include "automation/value.h"
#include "control/request_windows.h"

namespace printing {

struct PrintJob {
  automation::ObjectFactory& engines;
  control::PrintCall& call;
};

void PrintPHYSICIANLabels(PrintJob job);
void PrintHOSPITALLabels(PrintJob job);
void PrintGENERICLabels(PrintJob job);

// One marked-up line ("TXT^text", "TXTBOLD^text", "BCD^data") becomes at most one object
// named objectName at nextObjectTop, which advances by the row the object takes. The line
// itself is left as it is. A non-empty line without "^" or a Null line is an AutomationError.
void ParseGenericLine(automation::Object& engine, const automation::Value& objectName,
                      const automation::Value& line, automation::Value& nextObjectTop);

}  // namespace printing
