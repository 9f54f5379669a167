#include "engine/label_drawing.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

#include <zint.h>

#include "automation/text.h"
#include "engine/barcode_data.h"
#include "engine/c_resource.h"

namespace engine {

namespace {

using Symbol = CResource<zint_symbol, ZBarcode_Delete>;

constexpr double kDotsPerTwip = kPrinterDpi / kTwipsPerInch;
// Module widths of Size 0, 1 and 2 in dots: 6.7, 10 and 13.3 mil.
constexpr std::array<int, 3> kModuleDots{2, 3, 4};
// Bar heights of Size 0, 1 and 2: 1/4, 3/8 and 1/2 in. A layout gives a bar code a tall box
// and puts the next line a quarter inch further down; bars filling the box would run
// through that line.
constexpr std::array<int, 3> kBarHeightTwips{360, 540, 720};

// Boxes reaching further than this (about 14 000 in) are left out: positions stay well
// within what a drawing library's coordinates hold.
constexpr std::int64_t kFarthestDot = 1 << 22;

// A stock is drawn at most 8192 dots (over 27 in) a side: the canvas of a description
// naming a huge stock stays at 64 MiB.
constexpr std::int64_t kWidestStockDots = 1 << 13;

std::int64_t dots(std::int64_t twips) { return std::llround(static_cast<double>(twips) * kDotsPerTwip); }

double offset(Align align, double free) {
  switch (align) {
    case Align::Centre: return free / 2;
    case Align::End: return free;
    default: return 0;
  }
}

int zintSymbology(Symbology symbology) {
  switch (symbology) {
    case Symbology::Code39:
    case Symbology::Code39Mod43: return BARCODE_CODE39;
    case Symbology::Code128B: return BARCODE_CODE128B;
    case Symbology::Code128:
    case Symbology::Code128A:
    case Symbology::Code128C: return BARCODE_CODE128;
    case Symbology::UpcA: return BARCODE_UPCA;
    case Symbology::UpcE: return BARCODE_UPCE;
    case Symbology::Ean8:
    case Symbology::Ean13: return BARCODE_EANX;
    case Symbology::Codabar: return BARCODE_CODABAR;
  }
  return BARCODE_CODE128;
}

// A text is cut to what its box can show before it is laid out, so a huge text costs no more
// than the box: a line keeps as many characters as the box is dots wide (a character
// narrower than a dot does not show as one), the text as many lines as the box is dots
// high, and never more than kMostDrawnCharacters in all. Where an alignment shows a line's
// end or middle (or the text's last or middle lines), that part is kept.
constexpr std::size_t kMostDrawnCharacters = 1 << 16;

// The length of the UTF-8 character starting with this byte (1 for a stray byte).
std::size_t characterLength(unsigned char lead) { return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1; }

// Where the next line starts after one starting at `from`, and where this one ends.
struct LineSpan {
  std::size_t end, next;
};
LineSpan lineAt(std::string_view text, std::size_t from) {
  const std::size_t end = std::min(text.find_first_of("\r\n", from), text.size());
  if (end == text.size()) return {end, end};
  return {end, text.compare(end, 2, "\r\n") == 0 ? end + 2 : end + 1};
}

std::size_t countCharacters(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); i += characterLength(static_cast<unsigned char>(text[i]))) ++count;
  return count;
}

// The first index of `keep` out of `count` items that the alignment shows.
std::size_t firstShown(std::size_t count, std::size_t keep, Align align) {
  if (count <= keep) return 0;
  return align == Align::End ? count - keep : align == Align::Centre ? (count - keep) / 2 : 0;
}

// The characters [first, first + keep) of a line.
std::string_view charactersOf(std::string_view line, std::size_t first, std::size_t keep) {
  std::size_t begin = 0, index = 0;
  for (; begin < line.size() && index < first; ++index) begin += characterLength(static_cast<unsigned char>(line[begin]));
  std::size_t end = std::min(begin, line.size());
  for (index = 0; end < line.size() && index < keep; ++index) end += characterLength(static_cast<unsigned char>(line[end]));
  return line.substr(std::min(begin, line.size()), std::min(end, line.size()) - std::min(begin, line.size()));
}

