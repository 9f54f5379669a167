#pragma once
// Reading a drawn label the way a person or a scanner would: where the ink is, and what
// the bar codes say. Shared by the renderer's tests and the sample labels' golden tests.

#include <ostream>
#include <string>
#include <vector>

#include "engine/label.h"
#include "engine/renderer.h"

namespace engine_test {

// Twips to printer dots at 300 dpi.
int dots(int twips);

struct Box {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
  bool empty() const { return right <= left || bottom <= top; }
  int width() const { return right - left; }
  int height() const { return bottom - top; }
};

// The object's box in dots.
Box boxOf(const engine::LabelObject& object);
// The bounding box of the ink inside a region (all of the image by default).
Box inkBox(const engine::Bitmap& bitmap, Box region = {0, 0, 1 << 20, 1 << 20});
int inkCount(const engine::Bitmap& bitmap, Box region);
// Runs of rows holding ink: one per printed line of text.
std::vector<Box> inkBands(const engine::Bitmap& bitmap, Box region);

struct Scanned {
  std::string type;
  std::string data;
  bool operator==(const Scanned&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Scanned& s);

// What a scanner reads off the label.
std::vector<Scanned> scan(const engine::Bitmap& bitmap);

}  // namespace engine_test
