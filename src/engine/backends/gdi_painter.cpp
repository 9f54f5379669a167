// The label drawing's text on Windows: GDI measures a line in the label's font and paints it,
// grey anti-aliased, into a DIB section whose coverage goes onto the canvas.

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "automation/text.h"
#include "engine/c_resource.h"
#include "engine/label.h"
#include "engine/text_painter.h"

namespace engine {

namespace {

constexpr std::size_t kMostCachedFonts = 64;

using MemoryDc = CResource<std::remove_pointer_t<HDC>, DeleteDC>;
using Font = CResource<std::remove_pointer_t<HFONT>, DeleteObject>;
using DibSection = CResource<std::remove_pointer_t<HBITMAP>, DeleteObject>;

// Lines are measured with the font made at this many dots to the em, where hinting hardly
// changes advances, and scaled: each character then advances by its design width rounded to a
// whole dot, as pango places glyphs (unhinted metrics, rounded glyph positions), rather than
// by the width hinting gives it at the label's size.
constexpr LONG kDesignEm = 256;

// A label font: made at the label's size for painting, and at the design size for measuring.
struct LabelFont {
  Font painted;
  Font measured;
  double scale = 1;  // label dots per design dot
};

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows text is UTF-16");

std::wstring wide(std::string_view utf8) {
  const std::u16string text = automation::fromUtf8(utf8);
  return {text.begin(), text.end()};
}

std::string narrow(std::wstring_view text) {
  return automation::toUtf8({reinterpret_cast<const char16_t*>(text.data()), text.size()});
}

class GdiPainter final : public TextPainter {
 public:
  GdiPainter() : dc_(CreateCompatibleDC(nullptr)) {
    if (!dc_) throw RenderError("cannot make a GDI drawing context");
    original_ = SelectObject(dc_.get(), GetStockObject(SYSTEM_FONT));
    SetBkMode(dc_.get(), TRANSPARENT);
    SetTextColor(dc_.get(), RGB(0, 0, 0));
    SetTextAlign(dc_.get(), TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
    SetMapMode(dc_.get(), MM_TEXT);
  }
  ~GdiPainter() override {
    SelectObject(dc_.get(), original_);
    if (originalBitmap_) SelectObject(dc_.get(), originalBitmap_);
  }
  GdiPainter(const GdiPainter&) = delete;
  GdiPainter& operator=(const GdiPainter&) = delete;

  LineExtent measure(const std::string& font, std::string_view line) override {
    const LabelFont& chosen = use(font);
    SelectObject(dc_.get(), chosen.measured.get());
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc_.get(), &metrics);
    const std::vector<double> ends = advances(chosen, wide(line));
    return {ends.empty() ? 0.0 : ends.back(), metrics.tmAscent * chosen.scale, metrics.tmDescent * chosen.scale};
  }

  void paint(const CoverageView& canvas, const std::string& font, std::string_view line, double x, double y) override {
    const LabelFont& chosen = use(font);
    const std::wstring text = wide(line);
    if (text.empty()) return;
    // Each character where its design puts it, on the nearest dot.
    const std::vector<double> ends = advances(chosen, text);
    std::vector<INT> steps(text.size());
    long long previous = std::llround(x);
    for (std::size_t i = 0; i < text.size(); ++i) {
      const long long next = std::llround(x + ends[i]);
      steps[i] = static_cast<INT>(next - previous);
      previous = next;
    }
    SelectObject(dc_.get(), chosen.painted.get());
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc_.get(), &metrics);
    const SIZE size{static_cast<LONG>(std::ceil(ends.back())), 0};
    const int left = static_cast<int>(std::lround(x)), baseline = static_cast<int>(std::lround(y));
    // The line's box with room for overhangs (italics, accents), on the canvas.
    const int margin = static_cast<int>(metrics.tmHeight);
    const int x0 = std::clamp(left - margin, 0, canvas.width);
    const int x1 = std::clamp(left + static_cast<int>(size.cx) + margin, 0, canvas.width);
    const int y0 = std::clamp(baseline - static_cast<int>(metrics.tmAscent) - margin, 0, canvas.height);
    const int y1 = std::clamp(baseline + static_cast<int>(metrics.tmDescent) + margin, 0, canvas.height);
    if (x1 <= x0 || y1 <= y0) return;
    std::uint32_t* pixels = surface(x1 - x0, y1 - y0);
    std::fill_n(pixels, static_cast<std::size_t>(surfaceWidth_) * static_cast<std::size_t>(surfaceHeight_), 0x00FFFFFFu);
    GdiFlush();
    ExtTextOutW(dc_.get(), left - x0, baseline - y0, 0, nullptr, text.c_str(), static_cast<UINT>(text.size()),
                steps.data());
    GdiFlush();
    for (int row = 0; row < y1 - y0; ++row) {
      const std::uint32_t* source = pixels + static_cast<std::size_t>(row) * static_cast<std::size_t>(surfaceWidth_);
      std::uint8_t* target = canvas.row(y0 + row) + x0;
      for (int column = 0; column < x1 - x0; ++column) {
        const unsigned c = 255 - ((source[column] >> 8) & 0xFF);  // black text on white: ink is what green lacks
        if (c == 0) continue;
        target[column] = static_cast<std::uint8_t>(c + target[column] * (255 - c) / 255);
      }
    }
  }

