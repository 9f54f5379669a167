#include "engine/barcode_data.h"

#include <algorithm>
#include <cstdio>

#include "automation/text.h"

namespace engine {

namespace {

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool allDigits(std::u16string_view text) { return std::all_of(text.begin(), text.end(), isDigit); }

// A printable rendering of one character for messages.
std::string describeChar(char16_t c) {
  if (c >= 0x20 && c < 0x7F) return std::string("'") + static_cast<char>(c) + "'";
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(c));
  return buffer;
}

std::string quoted(std::string_view data) { return "\"" + automation::abbreviated(data) + "\""; }

// EAN/UPC check digit of the digits before it: weights 3, 1, 3, ... from the right.
int gtinCheckDigit(std::u16string_view digits) {
  int sum = 0;
  int weight = 3;
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    sum += (*it - u'0') * weight;
    weight = 4 - weight;
  }
  return (10 - sum % 10) % 10;
}

// UPC-E (number system and six digits) expanded to the eleven UPC-A digits its check covers.
std::u16string expandUpcE(char16_t system, std::u16string_view d) {
  std::u16string a(1, system);
  switch (d[5]) {
    case u'0':
    case u'1':
    case u'2': a += std::u16string{d[0], d[1], d[5]} + u"0000" + std::u16string{d[2], d[3], d[4]}; break;
    case u'3': a += std::u16string{d[0], d[1], d[2]} + u"00000" + std::u16string{d[3], d[4]}; break;
    case u'4': a += std::u16string{d[0], d[1], d[2], d[3]} + u"00000" + std::u16string{d[4]}; break;
    default: a += std::u16string{d.substr(0, 5)} + u"0000" + std::u16string{d[5]}; break;
  }
  return a;
}

bool code39Char(char16_t c) {
  return isDigit(c) || (c >= u'A' && c <= u'Z') || std::u16string_view(u" -.$/+%").find(c) != std::u16string_view::npos;
}

bool codabarDataChar(char16_t c) { return isDigit(c) || std::u16string_view(u"-$:/.+").find(c) != std::u16string_view::npos; }
bool codabarStartStop(char16_t c) { return c >= u'A' && c <= u'D'; }

std::optional<std::string> firstBadChar(std::u16string_view data, std::string_view utf8, std::string_view what,
                                        bool (*allowed)(char16_t)) {
  for (char16_t c : data)
    if (!allowed(c)) return quoted(utf8) + " holds " + describeChar(c) + ", which " + std::string(what);
  return std::nullopt;
}

std::optional<std::string> checkGtin(std::u16string_view data, std::string_view utf8, std::size_t bodyLength,
                                     std::string_view name) {
  const std::string lengths = std::to_string(bodyLength) + " digits, or " + std::to_string(bodyLength + 1) +
                              " with the check digit";
  if (!allDigits(data) || (data.size() != bodyLength && data.size() != bodyLength + 1))
    return std::string(name) + " takes " + lengths + ", not " + quoted(utf8);
  if (data.size() == bodyLength + 1) {
    const int expected = gtinCheckDigit(data.substr(0, bodyLength));
    if (data.back() - u'0' != expected)
      return quoted(utf8) + " has the check digit " + static_cast<char>(data.back()) + ", " + std::string(name) +
             " needs " + std::to_string(expected);
  }
  return std::nullopt;
}

std::optional<std::string> checkUpcE(std::u16string_view data, std::string_view utf8) {
  if (!allDigits(data) || data.size() < 6 || data.size() > 8)
    return "UPC-E takes 6 digits, 7 with the number system 0 or 1 first, or 8 with the check digit, not " +
           quoted(utf8);
  if (data.size() == 6) return std::nullopt;
  if (data[0] != u'0' && data[0] != u'1')
    return quoted(utf8) + " starts with the number system " + static_cast<char>(data[0]) +
           ", UPC-E has only 0 and 1";
  if (data.size() == 8) {
    const int expected = gtinCheckDigit(expandUpcE(data[0], data.substr(1, 6)));
    if (data.back() - u'0' != expected)
      return quoted(utf8) + " has the check digit " + static_cast<char>(data.back()) + ", UPC-E needs " +
             std::to_string(expected);
  }
  return std::nullopt;
}

std::optional<std::string> checkCodabar(std::u16string_view data, std::string_view utf8) {
  std::u16string_view body = data;
  const bool starts = codabarStartStop(data.front());
  const bool stops = data.size() > 1 && codabarStartStop(data.back());
  if (starts != stops || (starts && data.size() < 3))
    return quoted(utf8) + " needs a start and a stop character (A to D) at both ends, or at neither";
  if (starts) body = data.substr(1, data.size() - 2);
  if (auto bad = firstBadChar(body, utf8, "Codabar cannot encode (digits and - $ : / . + only)", codabarDataChar))
    return bad;
  if (body.size() + 2 > kCodabarMaxLength)
    return quoted(utf8) + " is too long for Codabar (" + std::to_string(kCodabarMaxLength - 2) +
           " characters at most besides start and stop)";
  return std::nullopt;
}

}  // namespace

