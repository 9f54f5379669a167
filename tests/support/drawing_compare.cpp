#include "drawing_compare.h"

#include <algorithm>
#include <cstdlib>

#include "label_image.h"

namespace engine_test {

namespace {

bool inside(const Box& box, int x, int y) { return x >= box.left && x < box.right && y >= box.top && y < box.bottom; }

std::string describe(const Box& box) {
  return "(" + std::to_string(box.left) + ", " + std::to_string(box.top) + ")-(" + std::to_string(box.right) + ", " +
         std::to_string(box.bottom) + ")";
}

}  // namespace

DrawingComparison compareDrawings(const engine::LabelDescription& label, const engine::Bitmap& drawn,
                                  const engine::Bitmap& reference, int textTolerance) {
  DrawingComparison result;
  if (drawn.width != reference.width || drawn.height != reference.height) {
    result.differences.push_back("the drawings are " + std::to_string(drawn.width) + " x " + std::to_string(drawn.height) +
                                 " and " + std::to_string(reference.width) + " x " + std::to_string(reference.height) +
                                 " dots");
    return result;
  }
  const Box whole{0, 0, drawn.width, drawn.height};
  for (const engine::LabelObject& object : label.objects) {
    Box box = boxOf(object);
    box = {std::max(box.left, 0), std::max(box.top, 0), std::min(box.right, whole.right), std::min(box.bottom, whole.bottom)};
    if (box.empty()) continue;
    if (object.kind() == engine::ObjectKind::Barcode) {
      ++result.barCodes;
      std::vector<Box> others;
      for (const engine::LabelObject& other : label.objects)
        if (&other != &object) others.push_back(boxOf(other));
      int differing = 0;
      for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x)
          if (std::none_of(others.begin(), others.end(), [&](const Box& other) { return inside(other, x, y); }))
            differing += drawn.ink(x, y) != reference.ink(x, y);
      if (differing != 0)
        result.differences.push_back("bar code " + object.name + ": " + std::to_string(differing) + " dots differ");
      continue;
    }
    const Box ink = inkBox(drawn, box), expected = inkBox(reference, box);
    if (ink.empty() != expected.empty()) {
      result.differences.push_back("text " + object.name + " has ink in one drawing only");
      continue;
    }
    if (ink.empty()) continue;
    ++result.texts;
    const int off = std::max({std::abs(ink.left - expected.left), std::abs(ink.top - expected.top),
                              std::abs(ink.right - expected.right), std::abs(ink.bottom - expected.bottom)});
    result.farthestText = std::max(result.farthestText, off);
    if (off > textTolerance)
      result.differences.push_back("text " + object.name + " has its ink " + std::to_string(off) + " dots away: " +
                                   describe(ink) + " against " + describe(expected));
  }
  return result;
}

}  // namespace engine_test