struct ShownText {
  std::string text;
  bool firstLineShown = true;  // false when the cut dropped the first line (and its font)
};

ShownText shownPart(std::string_view text, std::int64_t dotsAcross, std::int64_t dotsDown, Align across, Align down) {
  const auto perLine = static_cast<std::size_t>(std::max<std::int64_t>(dotsAcross, 1));
  const auto lines = static_cast<std::size_t>(std::max<std::int64_t>(dotsDown, 1));
  if (text.size() <= std::min(perLine, kMostDrawnCharacters)) return {std::string(text)};  // nothing to cut

  std::size_t lineCount = 0;
  for (std::size_t at = 0;; at = lineAt(text, at).next) {
    ++lineCount;
    if (lineAt(text, at).end == text.size()) break;
  }
  const std::size_t firstLine = firstShown(lineCount, lines, down);
  ShownText shown;
  shown.firstLineShown = firstLine == 0;
  std::size_t budget = kMostDrawnCharacters;
  std::size_t at = 0;
  for (std::size_t line = 0; line < firstLine; ++line) at = lineAt(text, at).next;
  for (std::size_t line = 0; line < lines && budget > 0; ++line) {
    const LineSpan span = lineAt(text, at);
    const std::string_view content = text.substr(at, span.end - at);
    const std::size_t keep = std::min(perLine, budget);
    const std::string_view part = charactersOf(content, firstShown(countCharacters(content), keep, across), keep);
    shown.text.append(part);
    budget -= std::min(budget, countCharacters(part));
    if (span.end == text.size()) break;
    shown.text.append(text.substr(span.end, span.next - span.end));
    at = span.next;
  }
  return shown;
}

// The lines of a (cut) text.
std::vector<std::string_view> linesOf(std::string_view text) {
  std::vector<std::string_view> lines;
  for (std::size_t at = 0;;) {
    const LineSpan span = lineAt(text, at);
    lines.push_back(text.substr(at, span.end - at));
    if (span.end == text.size()) return lines;
    at = span.next;
  }
}

// Where the dots of an object's upright content land on the label. Objects turn by quarter
// turns about their box's centre and flip, so a content dot is exactly one label dot:
// (u, v) goes to (x0 + xu * u + xv * v, y0 + yu * u + yv * v), one of xu and xv being 0.
struct DotMap {
  std::int64_t x0 = 0, y0 = 0;
  int xu = 1, xv = 0, yu = 0, yv = 1;

  // A quarter turn clockwise of the content inside a box `width` dots wide (the content's
  // height): (u, v) -> (width - 1 - v, u) in the box.
  DotMap quarterTurn(std::int64_t width) const { return then({width - 1, 0, 0, -1, 1, 0}); }
  // Flipped left to right inside a box `width` dots wide.
  DotMap mirrored(std::int64_t width) const { return then({width - 1, 0, -1, 0, 0, 1}); }

  // This map applied after `inner` (inner maps the new content into this one's content).
  DotMap then(const DotMap& inner) const {
    DotMap m;
    m.x0 = x0 + xu * inner.x0 + xv * inner.y0;
    m.y0 = y0 + yu * inner.x0 + yv * inner.y0;
    m.xu = xu * inner.xu + xv * inner.yu;
    m.xv = xu * inner.xv + xv * inner.yv;
    m.yu = yu * inner.xu + yv * inner.yu;
    m.yv = yu * inner.xv + yv * inner.yv;
    return m;
  }

