#pragma once
// The label drawing itself, the same on every platform: a description becomes the 1-bit
// 300-dpi picture a direct thermal head burns. The placement of every object in dots, the
// part of a text its box can show, the lines' places by Justify and VJustify, rotation,
// mirroring and vertical text, bar codes (libzint) and their geometry, colours and the
// threshold are computed here; a TextPainter only measures and paints lines of text.

#include "engine/bitmap.h"
#include "engine/label.h"
#include "engine/text_painter.h"

namespace engine {

// Keeps its canvases between labels.
class LabelDrawing {
 public:
  // Throws RenderError for a bar code the encoder refuses or a font string that is not a font.
  Bitmap draw(const LabelDescription& label, TextPainter& painter);

 private:
  Coverage label_;    // the whole label
  Coverage content_;  // one object's visible part, upright
};

}  // namespace engine
