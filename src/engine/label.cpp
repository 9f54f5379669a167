#include "engine/label.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <stdexcept>
#include <string>

namespace engine {

namespace {

constexpr int inches(int numerator, int denominator = 1) { return kTwipsPerInch * numerator / denominator; }

std::string_view trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

const std::vector<LabelStock>& builtInStocks() {
  static const std::vector<LabelStock> stocks{
      {"Return Address", inches(2), inches(3, 4)},
      {"Return Address (30330)", inches(2), inches(3, 4)},
      {"Small 2-1/4 in x 1-1/4 in", inches(9, 4), inches(5, 4)},
      {"Small 2-1/4 in x 1-1/4 in (30334)", inches(9, 4), inches(5, 4)},
      {"Medium", inches(9, 4), inches(5, 4)},
  };
  return stocks;
}

std::vector<LabelStock> stocksNamed(const std::vector<std::string>& names) {
  std::vector<LabelStock> result;
  for (const auto& name : names) {
    const LabelStock* stock = findStock(builtInStocks(), name);
    if (!stock) throw std::invalid_argument("no built-in label stock named \"" + name + "\"");
    result.push_back(*stock);
  }
  return result;
}

const LabelStock* findStock(const std::vector<LabelStock>& stocks, std::string_view name) {
  const auto it = std::find_if(stocks.begin(), stocks.end(), [&](const LabelStock& s) { return s.name == name; });
  return it == stocks.end() ? nullptr : &*it;
}

std::optional<FontSpec> parseFont(std::string_view text) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t comma = text.find(',', start);
    parts.push_back(trim(text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start)));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (parts.size() < 2 || parts.size() > 4 || parts[0].empty()) return std::nullopt;

  FontSpec font;
  font.family = std::string(parts[0]);
  const std::string_view size = parts[1];
  const auto [end, error] = std::from_chars(size.data(), size.data() + size.size(), font.points);
  if (error != std::errc{} || end != size.data() + size.size() || !(font.points > 0 && font.points <= 400))
    return std::nullopt;
  for (std::size_t i = 2; i < parts.size(); ++i) {
    if (equalsIgnoringCase(parts[i], "Bold") && !font.bold)
      font.bold = true;
    else if (equalsIgnoringCase(parts[i], "Italic") && !font.italic)
      font.italic = true;
    else
      return std::nullopt;
  }
  return font;
}

bool validKind(std::int64_t kind) { return kind == 0 || kind == 5; }
bool validRotation(std::int64_t degrees) { return degrees == 0 || degrees == 90 || degrees == 180 || degrees == 270; }
bool validJustify(std::int64_t value) { return value >= 0 && value <= 2; }
bool validVJustify(std::int64_t value) { return value <= 2; }
bool validColor(std::int64_t value) { return value <= 0xFFFFFF; }
bool validTextPos(std::int64_t value) { return value >= 0 && value <= 2; }
bool validBarcodeSize(std::int64_t value) { return value >= 0 && value <= 2; }
bool validLink(std::int64_t value) { return value == 0; }

Align horizontalAlign(int justify) {
  switch (justify) {
    case 1: return Align::Centre;
    case 2: return Align::End;
    default: return Align::Start;
  }
}

Align verticalAlign(int vJustify) {
  switch (vJustify) {
    case 1: return Align::Centre;
    case 2: return Align::End;
    default: return Align::Start;  // 0 and the negative values
  }
}

std::optional<Rgb> colorOf(std::int32_t packed) {
  if (packed < 0) return std::nullopt;
  return Rgb{static_cast<std::uint8_t>(packed & 0xFF), static_cast<std::uint8_t>((packed >> 8) & 0xFF),
             static_cast<std::uint8_t>((packed >> 16) & 0xFF)};
}

bool printsDark(Rgb color) {
  // Rec. 601 luma, in thousandths.
  return 299 * color.red + 587 * color.green + 114 * color.blue < 128 * 1000;
}

std::span<const MetricTwin> metricTwins() {
  static constexpr MetricTwin kTwins[] = {
      {"Times New Roman", "Liberation Serif"}, {"Times", "Liberation Serif"},
      {"Arial", "Liberation Sans"},            {"Helvetica", "Liberation Sans"},
      {"Courier New", "Liberation Mono"},      {"Courier", "Liberation Mono"},
  };
  return kTwins;
}

std::optional<std::string_view> metricTwin(std::string_view family) {
  const auto fold = [](std::string_view text) {
    std::string folded(text);
    for (char& c : folded) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    return folded;
  };
  for (const MetricTwin& pair : metricTwins())
    if (fold(pair.family) == fold(family)) return pair.twin;
  return std::nullopt;
}

}  // namespace engine
