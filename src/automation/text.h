#pragma once
// Text conversions of automation values, with the rules a Basic host applies:
// a string is itself, a number its digits, True the word True, Empty "", and Null,
// arrays, error values and objects without a default member have no text form.

#include <optional>
#include <string>
#include <string_view>

#include "automation/value.h"

namespace automation {

// The value's text form; throws AutomationError when it cannot be formed.
std::u16string textOf(const Value& value);
// The text form, or nothing when it cannot be formed.
std::optional<std::u16string> tryTextOf(const Value& value);

// Present: the text form is not the empty string. Null is never present.
// Throws for values that have no text form and are not Null.
bool isPresent(const Value& value);

// Text concatenation (the "&" operator): Empty and Null contribute nothing; Null & Null is Null.
Value concat(const Value& left, const Value& right);

// Exact, case-sensitive comparison with a text; a Null never equals anything.
// Throws for values that have no text form and are not Null.
bool equalsText(const Value& value, std::u16string_view text);

// Lower-casing of a text (ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic letters).
std::u16string lowerCase(std::u16string_view text);

// UTF-8 <-> UTF-16 for the edges (files, terminals, tests). Invalid sequences become U+FFFD.
std::u16string fromUtf8(std::string_view utf8);
std::string toUtf8(std::u16string_view utf16);

// A UTF-8 text as a message quotes it: beyond `longest` bytes it is cut at a character
// boundary and ends with "... (N bytes)", so an error about a huge input stays readable.
std::string abbreviated(std::string_view utf8, std::size_t longest = 100);

// Text forms of the individual kinds, exposed for the platform comparison tests.
std::u16string formatDouble(double value, int significantDigits);
std::u16string formatCurrency(Currency value);
std::u16string formatDate(Date value);  // throws outside the years 100 to 9999
std::u16string formatDecimal(const Decimal& value);

}  // namespace automation
