#include "automation/value.h"

#include "automation/text.h"

#include <cstring>

namespace automation {

namespace {
std::string narrow(std::u16string_view text) { return toUtf8(text); }
}  // namespace

AutomationError::AutomationError(std::int32_t number, std::u16string description, std::u16string source)
    : std::runtime_error(narrow(description)),
      number_(number),
      description_(std::move(description)),
      source_(std::move(source)) {}

AutomationError AutomationError::typeMismatch() { return {13, u"Type mismatch"}; }
AutomationError AutomationError::invalidUseOfNull() { return {94, u"Invalid use of Null"}; }
AutomationError AutomationError::invalidArgument() { return {5, u"Invalid procedure call or argument"}; }
AutomationError AutomationError::objectNotSet() { return {91, u"Object variable or With block variable not set"}; }
AutomationError AutomationError::noDefaultMember() { return {438, u"Object doesn't support this property or method"}; }
AutomationError AutomationError::cannotCreateObject() { return {429, u"ActiveX component can't create object"}; }

std::string varTypeName(VarType type) {
  switch (type) {
    case VarType::Empty: return "VT_EMPTY";
    case VarType::Null: return "VT_NULL";
    case VarType::I2: return "VT_I2";
    case VarType::I4: return "VT_I4";
    case VarType::R4: return "VT_R4";
    case VarType::R8: return "VT_R8";
    case VarType::Currency: return "VT_CY";
    case VarType::Date: return "VT_DATE";
    case VarType::String: return "VT_BSTR";
    case VarType::Dispatch: return "VT_DISPATCH";
    case VarType::Error: return "VT_ERROR";
    case VarType::Bool: return "VT_BOOL";
    case VarType::Variant: return "VT_VARIANT";
    case VarType::Unknown: return "VT_UNKNOWN";
    case VarType::Decimal: return "VT_DECIMAL";
    case VarType::I1: return "VT_I1";
    case VarType::UI1: return "VT_UI1";
    case VarType::UI2: return "VT_UI2";
    case VarType::UI4: return "VT_UI4";
    case VarType::I8: return "VT_I8";
    case VarType::UI8: return "VT_UI8";
    case VarType::Int: return "VT_INT";
    case VarType::UInt: return "VT_UINT";
  }
  return "VT_" + std::to_string(static_cast<int>(type));
}

Value Value::null() { return {VarType::Null, std::monostate{}}; }
Value Value::string(std::u16string text) { return {VarType::String, std::move(text)}; }
Value Value::string(std::string_view utf8) { return {VarType::String, fromUtf8(utf8)}; }
Value Value::i2(std::int16_t v) { return {VarType::I2, std::int64_t{v}}; }
Value Value::i4(std::int32_t v) { return {VarType::I4, std::int64_t{v}}; }
Value Value::i1(std::int8_t v) { return {VarType::I1, std::int64_t{v}}; }
Value Value::ui1(std::uint8_t v) { return {VarType::UI1, std::uint64_t{v}}; }
Value Value::ui2(std::uint16_t v) { return {VarType::UI2, std::uint64_t{v}}; }
Value Value::ui4(std::uint32_t v) { return {VarType::UI4, std::uint64_t{v}}; }
Value Value::i8(std::int64_t v) { return {VarType::I8, v}; }
Value Value::ui8(std::uint64_t v) { return {VarType::UI8, v}; }
Value Value::integer(std::int32_t v) { return {VarType::Int, std::int64_t{v}}; }
Value Value::unsignedInteger(std::uint32_t v) { return {VarType::UInt, std::uint64_t{v}}; }
Value Value::r4(float v) { return {VarType::R4, static_cast<double>(v)}; }
Value Value::r8(double v) { return {VarType::R8, v}; }
Value Value::currency(Currency v) { return {VarType::Currency, v.scaled}; }
Value Value::date(Date v) { return {VarType::Date, v.days}; }
Value Value::boolean(bool v) { return {VarType::Bool, v}; }
Value Value::decimal(Decimal v) { return {VarType::Decimal, v}; }
Value Value::error(std::int32_t scode) { return {VarType::Error, std::int64_t{scode}}; }
Value Value::object(std::shared_ptr<Object> object, VarType kind) {
  return {kind == VarType::Unknown ? VarType::Unknown : VarType::Dispatch, std::move(object)};
}
Value Value::array(Array array) {
  const VarType element = array.elementType;
  return {element, std::make_shared<Array>(std::move(array))};
}

std::uint16_t Value::vartype() const noexcept {
  return static_cast<std::uint16_t>(static_cast<std::uint16_t>(type_) | (isArray() ? kArrayFlag : 0));
}

const std::u16string& Value::asString() const { return std::get<std::u16string>(data_); }
std::int64_t Value::asSigned() const { return std::get<std::int64_t>(data_); }
std::uint64_t Value::asUnsigned() const { return std::get<std::uint64_t>(data_); }
double Value::asDouble() const { return std::get<double>(data_); }
bool Value::asBool() const { return std::get<bool>(data_); }
Currency Value::asCurrency() const { return {std::get<std::int64_t>(data_)}; }
Date Value::asDate() const { return {std::get<double>(data_)}; }
Decimal Value::asDecimal() const { return std::get<Decimal>(data_); }
std::int32_t Value::asErrorCode() const { return static_cast<std::int32_t>(std::get<std::int64_t>(data_)); }
const std::shared_ptr<Object>& Value::asObject() const { return std::get<std::shared_ptr<Object>>(data_); }
const Array& Value::asArray() const { return *std::get<std::shared_ptr<Array>>(data_); }

Value::~Value() {
  auto* array = std::get_if<std::shared_ptr<Array>>(&data_);
  if (!array || !*array || array->use_count() != 1) return;
  // The last reference to an array: take the arrays it holds out of it before it goes, so
  // that no array is released while it still holds one.
  std::vector<std::shared_ptr<Array>> pending;
  pending.push_back(std::move(*array));
  while (!pending.empty()) {
    const std::shared_ptr<Array> current = std::move(pending.back());
    pending.pop_back();
    if (current.use_count() != 1) continue;  // still held elsewhere: not released now
    for (Value& element : current->elements)
      if (auto* inner = std::get_if<std::shared_ptr<Array>>(&element.data_); inner && *inner)
        pending.push_back(std::move(*inner));
  }
}

bool Value::identical(const Value& other) const {
  std::vector<std::pair<const Value*, const Value*>> pending{{this, &other}};
  while (!pending.empty()) {
    const auto [a, b] = pending.back();
    pending.pop_back();
    if (a->type_ != b->type_ || a->isArray() != b->isArray()) return false;
    if (a->isArray()) {
      const Array& x = a->asArray();
      const Array& y = b->asArray();
      if (&x == &y) continue;
      if (x.elementType != y.elementType || x.bounds != y.bounds || x.elements.size() != y.elements.size())
        return false;
      for (std::size_t i = 0; i < x.elements.size(); ++i) pending.emplace_back(&x.elements[i], &y.elements[i]);
    } else if (a->type_ == VarType::R4 || a->type_ == VarType::R8 || a->type_ == VarType::Date) {
      // Bitwise, so NaN payloads and negative zero count as the values they are.
      const double x = a->asDouble(), y = b->asDouble();
      if (std::memcmp(&x, &y, sizeof x) != 0) return false;
    } else if (a->data_ != b->data_) {
      return false;
    }
  }
  return true;
}

}  // namespace automation