  // The content dots, of a content `width` x `height`, that land inside the label rectangle
  // [left, right) x [top, bottom): a rectangle [u0, u1) x [v0, v1), possibly empty.
  struct Span {
    std::int64_t u0, v0, u1, v1;
    bool empty() const { return u1 <= u0 || v1 <= v0; }
  };
  Span inverse(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom, std::int64_t width,
               std::int64_t height) const {
    // Both corners back into content dots; each label axis is one content axis.
    auto back = [&](std::int64_t x, std::int64_t y) {
      if (xu != 0) return std::pair{(x - x0) * xu, (y - y0) * yv};
      return std::pair{(y - y0) * yu, (x - x0) * xv};
    };
    const auto [ua, va] = back(left, top);
    const auto [ub, vb] = back(right - 1, bottom - 1);
    Span span{std::max<std::int64_t>(std::min(ua, ub), 0), std::max<std::int64_t>(std::min(va, vb), 0),
              std::min(std::max(ua, ub) + 1, width), std::min(std::max(va, vb) + 1, height)};
    return span;
  }
};

// How an object's coverage goes onto the label: ink (OVER) or paper (a light colour clears).
enum class Ink { Burn, Clear };

Ink inkFor(std::optional<Rgb> color) { return !color || printsDark(*color) ? Ink::Burn : Ink::Clear; }

// a * b / 255, rounded, for bytes.
inline unsigned multiply(unsigned a, unsigned b) {
  const unsigned t = a * b + 128;
  return (t + (t >> 8)) >> 8;
}

// The content part [u0, u0 + content.width) x [v0, ...) put on the label through `map`. The
// map keeps every content dot on the label (prepare() chose the part), so a row of content is
// a run of label dots a fixed step apart.
void composite(Coverage& label, const Coverage& content, std::int64_t u0, std::int64_t v0, const DotMap& map, Ink ink) {
  const std::ptrdiff_t step = map.xu + static_cast<std::ptrdiff_t>(map.yu) * static_cast<std::ptrdiff_t>(label.stride);
  for (int v = 0; v < content.height; ++v) {
    const std::uint8_t* source = content.row(v);
    const std::int64_t cv = v0 + v;
    const auto x = static_cast<int>(map.x0 + map.xu * u0 + map.xv * cv);
    const auto y = static_cast<int>(map.y0 + map.yu * u0 + map.yv * cv);
    std::uint8_t* target = label.row(y) + x;
    for (int u = 0; u < content.width; ++u, target += step) {
      const unsigned c = source[u];
      if (c == 0) continue;
      const unsigned kept = multiply(*target, 255 - c);
      *target = static_cast<std::uint8_t>(ink == Ink::Burn ? c + kept : kept);
    }
  }
}

// The top bits of eight coverage bytes as one byte, first pixel in the high bit: the
// multiply gathers bit 7 of byte i into bit 56 + i.
std::uint8_t packEight(const std::uint8_t* pixels) {
  std::uint64_t word;
  std::memcpy(&word, pixels, sizeof word);
  if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
  return static_cast<std::uint8_t>(((word & 0x8080808080808080ULL) * 0x0002040810204081ULL) >> 56);
}

