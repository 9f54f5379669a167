#pragma once
// What every sink that prints labels on real printers shares, whatever the printing system
// (CUPS on Linux, the spooler on Windows): which printer a label's printer name names, which
// paper takes the label, the page the label is printed as, the job's name and time.

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/bitmap.h"
#include "engine/label.h"

namespace engine {

// A printer as its printing system lists it: its name, and the texts that describe it (a CUPS
// queue's printer-info; a Windows printer's comment and location).
struct PrinterIdentity {
  std::string name;
  std::vector<std::string> descriptions;
};

// The printer a label's printer name names: the one with exactly that name, else the first
// whose name or any description equals it with letter case ignored (lab IT names printers
// in descriptions). Nothing when none does.
std::optional<std::size_t> choosePrinter(std::span<const PrinterIdentity> printers, std::string_view wanted);
// The printers for a message: `LW450 ("DYMO LabelWriter 450"), PDF`; "" for none.
std::string describePrinters(std::span<const PrinterIdentity> printers);

// A paper (media) size in hundredths of a millimetre, as the printing system lists it.
struct PaperSize {
  int width = 0;   // across the page as it goes through the printer
  int length = 0;  // along it
};
struct PaperChoice {
  std::size_t index = 0;
  // The paper lies the other way round from the label: the label turns a quarter clockwise.
  bool quarterTurn = false;
};
// The first paper of the stock's size lying as the label does, else the first of its size
// turned; within half a millimetre. Nothing when none fits.
std::optional<PaperChoice> choosePaper(std::span<const PaperSize> papers, const LabelStock& stock);
// Twips to hundredths of a millimetre.
int hundredthsOfMm(int twips);
// "2.25 x 1.25 in (\"Small 2-1/4 in x 1-1/4 in\")": the stock's size, for messages.
std::string describeStock(const LabelStock& stock);

// The page a label is printed as: the label's 300-dpi dots turned to lie as the paper lies
// in the printer, at the printer's resolution.
struct PageLayout {
  int width = 0;   // dots across the page
  int height = 0;  // dots down the page
  int xDpi = static_cast<int>(kPrinterDpi);
  int yDpi = static_cast<int>(kPrinterDpi);
  // The paper lies the other way round from the label: the label turns a quarter clockwise,
  // its top edge along the page's right edge.
  bool quarterTurn = false;
};

// The label (at 300 dpi) on the page: turned when the layout says so, each page dot taking
// the label dot under its centre, paper where the label does not reach.
Bitmap layOut(const Bitmap& label, const PageLayout& page);

// Where a page goes in a printer's printable area, as an offset from the area's origin (where
// a driver's drawing starts, and the LabelWriter's bytes start): (0, 0), so that the dots land
// where the CUPS sink puts them, unless some ink would then lie beyond the printable area (a
// driver cuts it off): then the page moves as little as keeps all its ink inside. Nothing when
// the ink is larger than the printable area: printing it would lose part of the label.
struct Placement {
  int x = 0;
  int y = 0;
  bool operator==(const Placement&) const = default;
};
std::optional<Placement> placeInk(const Bitmap& page, int printableWidth, int printableHeight);

// "Vantory label" and the label's bar code data, the name of the label's print job.
std::string jobTitle(const LabelDescription& label);
// Now, UTC, as "2026-01-31T08:15:00Z".
std::string utcNow();

}  // namespace engine
