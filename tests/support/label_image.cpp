#include "label_image.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>

namespace engine_test {

int dots(int twips) { return static_cast<int>(std::lround(twips * 300.0 / 1440)); }

Box boxOf(const engine::LabelObject& object) {
  return {dots(object.left), dots(object.top), dots(object.left + object.width), dots(object.top + object.height)};
}

Box inkBox(const engine::Bitmap& bitmap, Box region) {
  region.right = std::min(region.right, bitmap.width);
  region.bottom = std::min(region.bottom, bitmap.height);
  Box ink{1 << 20, 1 << 20, -1, -1};
  for (int y = std::max(region.top, 0); y < region.bottom; ++y)
    for (int x = std::max(region.left, 0); x < region.right; ++x)
      if (bitmap.ink(x, y)) {
        ink.left = std::min(ink.left, x);
        ink.top = std::min(ink.top, y);
        ink.right = std::max(ink.right, x + 1);
        ink.bottom = std::max(ink.bottom, y + 1);
      }
  return ink.right < 0 ? Box{} : ink;
}

int inkCount(const engine::Bitmap& bitmap, Box region) {
  int count = 0;
  for (int y = region.top; y < region.bottom; ++y)
    for (int x = region.left; x < region.right; ++x) count += bitmap.ink(x, y);
  return count;
}

std::vector<Box> inkBands(const engine::Bitmap& bitmap, Box region) {
  std::vector<Box> bands;
  bool inBand = false;
  for (int y = region.top; y <= region.bottom; ++y) {
    const bool ink = y < region.bottom && inkCount(bitmap, {region.left, y, region.right, y + 1}) > 0;
    if (ink && !inBand) bands.push_back({region.left, y, region.right, y});
    if (!ink && inBand) bands.back().bottom = y;
    inBand = ink;
  }
  return bands;
}

}  // namespace engine_test