// Grey to burnt or blank dots, at half.
Bitmap threshold(const Coverage& canvas) {
  Bitmap bitmap;
  bitmap.width = canvas.width;
  bitmap.height = canvas.height;
  bitmap.rowBytes = (static_cast<std::size_t>(bitmap.width) + 7) / 8;
  bitmap.bits.assign(bitmap.rowBytes * static_cast<std::size_t>(bitmap.height), 0);
  const std::size_t wholeBytes = static_cast<std::size_t>(bitmap.width) / 8;
  for (int y = 0; y < bitmap.height; ++y) {
    const std::uint8_t* source = canvas.row(y);
    std::uint8_t* row = bitmap.bits.data() + static_cast<std::size_t>(y) * bitmap.rowBytes;
    for (std::size_t i = 0; i < wholeBytes; ++i) row[i] = packEight(source + 8 * i);
    for (int x = static_cast<int>(wholeBytes * 8); x < bitmap.width; ++x)
      if (source[x] >= 0x80) row[x / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
  }
  return bitmap;
}

// The dots of a rectangle in content dots (any fractions): those whose centres it covers,
// as a whole-dot printer driver fills it.
void fillRectangle(const CoverageView& canvas, double x, double y, double width, double height, std::int64_t u0,
                   std::int64_t v0) {
  const auto first = [](double from) { return static_cast<std::int64_t>(std::ceil(from - 0.5)); };
  const std::int64_t left = std::max<std::int64_t>(first(x) - u0, 0);
  const std::int64_t right = std::min<std::int64_t>(first(x + width) - u0, canvas.width);
  const std::int64_t top = std::max<std::int64_t>(first(y) - v0, 0);
  const std::int64_t bottom = std::min<std::int64_t>(first(y + height) - v0, canvas.height);
  for (std::int64_t row = top; row < bottom; ++row)
    std::fill(canvas.row(static_cast<int>(row)) + left, canvas.row(static_cast<int>(row)) + std::max(left, right), 255);
}

class Drawing {
 public:
  Drawing(Coverage& label, Coverage& content, TextPainter& painter)
      : label_(label), content_(content), painter_(painter) {}

  void object(const LabelObject& object) {
    // Whole dots for the box, so bars land on the print head's grid.
    const std::int64_t left = dots(object.left), top = dots(object.top);
    const std::int64_t right = dots(std::int64_t{object.left} + object.width);
    const std::int64_t bottom = dots(std::int64_t{object.top} + object.height);
    if (right <= left || bottom <= top) return;
    if (std::max({-left, -top, right, bottom}) > kFarthestDot) return;
    // What of the box lies on the label.
    const std::int64_t visibleLeft = std::max<std::int64_t>(left, 0), visibleTop = std::max<std::int64_t>(top, 0);
    const std::int64_t visibleRight = std::min<std::int64_t>(right, label_.width);
    const std::int64_t visibleBottom = std::min<std::int64_t>(bottom, label_.height);
    if (visibleRight <= visibleLeft || visibleBottom <= visibleTop) return;
    visible_ = {visibleLeft, visibleTop, visibleRight, visibleBottom};

    const std::int64_t w = right - left, h = bottom - top;
    // The content lies in the box turned by the rotation, about the box's centre.
    DotMap map;
    std::int64_t contentWidth = w, contentHeight = h;
    switch (object.rotation) {
      case 90: map = {right - 1, top, 0, -1, 1, 0}; std::swap(contentWidth, contentHeight); break;
      case 180: map = {right - 1, bottom - 1, -1, 0, 0, -1}; break;
      case 270: map = {left, bottom - 1, 0, 1, -1, 0}; std::swap(contentWidth, contentHeight); break;
      default: map = {left, top, 1, 0, 0, 1}; break;
    }
    if (const auto* text = std::get_if<TextContent>(&object.content))
      drawText(*text, map, contentWidth, contentHeight);
    else
      drawBarcode(std::get<BarcodeContent>(object.content), object.name, map, contentWidth, contentHeight);
  }

 private:
  struct Rectangle {
    std::int64_t left, top, right, bottom;
  };

  // Readies the canvas for the content dots of a `width` x `height` content that land on the
  // label through `map`; false when none do. Content that lies on the label as it is and
  // burns is painted straight onto it; other content (turned, flipped, or clearing dots)
  // into content_, which finish() puts on the label.
  bool prepare(const DotMap& map, std::int64_t width, std::int64_t height, Ink ink) {
    span_ = map.inverse(visible_.left, visible_.top, visible_.right, visible_.bottom, width, height);
    if (span_.empty()) return false;
    const auto w = static_cast<int>(span_.u1 - span_.u0), h = static_cast<int>(span_.v1 - span_.v0);
    direct_ = ink == Ink::Burn && map.xu == 1 && map.yv == 1 && map.xv == 0 && map.yu == 0;
    if (direct_) {
      canvas_ = label_.view(static_cast<int>(map.x0 + span_.u0), static_cast<int>(map.y0 + span_.v0), w, h);
    } else {
      content_.reset(w, h);
      canvas_ = content_.view();
    }
    map_ = map;
    ink_ = ink;
    return true;
  }

  void finish() {
    if (!direct_) composite(label_, content_, span_.u0, span_.v0, map_, ink_);
  }

  void fillVisible(std::uint8_t value) {
    for (std::int64_t y = visible_.top; y < visible_.bottom; ++y)
      std::fill(label_.row(static_cast<int>(y)) + visible_.left, label_.row(static_cast<int>(y)) + visible_.right, value);
  }

  // Paints a line whose logical box starts at (x, top) in content dots, if it reaches the
  // visible part.
  void paintLine(const std::string& font, std::string_view line, const LineExtent& extent, double x, double top) {
    if (line.empty()) return;
    const double u = x - static_cast<double>(span_.u0), v = top - static_cast<double>(span_.v0);
    if (v >= canvas_.height || v + extent.ascent + extent.descent <= 0 || u >= canvas_.width || u + extent.width <= 0)
      return;
    painter_.paint(canvas_, font, line, u, v + extent.ascent);
  }

  void drawText(const TextContent& text, DotMap map, std::int64_t width, std::int64_t height) {
    if (const auto background = colorOf(text.backgroundColor)) fillVisible(printsDark(*background) ? 255 : 0);
    if (text.text.empty()) return;
    if (text.mirrored) map = map.then(DotMap{}.mirrored(width));
    if (text.vertical) {  // a quarter turn clockwise: reads top to bottom
      map = map.then(DotMap{}.quarterTurn(width));
      std::swap(width, height);
    }
    if (!prepare(map, width, height, inkFor(colorOf(text.textColor)))) return;

    const Align align = horizontalAlign(text.justify);
    // Nothing beyond the label shows, whatever the box's size.
    const std::int64_t reach = std::max(label_.width, label_.height);
    const ShownText shown = shownPart(text.text, std::min(width, reach), std::min(height, reach), align,
                                      verticalAlign(text.vJustify));
    const std::vector<std::string_view> lines = linesOf(shown.text);
    std::vector<LineExtent> extents;
    extents.reserve(lines.size());
    double blockWidth = 0, blockHeight = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const std::string& font = i == 0 && shown.firstLineShown ? text.font1 : text.font2;
      extents.push_back(painter_.measure(font, lines[i]));
      blockWidth = std::max(blockWidth, extents.back().width);
      blockHeight += extents.back().ascent + extents.back().descent;
    }
    // The block of lines by Justify and VJustify, each line within it by Justify.
    const double blockLeft = offset(align, static_cast<double>(width) - blockWidth);
    double top = offset(verticalAlign(text.vJustify), static_cast<double>(height) - blockHeight);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const std::string& font = i == 0 && shown.firstLineShown ? text.font1 : text.font2;
      paintLine(font, lines[i], extents[i], blockLeft + offset(align, blockWidth - extents[i].width), top);
      top += extents[i].ascent + extents[i].descent;
    }
    finish();
  }

  void drawBarcode(const BarcodeContent& code, const std::string& name, const DotMap& map, std::int64_t width,
                   std::int64_t height) {
    const auto symbology = symbologyOf(code.bcType);
    if (!symbology)
      throw RenderError("bar code \"" + automation::abbreviated(name) + "\" has the unknown BCType " +
                        std::to_string(code.bcType));
    if (code.text.empty()) return;
    const std::string data = encoderData(*symbology, code.text);

    const Symbol symbol(ZBarcode_Create());
    if (!symbol) throw std::bad_alloc();
    symbol->symbology = zintSymbology(*symbology);
    symbol->input_mode = UNICODE_MODE;
    symbol->show_hrt = 0;
    symbol->scale = 0.5f;  // vector units are then modules
    if (*symbology == Symbology::Code39Mod43) symbol->option_2 = 1;
    const int status = ZBarcode_Encode_and_Buffer_Vector(
        symbol.get(), reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()), 0);
    if (status >= ZINT_ERROR || !symbol->vector)
      throw RenderError("bar code \"" + automation::abbreviated(name) + "\": " + symbol->errtxt);

    // The extent of the bars in modules (the vector output leaves room for text and quiet
    // zones that the label does not want).
    double barsLeft = 1e9, barsRight = 0, barsBottom = 0;
    for (const zint_vector_rect* bar = symbol->vector->rectangles; bar; bar = bar->next) {
      barsLeft = std::min<double>(barsLeft, bar->x);
      barsRight = std::max<double>(barsRight, bar->x + bar->width);
      barsBottom = std::max<double>(barsBottom, bar->y + bar->height);
    }
    if (barsRight <= barsLeft || barsBottom <= 0) return;
    const double modules = barsRight - barsLeft;

    const char* readable = reinterpret_cast<const char*>(symbol->text);
    const std::string caption = code.textPos == 0 ? std::string() : *readable ? std::string(readable) : code.text;
    LineExtent captionExtent;
    if (code.textPos != 0) captionExtent = painter_.measure(code.font, caption);
    const double captionHeight = captionExtent.ascent + captionExtent.descent;

    // The widest whole-dot module that fits the box; a symbol too long even at one dot is
    // squeezed to fit, as a printer driver would.
    const auto size = static_cast<std::size_t>(std::clamp(code.size, 0, 2));
    const auto boxWidth = static_cast<double>(width), boxHeight = static_cast<double>(height);
    double module = kModuleDots[size];
    if (modules * module > boxWidth) module = std::floor(boxWidth / modules);
    if (module < 1) module = boxWidth / modules;
    const double symbolWidth = modules * module;
    // The symbol stands at the top of its box: caption above (TextPos 1) or below the bars.
    const double barsHeight = std::min(std::max(boxHeight - captionHeight, boxHeight / 2),
                                       std::round(kBarHeightTwips[size] * kDotsPerTwip));
    const double left = std::round(offset(horizontalAlign(code.justify), boxWidth - symbolWidth));
    const double barsTop = code.textPos == 1 ? captionHeight : 0;
    const double yScale = barsHeight / barsBottom;

    if (!prepare(map, width, height, Ink::Burn)) return;
    for (const zint_vector_rect* bar = symbol->vector->rectangles; bar; bar = bar->next)
      fillRectangle(canvas_, left + (bar->x - barsLeft) * module, barsTop + bar->y * yScale, bar->width * module,
                    bar->height * yScale, span_.u0, span_.v0);
    if (code.textPos != 0) {
      const double captionTop = code.textPos == 1 ? 0 : barsTop + barsHeight;
      paintLine(code.font, caption, captionExtent, left + (symbolWidth - captionExtent.width) / 2, captionTop);
    }
    finish();
  }

  Coverage& label_;
  Coverage& content_;
  TextPainter& painter_;
  Rectangle visible_{};
  DotMap::Span span_{};
  CoverageView canvas_;  // where the object's content is painted
  bool direct_ = false;  // canvas_ is part of the label
  DotMap map_;
  Ink ink_ = Ink::Burn;
};

}  // namespace

Bitmap LabelDrawing::draw(const LabelDescription& label, TextPainter& painter) {
  const auto width = static_cast<int>(std::clamp<std::int64_t>(dots(label.stock.width), 1, kWidestStockDots));
  const auto height = static_cast<int>(std::clamp<std::int64_t>(dots(label.stock.height), 1, kWidestStockDots));
  label_.reset(width, height);
  Drawing drawing(label_, content_, painter);
  for (const LabelObject& object : label.objects) drawing.object(object);
  return threshold(label_);
}

}  // namespace engine