  ResolvedFont resolve(const std::string& font) override {
    SelectObject(dc_.get(), use(font).painted.get());
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc_.get(), LF_FACESIZE, face);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc_.get(), &metrics);
    return {narrow(face), metrics.tmWeight >= FW_BOLD, metrics.tmItalic != 0};
  }

 private:
  // Where each character of a line ends, in whole label dots from the line's start.
  std::vector<double> advances(const LabelFont& font, const std::wstring& text) {
    std::vector<double> ends;
    if (text.empty()) return ends;
    SelectObject(dc_.get(), font.measured.get());
    std::vector<INT> partial(text.size());
    SIZE size{};
    GetTextExtentExPointW(dc_.get(), text.c_str(), static_cast<int>(text.size()), 0, nullptr, partial.data(), &size);
    ends.reserve(text.size());
    INT previous = 0;
    double at = 0;
    for (const INT end : partial) {
      at += std::round((end - previous) * font.scale);
      ends.push_back(at);
      previous = end;
    }
    return ends;
  }

  const LabelFont& use(const std::string& text) {
    auto it = fonts_.find(text);
    if (it == fonts_.end()) {
      if (fonts_.size() >= kMostCachedFonts) {
        SelectObject(dc_.get(), GetStockObject(SYSTEM_FONT));
        fonts_.clear();
      }
      const auto parsed = parseFont(text);
      if (!parsed)
        throw RenderError("\"" + automation::abbreviated(text) + "\" is not a font such as \"Times New Roman, 8\"");
      LOGFONTW description{};
      description.lfWeight = parsed->bold ? FW_BOLD : FW_NORMAL;
      description.lfItalic = parsed->italic;
      description.lfCharSet = DEFAULT_CHARSET;
      description.lfOutPrecision = OUT_TT_PRECIS;
      description.lfQuality = ANTIALIASED_QUALITY;
      // Where the family is not installed (Wine has no Times New Roman), its metric twin.
      std::string_view family = parsed->family;
      description.lfHeight = -kDesignEm;
      description.lfQuality = NONANTIALIASED_QUALITY;  // only measured: no grey glyphs of that size
      Font measured = create(description, family);
      if (const auto twin = metricTwin(family); twin && !installed(measured.get(), family)) {
        if (Font replacement = create(description, *twin); installed(replacement.get(), *twin)) {
          measured = std::move(replacement);
          family = *twin;
        }
      }
      // A negative height is the em, as the font's point size gives it.
      const double em = parsed->points * kPrinterDpi / 72;
      description.lfQuality = ANTIALIASED_QUALITY;
      description.lfHeight = -std::max<LONG>(1, std::lround(em));
      LabelFont font{create(description, family), std::move(measured), em / kDesignEm};
      it = fonts_.emplace(text, std::move(font)).first;
    }
    return it->second;
  }

  static Font create(LOGFONTW description, std::string_view family) {
    const std::wstring name = wide(family).substr(0, LF_FACESIZE - 1);
    std::fill(std::begin(description.lfFaceName), std::end(description.lfFaceName), L'\0');
    std::copy(name.begin(), name.end(), description.lfFaceName);
    Font created(CreateFontIndirectW(&description));
    if (!created) throw RenderError("no font is installed for \"" + automation::abbreviated(family) + "\"");
    return created;
  }

  // Whether the font GDI made draws with the family asked for (GDI falls back silently).
  bool installed(HFONT font, std::string_view family) {
    const HGDIOBJ previous = SelectObject(dc_.get(), font);
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc_.get(), LF_FACESIZE, face);
    SelectObject(dc_.get(), previous);
    return CompareStringOrdinal(face, -1, wide(family).c_str(), -1, TRUE) == CSTR_EQUAL;
  }

  // A white 32-bit top-down DIB section of at least this size, selected into the context.
  std::uint32_t* surface(int width, int height) {
    if (!bitmap_ || width > surfaceWidth_ || height > surfaceHeight_) {
      const int newWidth = std::max(width, surfaceWidth_), newHeight = std::max(height, surfaceHeight_);
      BITMAPINFO info{};
      info.bmiHeader.biSize = sizeof info.bmiHeader;
      info.bmiHeader.biWidth = newWidth;
      info.bmiHeader.biHeight = -newHeight;
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 32;
      info.bmiHeader.biCompression = BI_RGB;
      void* bits = nullptr;
      DibSection created(CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
      if (!created || !bits)
        throw RenderError("cannot make a " + std::to_string(newWidth) + " x " + std::to_string(newHeight) + " image");
      const HGDIOBJ previous = SelectObject(dc_.get(), created.get());
      if (!originalBitmap_) originalBitmap_ = previous;
      bitmap_ = std::move(created);
      pixels_ = static_cast<std::uint32_t*>(bits);
      surfaceWidth_ = newWidth;
      surfaceHeight_ = newHeight;
    }
    return pixels_;
  }

  MemoryDc dc_;
  HGDIOBJ original_ = nullptr;
  HGDIOBJ originalBitmap_ = nullptr;
  std::unordered_map<std::string, LabelFont> fonts_;
  DibSection bitmap_;
  std::uint32_t* pixels_ = nullptr;
  int surfaceWidth_ = 0, surfaceHeight_ = 0;
};

}  // namespace

std::unique_ptr<TextPainter> makeTextPainter() { return std::make_unique<GdiPainter>(); }

}  // namespace engine
