// The automation value's text form, text comparison, concatenation, lower-casing and the
// UTF-8 edges, on two values of any kind.

#include <cstring>
#include <optional>

#include "control/entry_points.h"
#include "fuzz_values.h"

namespace {

using automation::AutomationError;
using fuzzing::Value;

// The value's text form, or nothing when it raised (only AutomationError may escape).
std::optional<std::u16string> textForm(const Value& value) {
  try {
    return automation::textOf(value);
  } catch (const AutomationError&) {
    return std::nullopt;
  }
}

// What a round trip through UTF-8 makes of a UTF-16 text: lone surrogates become U+FFFD.
std::u16string wellFormed(std::u16string_view text) {
  std::u16string result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      result += c;
      result += text[++i];
    } else {
      result += (c >= 0xD800 && c <= 0xDFFF) ? u'\xFFFD' : c;
    }
  }
  return result;
}

void checkText(std::u16string_view text) {
  const std::u16string lower = automation::lowerCase(text);
  FUZZ_CHECK(lower.size() == text.size());
  FUZZ_CHECK(automation::lowerCase(lower) == lower);
  for (std::size_t i = 0; i < text.size(); ++i)
    if (text[i] < 0x80) FUZZ_CHECK(lower[i] == (text[i] >= u'A' && text[i] <= u'Z' ? text[i] + 32 : text[i]));
  const std::string utf8 = automation::toUtf8(text);
  FUZZ_CHECK(automation::fromUtf8(utf8) == wellFormed(text));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const Value a = fuzzing::makeValue(in);
  const Value b = fuzzing::makeValue(in);

  const auto textA = textForm(a);
  const auto textB = textForm(b);
  FUZZ_CHECK(automation::tryTextOf(a) == textA);
  FUZZ_CHECK(a.identical(a));
  FUZZ_CHECK(Value(a).identical(a));
  if (a.identical(b)) FUZZ_CHECK(textA == textB);
  (void)control::displayFlag(a);

  if (textA) {
    checkText(*textA);
    FUZZ_CHECK(automation::equalsText(a, *textA) == !a.isNull());
    FUZZ_CHECK(automation::isPresent(a) == !textA->empty());
  }
  if (textB && !a.isNull()) {
    try {
      FUZZ_CHECK(automation::equalsText(a, *textB) == (textA == textB));
    } catch (const AutomationError&) {
      FUZZ_CHECK(!textA);
    }
  }
  try {
    const Value joined = automation::concat(a, b);
    if (a.isNull() && b.isNull()) {
      FUZZ_CHECK(joined.isNull());
    } else {
      FUZZ_CHECK(joined.isString());
      FUZZ_CHECK(joined.asString() == (a.isNull() ? u"" : *textA) + (b.isNull() ? u"" : *textB));
    }
  } catch (const AutomationError&) {
    FUZZ_CHECK((!a.isNull() && !textA) || (!b.isNull() && !textB));
  }

  // The raw bytes as a text of every kind of trouble, and as UTF-8.
  const std::string rest = in.ConsumeRemainingBytesAsString();
  checkText(automation::fromUtf8(rest));
  std::u16string units(rest.size() / 2, u'\0');
  std::memcpy(units.data(), rest.data(), units.size() * 2);
  checkText(units);
  return 0;
}
