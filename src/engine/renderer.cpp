#include "engine/renderer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <numbers>
#include <unordered_map>

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <zint.h>

#include "automation/text.h"
#include "engine/barcode_data.h"

namespace engine {

namespace {

template <auto Free>
struct Deleter {
  template <typename T>
  void operator()(T* pointer) const {
    Free(pointer);
  }
};
using Cairo = std::unique_ptr<cairo_t, Deleter<cairo_destroy>>;
using Surface = std::unique_ptr<cairo_surface_t, Deleter<cairo_surface_destroy>>;
using FontOptions = std::unique_ptr<cairo_font_options_t, Deleter<cairo_font_options_destroy>>;
using FontMap = std::unique_ptr<PangoFontMap, Deleter<g_object_unref>>;
using Context = std::unique_ptr<PangoContext, Deleter<g_object_unref>>;
using Layout = std::unique_ptr<PangoLayout, Deleter<g_object_unref>>;
using Font = std::unique_ptr<PangoFont, Deleter<g_object_unref>>;
using FontDescription = std::unique_ptr<PangoFontDescription, Deleter<pango_font_description_free>>;
using AttrList = std::unique_ptr<PangoAttrList, Deleter<pango_attr_list_unref>>;
using Symbol = std::unique_ptr<zint_symbol, Deleter<ZBarcode_Delete>>;

constexpr double kDotsPerTwip = kPrinterDpi / kTwipsPerInch;
// Module widths of Size 0, 1 and 2 in dots: 6.7, 10 and 13.3 mil.
constexpr std::array<int, 3> kModuleDots{2, 3, 4};
// Bar heights of Size 0, 1 and 2: 1/4, 3/8 and 1/2 in. A layout gives a bar code a tall box
// and puts the next line a quarter inch further down; bars filling the box would run
// through that line.
constexpr std::array<int, 3> kBarHeightTwips{360, 540, 720};

// Cairo keeps device coordinates in 24.8 fixed point; boxes reaching further than this are
// left out rather than risk wrapped coordinates landing on the label.
constexpr std::int64_t kFarthestDot = 1 << 22;

constexpr std::size_t kMostCachedFonts = 64;

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

// Ink for a colour on a direct thermal head: dark colours burn dots, light ones clear them.
void useInk(cairo_t* cr, std::optional<Rgb> color) {
  cairo_set_source_rgba(cr, 0, 0, 0, 1);
  cairo_set_operator(cr, !color || printsDark(*color) ? CAIRO_OPERATOR_OVER : CAIRO_OPERATOR_DEST_OUT);
}

// Byte index where the second line starts, or npos for a single line.
std::size_t secondLineStart(std::string_view text) {
  const std::size_t brk = text.find_first_of("\r\n");
  if (brk == std::string_view::npos) return brk;
  return text.compare(brk, 2, "\r\n") == 0 ? brk + 2 : brk + 1;
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

// The extent of zint's bars in modules (its vector output leaves room for text and quiet
// zones that this renderer does not want).
struct BarExtent {
  double left = 0, right = 0, bottom = 0;
};

// Labels are drawn with the Liberation faces, the metric twins of the families the layouts
// name. A few rules of our own replace the system's whole font configuration: reading
// that costs a one-label print more than drawing the label, and our own rules keep labels
// the same from one machine to the next. Done once, before pango first asks fontconfig.
constexpr char kLabelFontRules[] = R"(<?xml version="1.0"?>
<fontconfig>
  <dir>/usr/share/fonts/truetype/liberation</dir>
  <cachedir>/var/cache/fontconfig</cachedir>
  <alias binding="same"><family>Times New Roman</family><accept><family>Liberation Serif</family></accept></alias>
  <alias binding="same"><family>Times</family><accept><family>Liberation Serif</family></accept></alias>
  <alias binding="same"><family>Arial</family><accept><family>Liberation Sans</family></accept></alias>
  <alias binding="same"><family>Helvetica</family><accept><family>Liberation Sans</family></accept></alias>
  <alias binding="same"><family>Courier New</family><accept><family>Liberation Mono</family></accept></alias>
  <alias binding="same"><family>Courier</family><accept><family>Liberation Mono</family></accept></alias>
  <alias><family>serif</family><prefer><family>Liberation Serif</family></prefer></alias>
  <alias><family>sans-serif</family><prefer><family>Liberation Sans</family></prefer></alias>
  <alias><family>monospace</family><prefer><family>Liberation Mono</family></prefer></alias>
</fontconfig>
)";

void useLabelFonts() {
  static const bool configured = [] {
    FcConfig* config = FcConfigCreate();
    const bool built = config &&
                       FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(kLabelFontRules),
                                                      FcTrue) &&
                       FcConfigBuildFonts(config);
    if (built) FcConfigSetCurrent(config);  // takes its own reference
    if (config) FcConfigDestroy(config);
    return built;  // otherwise the system's configuration is used
  }();
  (void)configured;
}

}  // namespace

