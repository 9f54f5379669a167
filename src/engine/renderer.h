#pragma once
// Draws a label description as a 300-dpi direct thermal printer prints it: text through
// pango and fontconfig, bar codes through libzint, grey thresholded to burnt or blank dots.
// A LabelRenderer keeps its font map, fonts and glyphs between labels, so keep one around
// for many labels; it is not thread-safe.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/label.h"

namespace engine {

inline constexpr double kPrinterDpi = 300;

// A 1-bit image; a set bit is a burnt (black) dot. Rows are packed most significant bit first.
struct Bitmap {
  int width = 0;
  int height = 0;
  std::size_t rowBytes = 0;
  std::vector<std::uint8_t> bits;

  bool ink(int x, int y) const {
    return (bits[static_cast<std::size_t>(y) * rowBytes + static_cast<std::size_t>(x) / 8] >> (7 - x % 8)) & 1;
  }
  bool operator==(const Bitmap&) const = default;
};

class RenderError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ResolvedFont {
  std::string family;
  bool bold = false;
  bool italic = false;
};

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
