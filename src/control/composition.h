#pragma once
// Builds the label text lines of the PHYSICIAN and HOSPITAL layouts from the request.

#include "control/diagnostics.h"
#include "control/label_request.h"

namespace control {

enum class Composition { Composed, UnrecognisedClientType };

// Rewrites Line1 to Line8 for a PHYSICIAN or HOSPITAL request. Any other client type
// clears PrintSucceeded and leaves the lines alone. A value without a text form ends the
// composition part-way with an AutomationError.
Composition ComposeLabelLines(LabelRequest& request, const Diagnostics& diagnostics);

}  // namespace control
