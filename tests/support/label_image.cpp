#include "label_image.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>

#include <zbar.h>

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

std::ostream& operator<<(std::ostream& out, const Scanned& s) { return out << s.type << ":" << s.data; }

std::vector<Scanned> scan(const engine::Bitmap& bitmap) {
  std::vector<std::uint8_t> grey(static_cast<std::size_t>(bitmap.width) * bitmap.height);
  for (int y = 0; y < bitmap.height; ++y)
    for (int x = 0; x < bitmap.width; ++x)
      grey[static_cast<std::size_t>(y) * bitmap.width + x] = bitmap.ink(x, y) ? 0 : 255;
  const std::unique_ptr<zbar::zbar_image_scanner_t, decltype(&zbar::zbar_image_scanner_destroy)> scanner(
      zbar::zbar_image_scanner_create(), zbar::zbar_image_scanner_destroy);
  zbar::zbar_image_scanner_set_config(scanner.get(), zbar::ZBAR_NONE, zbar::ZBAR_CFG_ENABLE, 1);
  zbar::zbar_image_scanner_set_config(scanner.get(), zbar::ZBAR_CODABAR, zbar::ZBAR_CFG_ENABLE, 1);
  zbar::zbar_image_scanner_set_config(scanner.get(), zbar::ZBAR_UPCA, zbar::ZBAR_CFG_ENABLE, 1);
  zbar::zbar_image_scanner_set_config(scanner.get(), zbar::ZBAR_UPCE, zbar::ZBAR_CFG_ENABLE, 1);
  const std::unique_ptr<zbar::zbar_image_t, decltype(&zbar::zbar_image_destroy)> image(zbar::zbar_image_create(),
                                                                                     zbar::zbar_image_destroy);
  zbar::zbar_image_set_format(image.get(), zbar_fourcc('Y', '8', '0', '0'));
  zbar::zbar_image_set_size(image.get(), static_cast<unsigned>(bitmap.width), static_cast<unsigned>(bitmap.height));
  zbar::zbar_image_set_data(image.get(), grey.data(), grey.size(), nullptr);
  zbar::zbar_scan_image(scanner.get(), image.get());
  std::vector<Scanned> found;
  for (const zbar::zbar_symbol_t* symbol = zbar::zbar_image_first_symbol(image.get()); symbol;
       symbol = zbar::zbar_symbol_next(symbol))
    found.push_back({zbar::zbar_get_symbol_name(zbar::zbar_symbol_get_type(symbol)), zbar::zbar_symbol_get_data(symbol)});
  return found;
}


}  // namespace engine_test
