#pragma once
// Draws a label description as a 300-dpi direct thermal printer prints it: the label drawing
// (label_drawing.h) with the platform's text painter (pango on Linux, GDI on Windows), grey
// thresholded to burnt or blank dots. A LabelRenderer keeps its fonts, glyphs and canvases
// between labels, so keep one around for many labels; it is not thread-safe.

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "engine/bitmap.h"
#include "engine/label.h"
#include "engine/text_painter.h"

namespace engine {

class LabelRenderer {
 public:
  LabelRenderer();
  ~LabelRenderer();
  LabelRenderer(LabelRenderer&&) noexcept;
  LabelRenderer& operator=(LabelRenderer&&) noexcept;

  // Throws RenderError for a bar code the encoder refuses or a font string it cannot read.
  Bitmap render(const LabelDescription& label);
  std::vector<std::uint8_t> renderPng(const LabelDescription& label);

  // The installed face a font string such as "Times New Roman, 8, Bold" is drawn with.
  ResolvedFont resolve(std::string_view font);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// A 1-bit greyscale PNG recording the resolution, so viewers can show the label's real size.
std::vector<std::uint8_t> encodePng(const Bitmap& bitmap, double dpi = kPrinterDpi);
// Any PNG, thresholded at mid grey. Throws RenderError for data that is not a PNG.
Bitmap decodePng(const std::vector<std::uint8_t>& png);

}  // namespace engine
