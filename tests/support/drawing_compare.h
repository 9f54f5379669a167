#pragma once
// Two drawings of one label description, from different drawing libraries (pango on Linux,
// GDI on Windows), compared as the label's readers would: every bar code dot for dot, and
// every text's ink within a few dots of the same box.

#include <string>
#include <vector>

#include "engine/label.h"
#include "engine/renderer.h"

namespace engine_test {

struct DrawingComparison {
  int barCodes = 0;            // bar codes compared
  int texts = 0;               // texts with ink in either drawing
  int farthestText = 0;        // the largest distance of a text's ink box edge, in dots
  std::vector<std::string> differences;  // one line each, empty when the drawings agree
};

// `textTolerance` dots for a text's ink box edges. A bar code is compared within its box,
// leaving out the dots of other objects' boxes that reach into it.
DrawingComparison compareDrawings(const engine::LabelDescription& label, const engine::Bitmap& drawn,
                                  const engine::Bitmap& reference, int textTolerance = 2);

}  // namespace engine_test
