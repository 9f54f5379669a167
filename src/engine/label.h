#pragma once
// The label as the virtual engine records it: the stock, the objects with every attribute
// as the host set it, and the print job. Strings are UTF-8; positions and sizes are twips.
// The raw attribute numbers are kept (VJustify -400 stays -400) so a recorded label shows
// exactly what the host sent; the interpreting helpers below say what they mean.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace engine {

inline constexpr int kTwipsPerInch = 1440;

struct LabelStock {
  std::string name;
  int width = 0;   // twips, landscape: the long side runs left to right
  int height = 0;  // twips
  bool operator==(const LabelStock&) const = default;
};

// The stocks the engine knows unless told otherwise; the first is the one it starts on.
const std::vector<LabelStock>& builtInStocks();
// The built-in stocks with these names, in the order given; throws std::invalid_argument
// for a name that is not built in.
std::vector<LabelStock> stocksNamed(const std::vector<std::string>& names);
const LabelStock* findStock(const std::vector<LabelStock>& stocks, std::string_view name);

enum class ObjectKind : int { Text = 0, Barcode = 5 };

enum class Align { Start, Centre, End };

struct TextContent {
  std::string text;  // "\r\n", "\n" or "\r" break lines
  std::string font1 = "Arial, 10";  // the first line
  std::string font2 = "Arial, 10";  // every further line
  int justify = 0;
  int vJustify = 0;
  std::int32_t textColor = 0;
  std::int32_t backgroundColor = -1;
  bool mirrored = false;
  bool vertical = false;
  bool operator==(const TextContent&) const = default;
};

struct BarcodeContent {
  std::string text;  // the data
  std::string font = "Arial, 8";
  int textPos = 2;
  int bcType = 2;
  int size = 0;
  int justify = 0;
  int link = 0;
  bool operator==(const BarcodeContent&) const = default;
};

struct LabelObject {
  std::string name;
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int rotation = 0;  // degrees clockwise: 0, 90, 180, 270
  std::variant<TextContent, BarcodeContent> content;

  ObjectKind kind() const { return content.index() == 0 ? ObjectKind::Text : ObjectKind::Barcode; }
  bool operator==(const LabelObject&) const = default;
};

struct LabelDescription {
  LabelStock stock;
  std::vector<LabelObject> objects;
  std::string printer;
  std::string port;
  int copies = 1;
  bool showDialog = false;
  bool operator==(const LabelDescription&) const = default;
};

// "Family, size[, Bold][, Italic]": style words in any order and letter case, size in
// points (fractions allowed, above 0 and at most 400).
struct FontSpec {
  std::string family;
  double points = 0;
  bool bold = false;
  bool italic = false;
};
std::optional<FontSpec> parseFont(std::string_view text);

// The Liberation faces draw the families labels name where those are not installed: each is
// metric for metric the same as its family ("Times New Roman" -> "Liberation Serif").
struct MetricTwin {
  std::string_view family;
  std::string_view twin;
};
std::span<const MetricTwin> metricTwins();
// The twin of a family (letter case ignored), or nothing.
std::optional<std::string_view> metricTwin(std::string_view family);

// Attribute ranges; each returns false for a value the engine refuses.
bool validKind(std::int64_t kind);
bool validRotation(std::int64_t degrees);
bool validJustify(std::int64_t value);   // text and bar code: 0 left, 1 centre, 2 right
bool validVJustify(std::int64_t value);  // 0 top, 1 middle, 2 bottom, negative top
bool validColor(std::int64_t value);     // negative: transparent/default; else 0xBBGGRR
bool validTextPos(std::int64_t value);   // 0 none, 1 above, 2 below
bool validBarcodeSize(std::int64_t value);  // 0, 1, 2: narrow to wide modules
bool validLink(std::int64_t value);      // only 0: bar codes carry their own data

Align horizontalAlign(int justify);
Align verticalAlign(int vJustify);

struct Rgb {
  std::uint8_t red = 0, green = 0, blue = 0;
};
// A negative colour has no value: transparent (background) or the default black (text).
std::optional<Rgb> colorOf(std::int32_t packed);
// What a direct thermal head makes of a colour: dark colours burn, light ones are paper.
bool printsDark(Rgb color);

}  // namespace engine
