#pragma once
// The automation value: the tagged value an automation host passes (a VARIANT on
// Windows), carried portably so the request state can hold "whatever the host gave"
// by copy, with no conversion, and give it back unchanged.

#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace automation {

// Numbering follows the automation VARTYPE so the Windows adapter maps one to one
// and diagnostics can print the familiar names.
enum class VarType : std::uint16_t {
  Empty = 0,
  Null = 1,
  I2 = 2,
  I4 = 3,
  R4 = 4,
  R8 = 5,
  Currency = 6,
  Date = 7,
  String = 8,
  Dispatch = 9,
  Error = 10,
  Bool = 11,
  Variant = 12,  // only as an array element type
  Unknown = 13,
  Decimal = 14,
  I1 = 16,
  UI1 = 17,
  UI2 = 18,
  UI4 = 19,
  I8 = 20,
  UI8 = 21,
  Int = 22,
  UInt = 23,
};

constexpr std::uint16_t kArrayFlag = 0x2000;
constexpr std::uint16_t kByRefFlag = 0x4000;

std::string varTypeName(VarType type);

// An automation error: the number a script sees (Err.Number) and its description. The
// classic run-time errors carry their Basic numbers (13, 94, 438...); an HRESULT of the
// 0x800A0000 family arrives as the number in its low word, any other HRESULT as it is.
class AutomationError : public std::runtime_error {
 public:
  AutomationError(std::int32_t number, std::u16string description, std::u16string source = {});
  std::int32_t number() const noexcept { return number_; }
  const std::u16string& description() const noexcept { return description_; }
  const std::u16string& source() const noexcept { return source_; }

  // The classic run-time errors the core raises itself.
  static AutomationError typeMismatch();         // 13
  static AutomationError invalidUseOfNull();     // 94
  static AutomationError invalidArgument();      // 5
  static AutomationError objectNotSet();         // 91
  static AutomationError noDefaultMember();      // 438
  static AutomationError cannotCreateObject();   // 429

 private:
  std::int32_t number_;
  std::u16string description_;
  std::u16string source_;
};

class Value;
class Object;

// The 16 bytes of a DECIMAL, kept field by field so it converts losslessly.
struct Decimal {
  std::uint16_t reserved = 0;
  std::uint8_t scale = 0;
  std::uint8_t sign = 0;  // 0x80 for negative
  std::uint32_t hi32 = 0;
  std::uint64_t lo64 = 0;
  bool operator==(const Decimal&) const = default;
};

struct Currency {
  std::int64_t scaled = 0;  // value * 10000
  bool operator==(const Currency&) const = default;
};

struct Date {
  double days = 0;  // days since 30 December 1899, time as the fraction
  bool operator==(const Date&) const = default;
};

struct ErrorCode {
  std::int32_t scode = 0;
  bool operator==(const ErrorCode&) const = default;
};

inline constexpr std::int32_t kParamNotFound = static_cast<std::int32_t>(0x80020004);  // an omitted argument

struct ArrayBound {
  std::int32_t lowerBound = 0;
  std::uint32_t count = 0;
  bool operator==(const ArrayBound&) const = default;
};

// A SAFEARRAY's content. Elements are in storage order (first dimension fastest) and each
// holds the element type (any type for VarType::Variant).
struct Array {
  VarType elementType = VarType::Variant;
  std::vector<ArrayBound> bounds;
  std::vector<Value> elements;
};

// How a value travels into a late-bound call.
class Argument;

class Value {
 public:
  Value() = default;  // Empty
  // Arrays may nest thousands of levels deep (a script can build them in a loop): releasing
  // one and assigning over one work level by level, not recursively.
  Value(const Value&) = default;
  Value(Value&&) noexcept = default;
  Value& operator=(Value other) noexcept {
    std::swap(type_, other.type_);
    data_.swap(other.data_);
    return *this;  // what this held is released with `other`
  }
  ~Value();
  static Value null();
  static Value string(std::u16string text);
  static Value string(std::string_view utf8);
  static Value i2(std::int16_t v);
  static Value i4(std::int32_t v);
  static Value i1(std::int8_t v);
  static Value ui1(std::uint8_t v);
  static Value ui2(std::uint16_t v);
  static Value ui4(std::uint32_t v);
  static Value i8(std::int64_t v);
  static Value ui8(std::uint64_t v);
  static Value integer(std::int32_t v);       // VT_INT
  static Value unsignedInteger(std::uint32_t v);  // VT_UINT
  static Value r4(float v);
  static Value r8(double v);
  static Value currency(Currency v);
  static Value date(Date v);
  static Value boolean(bool v);
  static Value decimal(Decimal v);
  static Value error(std::int32_t scode);
  static Value missing() { return error(kParamNotFound); }
  static Value object(std::shared_ptr<Object> object, VarType kind = VarType::Dispatch);
  static Value array(Array array);

