#include "label_page.h"

#include <algorithm>

namespace cups_printing {

engine::Bitmap layOut(const engine::Bitmap& label, const PageLayout& page) {
  engine::Bitmap out;
  out.width = page.width;
  out.height = page.height;
  out.rowBytes = (static_cast<std::size_t>(page.width) + 7) / 8;
  out.bits.assign(out.rowBytes * static_cast<std::size_t>(page.height), 0);
  if (!page.quarterTurn && page.xDpi == engine::kPrinterDpi && page.yDpi == engine::kPrinterDpi) {
    // The label as it is: whole rows, cut or padded.
    const std::size_t bytes = std::min(out.rowBytes, label.rowBytes);
    for (int y = 0; y < std::min(page.height, label.height); ++y) {
      std::copy_n(label.bits.begin() + static_cast<std::ptrdiff_t>(y * label.rowBytes), bytes,
                  out.bits.begin() + static_cast<std::ptrdiff_t>(y * out.rowBytes));
      // Dots of the label beyond the page's width in the last byte copied.
      if (const int spare = static_cast<int>(bytes * 8) - page.width; spare > 0)
        out.bits[y * out.rowBytes + bytes - 1] &= static_cast<std::uint8_t>(0xFF << spare);
    }
    return out;
  }
  // The label's extent as it lies on the page, in label dots.
  const int turnedWidth = page.quarterTurn ? label.height : label.width;
  const int turnedHeight = page.quarterTurn ? label.width : label.height;
  for (int y = 0; y < page.height; ++y) {
    const int v = static_cast<int>((static_cast<long long>(y) * 2 + 1) * engine::kPrinterDpi / (2 * page.yDpi));
    if (v >= turnedHeight) break;
    for (int x = 0; x < page.width; ++x) {
      const int u = static_cast<int>((static_cast<long long>(x) * 2 + 1) * engine::kPrinterDpi / (2 * page.xDpi));
      if (u >= turnedWidth) break;
      // A quarter turn clockwise: the page's column u is the label's row from the bottom.
      const bool ink = page.quarterTurn ? label.ink(v, label.height - 1 - u) : label.ink(u, v);
      if (ink) out.bits[static_cast<std::size_t>(y) * out.rowBytes + static_cast<std::size_t>(x) / 8] |= 0x80 >> (x % 8);
    }
  }
  return out;
}

}  // namespace cups_printing
