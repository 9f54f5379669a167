#include "automation/text.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace automation {

namespace {

std::u16string ascii(std::string_view text) { return {text.begin(), text.end()}; }

template <typename Int>
std::u16string digits(Int value) {
  return ascii(std::to_string(value));
}

// 96-bit unsigned magnitude, most significant limb first.
std::string decimalDigits(std::uint32_t hi, std::uint32_t mid, std::uint32_t lo) {
  std::array<std::uint32_t, 3> limbs{hi, mid, lo};
  std::string reversed;
  do {
    std::uint64_t remainder = 0;
    for (auto& limb : limbs) {
      const std::uint64_t current = (remainder << 32) | limb;
      limb = static_cast<std::uint32_t>(current / 10);
      remainder = current % 10;
    }
    reversed.push_back(static_cast<char>('0' + remainder));
  } while (limbs[0] != 0 || limbs[1] != 0 || limbs[2] != 0);
  return {reversed.rbegin(), reversed.rend()};
}

// Places a decimal point `scale` digits from the right and drops trailing fraction zeros.
std::string scaled(std::string digitsText, unsigned scale, bool negative) {
  if (scale > 0) {
    if (digitsText.size() <= scale) digitsText.insert(0, scale - digitsText.size() + 1, '0');
    digitsText.insert(digitsText.size() - scale, 1, '.');
    while (digitsText.back() == '0') digitsText.pop_back();
    if (digitsText.back() == '.') digitsText.pop_back();
  }
  if (negative && digitsText != "0") digitsText.insert(0, 1, '-');
  return digitsText;
}

struct CivilDate {
  std::int64_t year;
  unsigned month;
  unsigned day;
};

// Days since 1970-01-01 to the proleptic Gregorian calendar (H. Hinnant's algorithm).
CivilDate civilFromDays(std::int64_t z) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {y + (m <= 2 ? 1 : 0), m, d};
}

constexpr std::int64_t kAutomationEpochFromUnixEpoch = -25569;  // 1899-12-30

}  // namespace

std::u16string formatDouble(double value, int significantDigits) {
  if (value == 0) return u"0";  // no negative zero
  std::array<char, 64> buffer{};
  std::snprintf(buffer.data(), buffer.size(), "%.*G", significantDigits, value);
  return ascii(buffer.data());
}

std::u16string formatCurrency(Currency value) {
  const bool negative = value.scaled < 0;
  const std::uint64_t magnitude =
      negative ? 0 - static_cast<std::uint64_t>(value.scaled) : static_cast<std::uint64_t>(value.scaled);
  return ascii(scaled(std::to_string(magnitude), 4, negative));
}

std::u16string formatDecimal(const Decimal& value) {
  const std::string magnitude = decimalDigits(value.hi32, static_cast<std::uint32_t>(value.lo64 >> 32),
                                              static_cast<std::uint32_t>(value.lo64));
  return ascii(scaled(magnitude, value.scale, (value.sign & 0x80) != 0));
}

// English (United States) short date and long time, as the control's hosts format them:
// "12/8/2026 10:30:00 AM"; a midnight time shows the date alone, day zero the time alone.
std::u16string formatDate(Date value) {
  // Automation dates run from 1 January 100 to 31 December 9999; Windows formats nothing outside.
  constexpr double kFirstDay = -657434, kDayAfterLast = 2958466;
  if (!(value.days >= kFirstDay && value.days < kDayAfterLast)) throw AutomationError::invalidArgument();
  const double whole = value.days < 0 ? std::ceil(value.days) : std::floor(value.days);
  auto dayNumber = static_cast<std::int64_t>(whole);
  auto seconds = static_cast<std::int64_t>(std::llround(std::fabs(value.days - whole) * 86400.0));
  if (seconds >= 86400) {
    seconds -= 86400;
    dayNumber += value.days < 0 ? -1 : 1;
  }
  std::string text;
  if (dayNumber != 0) {
    const CivilDate civil = civilFromDays(dayNumber + kAutomationEpochFromUnixEpoch);
    text = std::to_string(civil.month) + "/" + std::to_string(civil.day) + "/" + std::to_string(civil.year);
  }
  if (seconds != 0 || dayNumber == 0) {
    const auto hour = static_cast<int>(seconds / 3600);
    std::array<char, 32> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%d:%02d:%02d %s", hour % 12 == 0 ? 12 : hour % 12,
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60), hour < 12 ? "AM" : "PM");
    if (!text.empty()) text += ' ';
    text += buffer.data();
  }
  return ascii(text);
}