struct LabelRenderer::Impl {
  Impl()
      : fontMap((useLabelFonts(), pango_cairo_font_map_new())), context(pango_font_map_create_context(fontMap.get())) {
    const FontOptions options(cairo_font_options_create());
    cairo_font_options_set_antialias(options.get(), CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(context.get(), options.get());
  }

  const PangoFontDescription* font(const std::string& text) {
    auto it = fonts.find(text);
    if (it == fonts.end()) {
      // Labels use a handful of fonts; a stream of descriptions naming ever new ones must
      // not grow the cache without end.
      if (fonts.size() >= kMostCachedFonts) fonts.clear();
      const auto parsed = parseFont(text);
      if (!parsed)
        throw RenderError("\"" + automation::abbreviated(text) + "\" is not a font such as \"Times New Roman, 8\"");
      FontDescription description(pango_font_description_new());
      pango_font_description_set_family(description.get(), parsed->family.c_str());
      pango_font_description_set_weight(description.get(), parsed->bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
      pango_font_description_set_style(description.get(), parsed->italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
      pango_font_description_set_absolute_size(description.get(), parsed->points * kPrinterDpi / 72 * PANGO_SCALE);
      it = fonts.emplace(text, std::move(description)).first;
    }
    return it->second.get();
  }

  Layout layout(const std::string& text, const std::string& font1, const std::string& font2) {
    Layout result(pango_layout_new(context.get()));
    pango_layout_set_font_description(result.get(), font(font1));
    pango_layout_set_text(result.get(), text.data(), static_cast<int>(text.size()));
    const std::size_t second = secondLineStart(text);
    if (font2 != font1 && second != std::string::npos) {
      AttrList attributes(pango_attr_list_new());
      PangoAttribute* attribute = pango_attr_font_desc_new(font(font2));
      attribute->start_index = static_cast<guint>(second);
      pango_attr_list_insert(attributes.get(), attribute);
      pango_layout_set_attributes(result.get(), attributes.get());
    }
    return result;
  }

  cairo_surface_t* canvas(int width, int height) {
    if (!surface || cairo_image_surface_get_width(surface.get()) != width ||
        cairo_image_surface_get_height(surface.get()) != height) {
      surface.reset(cairo_image_surface_create(CAIRO_FORMAT_A8, width, height));
      if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
        surface.reset();
        throw RenderError("cannot make a " + std::to_string(width) + " x " + std::to_string(height) + " image");
      }
    }
    return surface.get();
  }

  Bitmap render(const LabelDescription& label) {
    const auto width = static_cast<int>(std::clamp<std::int64_t>(dots(label.stock.width), 1, kWidestStockDots));
    const auto height = static_cast<int>(std::clamp<std::int64_t>(dots(label.stock.height), 1, kWidestStockDots));
    cairo_surface_t* target = canvas(width, height);
    {
      const Cairo cr(cairo_create(target));
      cairo_set_operator(cr.get(), CAIRO_OPERATOR_CLEAR);
      cairo_paint(cr.get());
      for (const LabelObject& object : label.objects) drawObject(cr.get(), object);
    }
    cairo_surface_flush(target);
    return threshold(target);
  }

  void drawObject(cairo_t* cr, const LabelObject& object) {
    // Whole dots for the box, so bars land on the print head's grid.
    const std::int64_t left = dots(object.left), top = dots(object.top);
    const std::int64_t right = dots(std::int64_t{object.left} + object.width);
    const std::int64_t bottom = dots(std::int64_t{object.top} + object.height);
    if (right <= left || bottom <= top) return;
    if (std::max({-left, -top, right, bottom}) > kFarthestDot) return;
    const auto x = static_cast<int>(left), y = static_cast<int>(top);
    const auto w = static_cast<int>(right - left), h = static_cast<int>(bottom - top);
    cairo_save(cr);
    cairo_rectangle(cr, x, y, w, h);
    cairo_clip(cr);
    const bool quarterTurn = object.rotation == 90 || object.rotation == 270;
    const double contentWidth = quarterTurn ? h : w, contentHeight = quarterTurn ? w : h;
    cairo_translate(cr, x + w / 2.0, y + h / 2.0);
    cairo_rotate(cr, object.rotation * std::numbers::pi / 180);
    cairo_translate(cr, -contentWidth / 2, -contentHeight / 2);
    if (const auto* text = std::get_if<TextContent>(&object.content))
      drawText(cr, *text, contentWidth, contentHeight);
    else
      drawBarcode(cr, std::get<BarcodeContent>(object.content), object.name, contentWidth, contentHeight);
    cairo_restore(cr);
  }

  void drawText(cairo_t* cr, const TextContent& text, double width, double height) {
    if (const auto background = colorOf(text.backgroundColor)) {
      useInk(cr, background);
      if (!printsDark(*background)) cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
      cairo_rectangle(cr, 0, 0, width, height);
      cairo_fill(cr);
    }
    if (text.text.empty()) return;
    if (text.mirrored) {
      cairo_translate(cr, width, 0);
      cairo_scale(cr, -1, 1);
    }
    if (text.vertical) {  // a quarter turn clockwise: reads top to bottom
      cairo_translate(cr, width, 0);
      cairo_rotate(cr, std::numbers::pi / 2);
      std::swap(width, height);
    }
    const Align align = horizontalAlign(text.justify);
    // Nothing beyond the label shows, whatever the box's size.
    const auto reach = static_cast<double>(std::max(cairo_image_surface_get_width(surface.get()),
                                                    cairo_image_surface_get_height(surface.get())));
    const ShownText shown = shownPart(text.text, static_cast<std::int64_t>(std::min(width, reach)),
                                      static_cast<std::int64_t>(std::min(height, reach)), align,
                                      verticalAlign(text.vJustify));
    const Layout layout = this->layout(shown.text, shown.firstLineShown ? text.font1 : text.font2, text.font2);
    pango_layout_set_alignment(layout.get(), align == Align::Centre ? PANGO_ALIGN_CENTER
                                             : align == Align::End  ? PANGO_ALIGN_RIGHT
                                                                    : PANGO_ALIGN_LEFT);
    PangoRectangle logical;
    pango_layout_get_extents(layout.get(), nullptr, &logical);
    const double x = offset(align, width - double(logical.width) / PANGO_SCALE) - double(logical.x) / PANGO_SCALE;
    const double y = offset(verticalAlign(text.vJustify), height - double(logical.height) / PANGO_SCALE) -
                     double(logical.y) / PANGO_SCALE;
    cairo_move_to(cr, x, y);
    useInk(cr, colorOf(text.textColor));
    pango_cairo_show_layout(cr, layout.get());
  }

  void drawBarcode(cairo_t* cr, const BarcodeContent& code, const std::string& name, double width, double height) {
    const auto symbology = symbologyOf(code.bcType);
    if (!symbology) throw RenderError("bar code \"" + automation::abbreviated(name) + "\" has the unknown BCType " + std::to_string(code.bcType));
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

    BarExtent extent{1e9, 0, 0};
    for (const zint_vector_rect* bar = symbol->vector->rectangles; bar; bar = bar->next) {
      extent.left = std::min<double>(extent.left, bar->x);
      extent.right = std::max<double>(extent.right, bar->x + bar->width);
      extent.bottom = std::max<double>(extent.bottom, bar->y + bar->height);
    }
    if (extent.right <= extent.left || extent.bottom <= 0) return;
    const double modules = extent.right - extent.left;

    Layout caption;
    double captionHeight = 0;
    if (code.textPos != 0) {
      const char* readable = reinterpret_cast<const char*>(symbol->text);
      caption = layout(*readable ? std::string(readable) : code.text, code.font, code.font);
      PangoRectangle logical;
      pango_layout_get_extents(caption.get(), nullptr, &logical);
      captionHeight = double(logical.height) / PANGO_SCALE;
    }

    // The widest whole-dot module that fits the box; a symbol too long even at one dot is
    // squeezed to fit, as a printer driver would.
    const auto size = static_cast<std::size_t>(std::clamp(code.size, 0, 2));
    double module = kModuleDots[size];
    if (modules * module > width) module = std::floor(width / modules);
    if (module < 1) module = width / modules;
    const double symbolWidth = modules * module;
    // The symbol stands at the top of its box: caption above (TextPos 1) or below the bars.
    const double barsHeight =
        std::min(std::max(height - captionHeight, height / 2), std::round(kBarHeightTwips[size] * kDotsPerTwip));
    const double left = std::round(offset(horizontalAlign(code.justify), width - symbolWidth));
    const double barsTop = code.textPos == 1 ? captionHeight : 0;
    const double yScale = barsHeight / extent.bottom;

    cairo_save(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    for (const zint_vector_rect* bar = symbol->vector->rectangles; bar; bar = bar->next)
      cairo_rectangle(cr, left + (bar->x - extent.left) * module, barsTop + bar->y * yScale, bar->width * module,
                      bar->height * yScale);
    useInk(cr, std::nullopt);
    cairo_fill(cr);
    cairo_restore(cr);

    if (caption) {
      PangoRectangle logical;
      pango_layout_get_extents(caption.get(), nullptr, &logical);
      const double captionTop = code.textPos == 1 ? 0 : barsTop + barsHeight;
      cairo_move_to(cr, left + (symbolWidth - double(logical.width) / PANGO_SCALE) / 2 - double(logical.x) / PANGO_SCALE,
                    captionTop - double(logical.y) / PANGO_SCALE);
      useInk(cr, std::nullopt);
      pango_cairo_show_layout(cr, caption.get());
    }
  }

  static Bitmap threshold(cairo_surface_t* surface) {
    Bitmap bitmap;
    bitmap.width = cairo_image_surface_get_width(surface);
    bitmap.height = cairo_image_surface_get_height(surface);
    bitmap.rowBytes = (static_cast<std::size_t>(bitmap.width) + 7) / 8;
    bitmap.bits.assign(bitmap.rowBytes * static_cast<std::size_t>(bitmap.height), 0);
    const unsigned char* pixels = cairo_image_surface_get_data(surface);
    const auto stride = static_cast<std::size_t>(cairo_image_surface_get_stride(surface));
    const std::size_t wholeBytes = static_cast<std::size_t>(bitmap.width) / 8;
    for (int y = 0; y < bitmap.height; ++y) {
      const unsigned char* source = pixels + static_cast<std::size_t>(y) * stride;
      std::uint8_t* row = bitmap.bits.data() + static_cast<std::size_t>(y) * bitmap.rowBytes;
      for (std::size_t i = 0; i < wholeBytes; ++i) row[i] = packEight(source + 8 * i);
      for (int x = static_cast<int>(wholeBytes * 8); x < bitmap.width; ++x)
        if (source[x] >= 0x80) row[x / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
    }
    return bitmap;
  }

  // The top bits of eight coverage bytes as one byte, first pixel in the high bit: the
  // multiply gathers bit 7 of byte i into bit 56 + i.
  static std::uint8_t packEight(const unsigned char* pixels) {
    std::uint64_t word;
    std::memcpy(&word, pixels, sizeof word);
    if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
    return static_cast<std::uint8_t>(((word & 0x8080808080808080ULL) * 0x0002040810204081ULL) >> 56);
  }

  FontMap fontMap;
  Context context;
  std::unordered_map<std::string, FontDescription> fonts;
  Surface surface;
};

LabelRenderer::LabelRenderer() : impl_(std::make_unique<Impl>()) {}
LabelRenderer::~LabelRenderer() = default;
LabelRenderer::LabelRenderer(LabelRenderer&&) noexcept = default;
LabelRenderer& LabelRenderer::operator=(LabelRenderer&&) noexcept = default;

Bitmap LabelRenderer::render(const LabelDescription& label) { return impl_->render(label); }

std::vector<std::uint8_t> LabelRenderer::renderPng(const LabelDescription& label) {
  return encodePng(impl_->render(label));
}

ResolvedFont LabelRenderer::resolve(std::string_view font) {
  const PangoFontDescription* wanted = impl_->font(std::string(font));
  const Font loaded(pango_font_map_load_font(impl_->fontMap.get(), impl_->context.get(), wanted));
  if (!loaded) throw RenderError("no font is installed for \"" + std::string(font) + "\"");
  const FontDescription described(pango_font_describe(loaded.get()));
  ResolvedFont result;
  const char* family = pango_font_description_get_family(described.get());
  result.family = family ? family : "";
  result.bold = pango_font_description_get_weight(described.get()) >= PANGO_WEIGHT_BOLD;
  result.italic = pango_font_description_get_style(described.get()) != PANGO_STYLE_NORMAL;
  return result;
}

}  // namespace engine