  VarType type() const noexcept { return type_; }
  bool isArray() const noexcept { return std::holds_alternative<std::shared_ptr<Array>>(data_); }
  bool isEmpty() const noexcept { return type_ == VarType::Empty && !isArray(); }
  bool isNull() const noexcept { return type_ == VarType::Null && !isArray(); }
  bool isString() const noexcept { return type_ == VarType::String && !isArray(); }
  bool isObject() const noexcept {
    return !isArray() && (type_ == VarType::Dispatch || type_ == VarType::Unknown);
  }
  // The VARTYPE word as a host would see it (array flag included).
  std::uint16_t vartype() const noexcept;

  // Typed access; each throws std::bad_variant_access on the wrong type (a programming error).
  const std::u16string& asString() const;
  std::int64_t asSigned() const;     // I1, I2, I4, I8, Int
  std::uint64_t asUnsigned() const;  // UI1, UI2, UI4, UI8, UInt
  double asDouble() const;           // R4, R8
  bool asBool() const;
  Currency asCurrency() const;
  Date asDate() const;
  Decimal asDecimal() const;
  std::int32_t asErrorCode() const;
  const std::shared_ptr<Object>& asObject() const;
  const Array& asArray() const;

  // Identity of type and content (objects compare by reference); not automation equality.
  // Nested arrays are compared level by level, not recursively.
  bool identical(const Value& other) const;

 private:
  using Storage = std::variant<std::monostate, std::u16string, std::int64_t, std::uint64_t, double, bool,
                               Decimal, std::shared_ptr<Object>, std::shared_ptr<Array>>;
  Value(VarType type, Storage data) : type_(type), data_(std::move(data)) {}
  VarType type_ = VarType::Empty;
  Storage data_;
};

class Argument {
 public:
  enum class Passing {
    ByValue,
    ByReference,       // a reference to a Variant (VT_BYREF|VT_VARIANT)
    ByTypedReference,  // a reference to the value's own type (VT_BYREF|VT_I2, ...)
  };
  static Argument byValue(Value value) { return Argument(Passing::ByValue, std::move(value), nullptr); }
  static Argument byReference(Value& target) { return Argument(Passing::ByReference, {}, &target); }
  static Argument byTypedReference(Value& target) { return Argument(Passing::ByTypedReference, {}, &target); }

  Passing passing() const noexcept { return passing_; }
  const Value& value() const noexcept { return reference_ ? *reference_ : value_; }
  // The referenced value, for a callee that writes back through a reference; null when by value.
  Value* target() const noexcept { return reference_; }

 private:
  Argument(Passing passing, Value value, Value* reference)
      : passing_(passing), value_(std::move(value)), reference_(reference) {}
  Passing passing_;
  Value value_;
  Value* reference_;
};

// A late-bound automation object: members reached by name, as through IDispatch.
// Every failure is an AutomationError.
class Object {
 public:
  virtual ~Object() = default;
  virtual Value get(std::u16string_view member, std::span<const Argument> args = {}) = 0;
  virtual void put(std::u16string_view member, const Argument& value) = 0;
  virtual Value call(std::u16string_view member, std::span<const Argument> args = {}) = 0;
  // The default member's value, which gives the object its text form.
  virtual Value defaultValue() { throw AutomationError::noDefaultMember(); }
};

// Creates automation objects by ProgID ("Dymo.LabelEngine"); throws AutomationError
// when the class is not available.
class ObjectFactory {
 public:
  virtual ~ObjectFactory() = default;
  virtual std::shared_ptr<Object> create(std::u16string_view progId) = 0;
};

}  // namespace automation
