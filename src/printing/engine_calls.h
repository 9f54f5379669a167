#pragma once
// Late-bound calls on the label engine that several layouts share.

#include <memory>
#include <string_view>

#include "automation/value.h"

namespace printing {

using automation::Argument;
using automation::Object;
using automation::Value;

inline constexpr char16_t kEngineProgId[] = u"Dymo.LabelEngine";

// The object a member returned; a result that is not an object is a type mismatch.
std::shared_ptr<Object> objectOf(const Value& value);
std::shared_ptr<Object> getObject(Object& target, std::u16string_view member);

// The engine's label under construction, read afresh at each use as the engine expects.
std::shared_ptr<Object> printObjectOf(Object& engine);

// Deletes every object on the engine's label through Item(1) until Count is 0.
void clearLabel(Object& engine);

// A number an engine property returned (Count), as automation would compare it.
double numberOf(const Value& value);

}  // namespace printing
