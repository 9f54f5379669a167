#include "printing/engine_calls.h"

#include <array>

#include "automation/text.h"

namespace printing {

std::shared_ptr<Object> objectOf(const Value& value) {
  if (!value.isObject()) throw automation::AutomationError::typeMismatch();
  if (!value.asObject()) throw automation::AutomationError::objectNotSet();
  return value.asObject();
}

std::shared_ptr<Object> getObject(Object& target, std::u16string_view member) {
  return objectOf(target.get(member));
}

std::shared_ptr<Object> printObjectOf(Object& engine) { return getObject(engine, u"PrintObject"); }

double numberOf(const Value& value) {
  if (value.isArray()) throw automation::AutomationError::typeMismatch();
  switch (value.type()) {
    case automation::VarType::Empty: return 0;
    case automation::VarType::I1:
    case automation::VarType::I2:
    case automation::VarType::I4:
    case automation::VarType::I8:
    case automation::VarType::Int: return static_cast<double>(value.asSigned());
    case automation::VarType::UI1:
    case automation::VarType::UI2:
    case automation::VarType::UI4:
    case automation::VarType::UI8:
    case automation::VarType::UInt: return static_cast<double>(value.asUnsigned());
    case automation::VarType::R4:
    case automation::VarType::R8: return value.asDouble();
    case automation::VarType::Bool: return value.asBool() ? -1 : 0;
    case automation::VarType::Currency: return static_cast<double>(value.asCurrency().scaled) / 10000.0;
    case automation::VarType::Null: throw automation::AutomationError::invalidUseOfNull();
    default: break;
  }
  throw automation::AutomationError::typeMismatch();
}

void clearLabel(Object& engine) {
  while (numberOf(getObject(*printObjectOf(engine), u"Objects")->get(u"Count")) > 0) {
    const std::array first{Argument::byValue(Value::i2(1))};
    const Value item = getObject(*printObjectOf(engine), u"Objects")->get(u"Item", first);
    const std::array toDelete{Argument::byValue(item)};
    printObjectOf(engine)->call(u"Delete", toDelete);
  }
}

}  // namespace printing
