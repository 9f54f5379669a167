#include "engine/arguments.h"

#include <cmath>
#include <limits>
#include <optional>

#include "automation/text.h"

namespace engine {

using automation::Value;
using automation::VarType;

namespace {

std::string_view classicText(std::int32_t number) {
  switch (number) {
    case error::kInvalidArgument: return "Invalid procedure call or argument";
    case error::kOverflow: return "Overflow";
    case error::kSubscriptOutOfRange: return "Subscript out of range";
    case error::kTypeMismatch: return "Type mismatch";
    case error::kInvalidUseOfNull: return "Invalid use of Null";
    case error::kCannotCreateObject: return "ActiveX component can't create object";
    case error::kUnknownMember: return "Object doesn't support this property or method";
    case error::kWrongArgumentCount: return "Wrong number of arguments or invalid property assignment";
    case error::kPrinterError: return "Printer error";
    default: return "Label engine error";
  }
}

bool isSpace(char16_t c) { return c == u' ' || c == u'\t'; }

std::int32_t checkedRange(long double value, const Place& place) {
  if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
    raise(error::kOverflow, place.describe() + " is too large");
  return static_cast<std::int32_t>(value);
}

// " -12", "+3", "3.000"; nothing for text that is not a number.
std::optional<long double> parseNumber(std::u16string_view text, bool& whole) {
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == u'+' || text.front() == u'-')) {
    negative = text.front() == u'-';
    text.remove_prefix(1);
  }
  long double value = 0;
  std::size_t digits = 0;
  std::size_t i = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i, ++digits)
    value = value * 10 + (text[i] - u'0');
  whole = true;
  if (i < text.size() && text[i] == u'.') {
    long double scale = 0.1L;
    for (++i; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i, ++digits, scale /= 10) {
      if (text[i] != u'0') whole = false;
      value += (text[i] - u'0') * scale;
    }
  }
  if (digits == 0 || i != text.size()) return std::nullopt;
  return negative ? -value : value;
}

std::int32_t fromNumberText(const std::u16string& text, const Value& original, const Place& place) {
  bool whole = true;
  const auto number = parseNumber(text, whole);
  if (!number) raise(error::kTypeMismatch, place.describe() + " must be a number, not " + describeValue(original));
  if (!whole) raise(error::kInvalidArgument, place.describe() + " must be a whole number, not " + describeValue(original));
  return checkedRange(*number, place);
}

// Whether a number is not zero; nothing for values that are not numbers.
std::optional<bool> isNonZero(const Value& value) {
  switch (value.type()) {
    case VarType::Empty: return false;
    case VarType::I1:
    case VarType::I2:
    case VarType::I4:
    case VarType::I8:
    case VarType::Int: return value.asSigned() != 0;
    case VarType::UI1:
    case VarType::UI2:
    case VarType::UI4:
    case VarType::UI8:
    case VarType::UInt: return value.asUnsigned() != 0;
    case VarType::R4:
    case VarType::R8: return value.asDouble() != 0;
    case VarType::Currency: return value.asCurrency().scaled != 0;
    case VarType::Decimal: return value.asDecimal().hi32 != 0 || value.asDecimal().lo64 != 0;
    default: return std::nullopt;
  }
}

[[noreturn]] void nullRefused(const Place& place) { raise(error::kInvalidUseOfNull, place.describe() + " is Null"); }

}  // namespace

void raise(std::int32_t number, std::string_view detail) {
  std::string description(classicText(number));
  if (!detail.empty()) description.append(": ").append(detail);
  throw automation::AutomationError(number, automation::fromUtf8(description), u"Dymo.LabelEngine");
}

std::string Place::describe() const {
  std::string result(member);
  if (position == 0) return result + " value";
  result += " argument " + std::to_string(position);
  if (!name.empty()) result.append(" (").append(name).append(")");
  return result;
}

void expectArgumentCount(std::span<const automation::Argument> args, std::size_t count, std::string_view member) {
  if (args.size() == count) return;
  raise(error::kWrongArgumentCount, std::string(member) + " takes " + std::to_string(count) +
                                        (count == 1 ? " argument" : " arguments") + ", not " +
                                        std::to_string(args.size()));
}

std::string describeValue(const Value& value) {
  if (value.isArray()) return "an array";
  switch (value.type()) {
    case VarType::Empty: return "Empty";
    case VarType::Null: return "Null";
    case VarType::String: return "the string \"" + automation::abbreviated(automation::toUtf8(value.asString())) + "\"";
    case VarType::Dispatch:
    case VarType::Unknown: return "an object";
    case VarType::Error: return "an error value";
    case VarType::Date: return "a date";
    default: break;
  }
  if (const auto text = automation::tryTextOf(value)) return automation::abbreviated(automation::toUtf8(*text));
  return automation::varTypeName(value.type());
}

std::int32_t wholeNumber(const Value& value, const Place& place) {
  if (value.isArray()) raise(error::kTypeMismatch, place.describe() + " must be a number, not an array");
  switch (value.type()) {
    case VarType::Empty: return 0;
    case VarType::Null: nullRefused(place);
    case VarType::Bool: return value.asBool() ? -1 : 0;
    case VarType::I1:
    case VarType::I2:
    case VarType::I4:
    case VarType::I8:
    case VarType::Int: return checkedRange(static_cast<long double>(value.asSigned()), place);
    case VarType::UI1:
    case VarType::UI2:
    case VarType::UI4:
    case VarType::UI8:
    case VarType::UInt: return checkedRange(static_cast<long double>(value.asUnsigned()), place);
    case VarType::R4:
    case VarType::R8: {
      const double number = value.asDouble();
      if (!std::isfinite(number) || std::trunc(number) != number)
        raise(error::kInvalidArgument, place.describe() + " must be a whole number, not " + describeValue(value));
      return checkedRange(number, place);
    }
    case VarType::Currency:
    case VarType::Decimal:
    case VarType::String: return fromNumberText(automation::textOf(value), value, place);
    default: break;
  }
  raise(error::kTypeMismatch, place.describe() + " must be a number, not " + describeValue(value));
}

bool boolean(const Value& value, const Place& place) {
  if (!value.isArray()) {
    if (value.isNull()) nullRefused(place);
    if (value.type() == VarType::Bool) return value.asBool();
    if (value.isString()) {
      const std::u16string lower = automation::lowerCase(value.asString());
      std::u16string_view word = lower;
      while (!word.empty() && isSpace(word.front())) word.remove_prefix(1);
      while (!word.empty() && isSpace(word.back())) word.remove_suffix(1);
      if (word == u"true") return true;
      if (word == u"false") return false;
      bool whole = true;
      if (const auto number = parseNumber(word, whole)) return *number != 0;
    } else if (const auto nonZero = isNonZero(value)) {
      return *nonZero;
    }
  }
  raise(error::kTypeMismatch, place.describe() + " must be True or False, not " + describeValue(value));
}

std::string text(const Value& value, const Place& place) {
  if (value.isNull()) nullRefused(place);
  const auto result = automation::tryTextOf(value);
  if (!result) raise(error::kTypeMismatch, place.describe() + " must be text, not " + describeValue(value));
  return automation::toUtf8(*result);
}

}  // namespace engine
