#pragma once
// Argument coercion for the engine's members, loose the way automation is: a number may
// come as any integer type, by value or by reference, or as a string of digits.
// Every refusal is an AutomationError whose description names the member and argument.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "automation/value.h"

namespace engine {

// The automation error numbers the engine raises.
namespace error {
inline constexpr std::int32_t kInvalidArgument = 5;
inline constexpr std::int32_t kOverflow = 6;
inline constexpr std::int32_t kSubscriptOutOfRange = 9;
inline constexpr std::int32_t kTypeMismatch = 13;
inline constexpr std::int32_t kInvalidUseOfNull = 94;
inline constexpr std::int32_t kCannotCreateObject = 429;
inline constexpr std::int32_t kUnknownMember = 438;
inline constexpr std::int32_t kWrongArgumentCount = 450;
inline constexpr std::int32_t kPrinterError = 482;
}  // namespace error

// Throws AutomationError(number, "<classic text>: <detail>").
[[noreturn]] void raise(std::int32_t number, std::string_view detail);

// Which argument of which member, for the messages: "AddObject argument 3 (left)".
struct Place {
  std::string_view member;
  int position = 0;  // 1-based; 0 for the value of a property assignment
  std::string_view name;
  std::string describe() const;
};

void expectArgumentCount(std::span<const automation::Argument> args, std::size_t count, std::string_view member);

// A whole number fitting 32 bits: integer types, whole floating and currency values, Empty
// (0), Boolean (-1 or 0), and strings such as " 3", "+3" or "3.0".
std::int32_t wholeNumber(const automation::Value& value, const Place& place);
// Boolean, a number (non-zero is True), Empty (False), or "True"/"False" in any case.
bool boolean(const automation::Value& value, const Place& place);
// The value's text form (a number's digits, Empty ""), as UTF-8. Null is refused.
std::string text(const automation::Value& value, const Place& place);

// A short description of a value for messages: the string "abc", Null, an object.
std::string describeValue(const automation::Value& value);

}  // namespace engine
