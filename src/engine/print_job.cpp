#include "engine/print_job.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <variant>

namespace engine {

namespace {

std::string lower(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(),
                 [](unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : static_cast<char>(c); });
  return result;
}

bool sameSize(int a, int b) { return std::abs(a - b) <= 50; }  // within half a millimetre

}  // namespace

std::optional<std::size_t> choosePrinter(std::span<const PrinterIdentity> printers, std::string_view wanted) {
  for (std::size_t i = 0; i < printers.size(); ++i)
    if (printers[i].name == wanted) return i;
  const std::string folded = lower(wanted);
  for (std::size_t i = 0; i < printers.size(); ++i) {
    if (lower(printers[i].name) == folded) return i;
    for (const std::string& description : printers[i].descriptions)
      if (!description.empty() && lower(description) == folded) return i;
  }
  return std::nullopt;
}

std::string describePrinters(std::span<const PrinterIdentity> printers) {
  std::string text;
  for (const PrinterIdentity& printer : printers) {
    text += (text.empty() ? "" : ", ") + printer.name;
    std::string described;
    for (const std::string& description : printer.descriptions)
      if (!description.empty()) described += (described.empty() ? "\"" : ", \"") + description + "\"";
    if (!described.empty()) text += " (" + described + ")";
  }
  return text;
}

int hundredthsOfMm(int twips) { return static_cast<int>(std::lround(twips * 2540.0 / kTwipsPerInch)); }

std::optional<PaperChoice> choosePaper(std::span<const PaperSize> papers, const LabelStock& stock) {
  const int width = hundredthsOfMm(stock.width), length = hundredthsOfMm(stock.height);
  for (const bool turned : {false, true})
    for (std::size_t i = 0; i < papers.size(); ++i)
      if (sameSize(papers[i].width, turned ? length : width) && sameSize(papers[i].length, turned ? width : length))
        return PaperChoice{i, turned};
  return std::nullopt;
}

std::string describeStock(const LabelStock& stock) {
  char text[96];
  std::snprintf(text, sizeof text, "%g x %g in", stock.width / static_cast<double>(kTwipsPerInch),
                stock.height / static_cast<double>(kTwipsPerInch));
  return std::string(text) + " (\"" + stock.name + "\")";
}

std::optional<Placement> placeInk(const Bitmap& page, int printableWidth, int printableHeight) {
  int left = page.width, top = page.height, right = 0, bottom = 0;  // the ink's box, right and bottom exclusive
  for (int y = 0; y < page.height; ++y)
    for (int x = 0; x < page.width; ++x)
      if (page.ink(x, y)) {
        left = std::min(left, x);
        right = std::max(right, x + 1);
        top = std::min(top, y);
        bottom = std::max(bottom, y + 1);
      }
  if (right <= left) return Placement{};  // a blank label
  // Along one axis: no move when the ink fits as it lies, else the least that brings it in.
  const auto along = [](int first, int end, int printable) -> std::optional<int> {
    if (end - first > printable) return std::nullopt;
    if (end > printable) return printable - end;
    if (first < 0) return -first;
    return 0;
  };
  const auto x = along(left, right, printableWidth), y = along(top, bottom, printableHeight);
  if (!x || !y) return std::nullopt;
  return Placement{*x, *y};
}

std::string jobTitle(const LabelDescription& label) {
  for (const auto& object : label.objects)
    if (const auto* barcode = std::get_if<BarcodeContent>(&object.content); barcode && !barcode->text.empty())
      return "Vantory label " + barcode->text;
  return "Vantory label";
}

std::string utcNow() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
#ifdef _WIN32
  gmtime_s(&utc, &now);
#else
  gmtime_r(&now, &utc);
#endif
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}


Bitmap layOut(const Bitmap& label, const PageLayout& page) {
  Bitmap out;
  out.width = page.width;
  out.height = page.height;
  out.rowBytes = (static_cast<std::size_t>(page.width) + 7) / 8;
  out.bits.assign(out.rowBytes * static_cast<std::size_t>(page.height), 0);
  if (!page.quarterTurn && page.xDpi == kPrinterDpi && page.yDpi == kPrinterDpi) {
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
    const int v = static_cast<int>((static_cast<long long>(y) * 2 + 1) * kPrinterDpi / (2 * page.yDpi));
    if (v >= turnedHeight) break;
    for (int x = 0; x < page.width; ++x) {
      const int u = static_cast<int>((static_cast<long long>(x) * 2 + 1) * kPrinterDpi / (2 * page.xDpi));
      if (u >= turnedWidth) break;
      // A quarter turn clockwise: the page's column u is the label's row from the bottom.
      const bool ink = page.quarterTurn ? label.ink(v, label.height - 1 - u) : label.ink(u, v);
      if (ink) out.bits[static_cast<std::size_t>(y) * out.rowBytes + static_cast<std::size_t>(x) / 8] |= 0x80 >> (x % 8);
    }
  }
  return out;
}

}  // namespace engine
