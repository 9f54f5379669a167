// The label drawing's text on Linux: pango lays out and measures a line, cairo paints its
// grey coverage, fontconfig finds the faces.

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>

#include <memory>
#include <unordered_map>

#include "automation/text.h"
#include "engine/c_resource.h"
#include "engine/label.h"
#include "engine/text_painter.h"

namespace engine {

namespace {

using Cairo = CResource<cairo_t, cairo_destroy>;
using Surface = CResource<cairo_surface_t, cairo_surface_destroy>;
using FontOptions = CResource<cairo_font_options_t, cairo_font_options_destroy>;
using FontMap = CResource<PangoFontMap, g_object_unref>;
using Context = CResource<PangoContext, g_object_unref>;
using Layout = CResource<PangoLayout, g_object_unref>;
using Font = CResource<PangoFont, g_object_unref>;
using FontDescription = CResource<PangoFontDescription, pango_font_description_free>;

constexpr std::size_t kMostCachedFonts = 64;
constexpr std::size_t kMostKeptLayouts = 64;

// Labels are drawn with the Liberation faces, the metric twins of the families the layouts
// name (metricTwins). A few rules of our own replace the system's whole font configuration: reading
// that costs a one-label print more than drawing the label, and our own rules keep labels
// the same from one machine to the next. Done once, before pango first asks fontconfig.
std::string labelFontRules() {
  std::string rules = R"(<?xml version="1.0"?>
<fontconfig>
  <dir>/usr/share/fonts/truetype/liberation</dir>
  <cachedir>/var/cache/fontconfig</cachedir>
)";
  for (const MetricTwin& pair : metricTwins())
    rules += "  <alias binding=\"same\"><family>" + std::string(pair.family) + "</family><accept><family>" +
             std::string(pair.twin) + "</family></accept></alias>\n";
  rules += R"(  <alias><family>serif</family><prefer><family>Liberation Serif</family></prefer></alias>
  <alias><family>sans-serif</family><prefer><family>Liberation Sans</family></prefer></alias>
  <alias><family>monospace</family><prefer><family>Liberation Mono</family></prefer></alias>
</fontconfig>
)";
  return rules;
}

void useLabelFonts() {
  static const bool configured = [] {
    FcConfig* config = FcConfigCreate();
    const std::string rules = labelFontRules();
    const bool built = config &&
                       FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(rules.c_str()), FcTrue) &&
                       FcConfigBuildFonts(config);
    if (built) FcConfigSetCurrent(config);  // takes its own reference
    if (config) FcConfigDestroy(config);
    return built;  // otherwise the system's configuration is used
  }();
  (void)configured;
}

class PangoPainter final : public TextPainter {
 public:
  PangoPainter()
      : fontMap_((useLabelFonts(), pango_cairo_font_map_new())), context_(pango_font_map_create_context(fontMap_.get())) {
    const FontOptions options(cairo_font_options_create());
    cairo_font_options_set_antialias(options.get(), CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(context_.get(), options.get());
  }

  LineExtent measure(const std::string& font, std::string_view line) override {
    PangoLayout* layout = this->layout(font, line);
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    const double baseline = double(pango_layout_get_baseline(layout)) / PANGO_SCALE;
    const double top = double(logical.y) / PANGO_SCALE;
    return {double(logical.width) / PANGO_SCALE, baseline - top, double(logical.height) / PANGO_SCALE - (baseline - top)};
  }

  void paint(const CoverageView& canvas, const std::string& font, std::string_view line, double x, double y) override {
    PangoLayout* layout = this->layout(font, line);
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    const Surface surface(cairo_image_surface_create_for_data(canvas.data, CAIRO_FORMAT_A8, canvas.width,
                                                              canvas.height, static_cast<int>(canvas.stride)));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
      throw RenderError("cannot paint into a " + std::to_string(canvas.width) + " x " + std::to_string(canvas.height) +
                        " image");
    const Cairo cr(cairo_create(surface.get()));
    cairo_set_source_rgba(cr.get(), 0, 0, 0, 1);
    cairo_move_to(cr.get(), x - double(logical.x) / PANGO_SCALE,
                  y - double(pango_layout_get_baseline(layout)) / PANGO_SCALE);
    pango_cairo_show_layout(cr.get(), layout);
    cairo_surface_flush(surface.get());
  }

  ResolvedFont resolve(const std::string& font) override {
    const Font loaded(pango_font_map_load_font(fontMap_.get(), context_.get(), description(font)));
    if (!loaded) throw RenderError("no font is installed for \"" + automation::abbreviated(font) + "\"");
    const FontDescription described(pango_font_describe(loaded.get()));
    ResolvedFont result;
    const char* family = pango_font_description_get_family(described.get());
    result.family = family ? family : "";
    result.bold = pango_font_description_get_weight(described.get()) >= PANGO_WEIGHT_BOLD;
    result.italic = pango_font_description_get_style(described.get()) != PANGO_STYLE_NORMAL;
    return result;
  }

 private:
  const PangoFontDescription* description(const std::string& text) {
    auto it = fonts_.find(text);
    if (it == fonts_.end()) {
      // Labels use a handful of fonts; a stream of descriptions naming ever new ones must
      // not grow the cache without end.
      if (fonts_.size() >= kMostCachedFonts) fonts_.clear();
      const auto parsed = parseFont(text);
      if (!parsed)
        throw RenderError("\"" + automation::abbreviated(text) + "\" is not a font such as \"Times New Roman, 8\"");
      FontDescription description(pango_font_description_new());
      pango_font_description_set_family(description.get(), parsed->family.c_str());
      pango_font_description_set_weight(description.get(), parsed->bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
      pango_font_description_set_style(description.get(), parsed->italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
      pango_font_description_set_absolute_size(description.get(), parsed->points * kPrinterDpi / 72 * PANGO_SCALE);
      it = fonts_.emplace(text, std::move(description)).first;
    }
    return it->second.get();
  }

  // The line laid out in the font. A label's lines are measured, then painted: the layouts of
  // the last few lines are kept for that.
  PangoLayout* layout(const std::string& font, std::string_view line) {
    std::string key = font;
    key.append(1, '\0').append(line);
    auto it = layouts_.find(key);
    if (it == layouts_.end()) {
      if (layouts_.size() >= kMostKeptLayouts) layouts_.clear();
      Layout layout(pango_layout_new(context_.get()));
      pango_layout_set_font_description(layout.get(), description(font));
      pango_layout_set_text(layout.get(), line.data(), static_cast<int>(line.size()));
      it = layouts_.emplace(std::move(key), std::move(layout)).first;
    }
    return it->second.get();
  }

  FontMap fontMap_;
  Context context_;
  std::unordered_map<std::string, FontDescription> fonts_;
  std::unordered_map<std::string, Layout> layouts_;  // by font and line
};

}  // namespace

std::unique_ptr<TextPainter> makeTextPainter() { return std::make_unique<PangoPainter>(); }

}  // namespace engine