int code128SymbolBound(std::u16string_view text) {
  if (text.size() == 2 && allDigits(text)) return 1;  // start C and one pair
  const auto base = [](char16_t c) { return static_cast<unsigned>(c >= 0x80 ? c - 0x80 : c); };
  const bool extended = std::any_of(text.begin(), text.end(), [](char16_t c) { return c >= 0x80; });
  int bound = 0;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t run = 0;
    while (i + run < text.size() && isDigit(text[i + run])) ++run;
    if (run >= 4) {
      // Digit pairs, with code set changes in and out and a digit left over; leaving and
      // re-entering the extended (FNC4) mode around them.
      bound += static_cast<int>((run + 1) / 2) + 3 + (extended ? 2 : 0);
      i += run;
      continue;
    }
    const char16_t c = text[i++];
    const bool oneCodeSet = base(c) < 0x20 || base(c) >= 0x60;  // a shift or a code set change
    bound += 1 + (oneCodeSet ? 1 : 0) + (c >= 0x80 || extended ? 1 : 0);  // FNC4 before or after
  }
  return bound;
}

std::optional<Symbology> symbologyOf(std::int64_t bcType) {
  switch (bcType) {
    case 0: return Symbology::Code39;
    case 1: return Symbology::Code39Mod43;
    case 2: return Symbology::Code128;
    case 3: return Symbology::Code128A;
    case 4: return Symbology::Code128B;
    case 5: return Symbology::Code128C;
    case 7: return Symbology::UpcA;
    case 8: return Symbology::UpcE;
    case 9: return Symbology::Ean8;
    case 10: return Symbology::Ean13;
    case 11: return Symbology::Codabar;
    default: return std::nullopt;
  }
}

std::string_view symbologyName(Symbology symbology) {
  switch (symbology) {
    case Symbology::Code39: return "Code 39";
    case Symbology::Code39Mod43: return "Code 39 with mod 43 check";
    case Symbology::Code128: return "Code 128";
    case Symbology::Code128A: return "Code 128 A";
    case Symbology::Code128B: return "Code 128 B";
    case Symbology::Code128C: return "Code 128 C";
    case Symbology::UpcA: return "UPC-A";
    case Symbology::UpcE: return "UPC-E";
    case Symbology::Ean8: return "EAN-8";
    case Symbology::Ean13: return "EAN-13";
    case Symbology::Codabar: return "Codabar";
  }
  return "unknown";
}

std::optional<std::string> barcodeProblem(Symbology symbology, std::string_view utf8) {
  if (utf8.empty()) return std::nullopt;
  const std::u16string data = automation::fromUtf8(utf8);
  const auto tooLong = [&](std::string limit) {
    return quoted(utf8) + " is too long for " + std::string(symbologyName(symbology)) + " (" + limit + ")";
  };
  switch (symbology) {
    case Symbology::Code39:
    case Symbology::Code39Mod43:
      if (auto bad = firstBadChar(data, utf8, "Code 39 cannot encode (digits, A to Z, space and - . $ / + % only)",
                                  code39Char))
        return bad;
      if (data.size() > kCode39MaxLength) return tooLong(std::to_string(kCode39MaxLength) + " characters at most");
      return std::nullopt;
    case Symbology::Code128:
      if (auto bad = firstBadChar(data, utf8, "Code 128 cannot encode (ASCII and ISO 8859-1 only)",
                                  [](char16_t c) { return c < 0x80 || (c >= 0xA0 && c <= 0xFF); }))
        return bad;
      break;
    case Symbology::Code128A:
      if (auto bad = firstBadChar(data, utf8, "is not in Code 128 code set A (ASCII 0 to 95)",
                                  [](char16_t c) { return c < 0x60; }))
        return bad;
      break;
    case Symbology::Code128B:
      if (auto bad = firstBadChar(data, utf8, "is not in Code 128 code set B (ASCII 32 to 127)",
                                  [](char16_t c) { return c >= 0x20 && c < 0x80; }))
        return bad;
      if (data.size() > static_cast<std::size_t>(kCode128MaxSymbols))
        return tooLong(std::to_string(kCode128MaxSymbols) + " characters at most");
      return std::nullopt;
    case Symbology::Code128C:
      if (!allDigits(data) || data.size() % 2 != 0)
        return "Code 128 C takes an even number of digits, not " + quoted(utf8);
      if (data.size() > 2 * static_cast<std::size_t>(kCode128MaxSymbols))
        return tooLong(std::to_string(2 * kCode128MaxSymbols) + " digits at most");
      return std::nullopt;
    case Symbology::UpcA: return checkGtin(data, utf8, 11, "UPC-A");
    case Symbology::UpcE: return checkUpcE(data, utf8);
    case Symbology::Ean8: return checkGtin(data, utf8, 7, "EAN-8");
    case Symbology::Ean13: return checkGtin(data, utf8, 12, "EAN-13");
    case Symbology::Codabar: return checkCodabar(data, utf8);
  }
  // Code 128 and Code 128 A: the length limit is in symbol characters.
  if (code128SymbolBound(data) > kCode128MaxSymbols)
    return tooLong(std::to_string(kCode128MaxSymbols) + " symbol characters at most");
  return std::nullopt;
}

std::string encoderData(Symbology symbology, std::string_view utf8) {
  std::string data(utf8);
  switch (symbology) {
    case Symbology::UpcA:
      if (data.size() == 12) data.pop_back();
      break;
    case Symbology::UpcE:
      if (data.size() == 8) data.pop_back();
      break;
    case Symbology::Ean8:
      if (data.size() == 8) data.pop_back();
      break;
    case Symbology::Ean13:
      if (data.size() == 13) data.pop_back();
      break;
    case Symbology::Codabar:
      if (!data.empty() && !(data.front() >= 'A' && data.front() <= 'D')) data = "A" + data + "A";
      break;
    default: break;
  }
  return data;
}

}  // namespace engine
