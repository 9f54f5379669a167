// Scanning a drawn label as a bar code scanner would, through zbar (native only).

#include <cstdint>
#include <memory>

#include <zbar.h>

#include "label_image.h"

namespace engine_test {

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