std::u16string textOf(const Value& value) {
  if (value.isArray()) throw AutomationError::typeMismatch();
  switch (value.type()) {
    case VarType::Empty: return {};
    case VarType::Null: throw AutomationError::invalidUseOfNull();
    case VarType::String: return value.asString();
    case VarType::I1:
    case VarType::I2:
    case VarType::I4:
    case VarType::I8:
    case VarType::Int: return digits(value.asSigned());
    case VarType::UI1:
    case VarType::UI2:
    case VarType::UI4:
    case VarType::UI8:
    case VarType::UInt: return digits(value.asUnsigned());
    case VarType::R4: return formatDouble(value.asDouble(), 7);
    case VarType::R8: return formatDouble(value.asDouble(), 15);
    case VarType::Currency: return formatCurrency(value.asCurrency());
    case VarType::Date: return formatDate(value.asDate());
    case VarType::Decimal: return formatDecimal(value.asDecimal());
    case VarType::Bool: return value.asBool() ? u"True" : u"False";
    case VarType::Dispatch:
    case VarType::Unknown: {
      const auto& object = value.asObject();
      if (!object) throw AutomationError::objectNotSet();
      const Value inner = object->defaultValue();
      if (inner.isObject()) throw AutomationError::typeMismatch();  // no endless default chains
      return textOf(inner);
    }
    case VarType::Error:
    case VarType::Variant: break;
  }
  throw AutomationError::typeMismatch();
}

std::optional<std::u16string> tryTextOf(const Value& value) {
  try {
    return textOf(value);
  } catch (const AutomationError&) {
    return std::nullopt;
  }
}

bool isPresent(const Value& value) {
  if (value.isNull()) return false;
  return !textOf(value).empty();
}

Value concat(const Value& left, const Value& right) {
  if (left.isNull() && right.isNull()) return Value::null();
  std::u16string text = left.isNull() ? std::u16string{} : textOf(left);
  if (!right.isNull()) text += textOf(right);
  return Value::string(std::move(text));
}

bool equalsText(const Value& value, std::u16string_view text) {
  if (value.isNull()) return false;
  if (value.isString()) return value.asString() == text;
  return textOf(value) == text;
}

namespace {
char16_t lowerOf(char16_t c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
  if (c == 0x130) return u'i';
  if (c == 0x178) return 0xFF;
  if ((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
    return static_cast<char16_t>(c | 1);
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
    return (c & 1) ? static_cast<char16_t>(c + 1) : c;
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return static_cast<char16_t>(c + 37);
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return static_cast<char16_t>(c + 63);
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return static_cast<char16_t>(c + 32);
  if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 80);
  if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 32);
  return c;
}
}  // namespace

std::u16string lowerCase(std::u16string_view text) {
  std::u16string result(text);
  for (auto& c : result) c = lowerOf(c);
  return result;
}

std::u16string fromUtf8(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    std::uint32_t code = 0xFFFD;
    std::size_t length = 1;
    if (lead < 0x80) {
      code = lead;
    } else {
      const std::size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
      if (need != 0 && i + need <= utf8.size()) {
        std::uint32_t value = lead & (0xFF >> (need + 1));
        bool ok = lead < 0xF5;
        for (std::size_t k = 1; k < need && ok; ++k) {
          const auto next = static_cast<unsigned char>(utf8[i + k]);
          ok = (next & 0xC0) == 0x80;
          value = (value << 6) | (next & 0x3F);
        }
        constexpr std::array<std::uint32_t, 5> minimum{0, 0, 0x80, 0x800, 0x10000};
        if (ok && value >= minimum[need] && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF)) {
          code = value;
          length = need;
        }
      }
    }
    if (code >= 0x10000) {
      code -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(code));
    }
    i += length;
  }
  return out;
}

std::string toUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    std::uint32_t code = utf16[i];
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
      ++i;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = 0xFFFD;
    }
    if (code < 0x80) {
      out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (code >> 6)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (code >> 12)));
      out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (code >> 18)));
      out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }
  return out;
}

std::string abbreviated(std::string_view utf8, std::size_t longest) {
  if (utf8.size() <= longest) return std::string(utf8);
  std::size_t cut = longest;
  while (cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80) --cut;
  return std::string(utf8.substr(0, cut)) + "... (" + std::to_string(utf8.size()) + " bytes)";
}

}  // namespace automation
