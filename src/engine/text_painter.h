#pragma once
// What the label drawing asks of a drawing library: the size of one line of text in a font,
// and its grey coverage. Everything else (which part of a text shows, where each line goes,
// alignment, turning and mirroring, bar codes, thresholding) is decided once, in
// label_drawing.cpp, so that every back end burns the same dots where the fonts allow.
// Back ends: backends/pango_painter.cpp (Linux: pango, cairo, fontconfig) and
// backends/gdi_painter.cpp (Windows: GDI).

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "engine/bitmap.h"

namespace engine {

class RenderError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A line's logical extent in dots: its advance across, and above and below its baseline.
struct LineExtent {
  double width = 0;
  double ascent = 0;
  double descent = 0;
};

struct ResolvedFont {
  std::string family;
  bool bold = false;
  bool italic = false;
};

// Fonts are the engine's font strings ("Times New Roman, 8, Bold", see label.h), at 300 dpi.
// Each painter keeps its fonts between calls; it is not thread-safe.
class TextPainter {
 public:
  virtual ~TextPainter() = default;
  // Throws RenderError for a font string that is not a font.
  virtual LineExtent measure(const std::string& font, std::string_view line) = 0;
  // Adds the line's coverage to `canvas`, its logical box's left edge at x and its baseline
  // at y (canvas dots; the line may reach beyond the canvas, which clips it).
  virtual void paint(const CoverageView& canvas, const std::string& font, std::string_view line, double x, double y) = 0;
  // The installed face a font string is drawn with.
  virtual ResolvedFont resolve(const std::string& font) = 0;
};

// The platform's painter.
std::unique_ptr<TextPainter> makeTextPainter();

}  // namespace engine
