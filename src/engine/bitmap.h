#pragma once
// The pictures of the label drawing: a 1-bit label as the print head burns it, and the grey
// coverage a drawing library paints text into before it is thresholded.

#include <cstddef>
#include <cstdint>
#include <vector>

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

// A rectangle of grey coverage in memory someone else owns (a Coverage, or part of one).
struct CoverageView {
  std::uint8_t* data = nullptr;
  int width = 0;
  int height = 0;
  std::size_t stride = 0;
  std::uint8_t* row(int y) const { return data + static_cast<std::size_t>(y) * stride; }
};

// Grey coverage, one byte a dot from 0 (paper) to 255 (ink); rows `stride` bytes apart, a
// multiple of four (as cairo and GDI lay out 8-bit images).
struct Coverage {
  int width = 0;
  int height = 0;
  std::size_t stride = 0;
  std::vector<std::uint8_t> grey;

  // Sized and cleared; keeps its memory for the next use.
  void reset(int newWidth, int newHeight) {
    width = newWidth;
    height = newHeight;
    stride = (static_cast<std::size_t>(newWidth) + 3) & ~std::size_t{3};
    grey.assign(stride * static_cast<std::size_t>(newHeight), 0);
  }
  std::uint8_t* row(int y) { return grey.data() + static_cast<std::size_t>(y) * stride; }
  // The part from (x, y), `w` x `h` dots, which must lie inside.
  CoverageView view(int x, int y, int w, int h) { return {row(y) + x, w, h, stride}; }
  CoverageView view() { return view(0, 0, width, height); }
  const std::uint8_t* row(int y) const { return grey.data() + static_cast<std::size_t>(y) * stride; }
};

}  // namespace engine
