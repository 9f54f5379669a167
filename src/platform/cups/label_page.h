#pragma once
// The page a label is printed as: the label's 300-dpi dots turned to lie as the media lies
// in the printer, at the printer's resolution.

#include "engine/renderer.h"

namespace cups_printing {

struct PageLayout {
  int width = 0;   // dots across the page
  int height = 0;  // dots down the page
  int xDpi = static_cast<int>(engine::kPrinterDpi);
  int yDpi = static_cast<int>(engine::kPrinterDpi);
  // The media lies the other way round from the label: the label turns a quarter clockwise,
  // its top edge along the page's right edge.
  bool quarterTurn = false;
};

// The label (at 300 dpi) on the page: turned when the layout says so, each page dot taking
// the label dot under its centre, paper where the label does not reach.
engine::Bitmap layOut(const engine::Bitmap& label, const PageLayout& page);

}  // namespace cups_printing
