#pragma once
// Reads what a LabelWriter receives (the raster2dymolw byte stream) back into the labels its
// head would burn: one bitmap per label, a row per line fed, a column per head dot.

#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

#include "engine/renderer.h"

namespace cups_test {

class StreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr int kHeadDots = 672;  // a LabelWriter 450's head: 84 bytes of 8 dots

// Throws StreamError for a command it does not know or a stream that ends inside one.
std::vector<engine::Bitmap> decodeLabelWriter(std::span<const std::uint8_t> stream);

}  // namespace cups_test
