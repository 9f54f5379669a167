// The virtual engine's object model reached by name: random sequences of property reads,
// assignments and method calls on every object it hands out, with random member names
// (known ones in any letter case, and anything else) and random arguments passed by value
// or by reference. Every failure must be one of the engine's documented automation errors.

#include <deque>
#include <set>
#include <vector>

#include "checking_sink.h"
#include "engine/engine.h"

namespace {

using automation::Argument;
using automation::AutomationError;
using automation::Object;
using fuzzing::Value;

const std::set<std::int32_t> kDocumentedErrors{5, 6, 9, 13, 94, 438, 450, 482};

std::u16string memberName(FuzzedDataProvider& in, const Object& target) {
  const auto names = engine::memberNames(target);
  if (names.empty() || in.ConsumeIntegralInRange(0, 4) == 0) return fuzzing::makeText(in, 16);
  std::u16string name(names[in.ConsumeIntegralInRange<std::size_t>(0, names.size() - 1)]);
  if (in.ConsumeBool())
    for (auto& c : name)
      if (c < 0x80 && in.ConsumeBool()) c = static_cast<char16_t>(c ^ 0x20);  // another letter case (or not a letter)
  return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  auto sink = std::make_shared<fuzzing::CheckingSink>();
  engine::EngineFactory factory(sink);
  std::vector<std::shared_ptr<Object>> objects{factory.create(u"Dymo.LabelEngine")};
  std::vector<Value> results;      // what members returned, to hand back as arguments
  std::deque<Value> referenced;    // the targets of by-reference arguments, alive during the call

  for (int step = 0; step < 64 && in.remaining_bytes() > 0; ++step) {
    Object& target = *objects[in.ConsumeIntegralInRange<std::size_t>(0, objects.size() - 1)];
    const int operation = in.ConsumeIntegralInRange(0, 2);
    const std::u16string member = memberName(in, target);

    std::vector<Argument> arguments;
    const auto count = in.ConsumeIntegralInRange<std::size_t>(0, in.ConsumeBool() ? 8 : 1);
    for (std::size_t i = 0; i < count; ++i) {
      Value value;
      switch (in.ConsumeIntegralInRange(0, 3)) {
        case 0:
          if (!results.empty()) value = results[in.ConsumeIntegralInRange<std::size_t>(0, results.size() - 1)];
          break;
        case 1:
          value = Value::object(objects[in.ConsumeIntegralInRange<std::size_t>(0, objects.size() - 1)]);
          break;
        default: value = fuzzing::makeValue(in, 1);
      }
      switch (in.ConsumeIntegralInRange(0, 2)) {
        case 0: arguments.push_back(Argument::byValue(std::move(value))); break;
        case 1: arguments.push_back(Argument::byReference(referenced.emplace_back(std::move(value)))); break;
        default: arguments.push_back(Argument::byTypedReference(referenced.emplace_back(std::move(value))));
      }
    }

    try {
      Value result;
      if (operation == 0) {
        result = target.get(member, arguments);
      } else if (operation == 1) {
        result = target.call(member, arguments);
      } else {
        target.put(member, arguments.empty() ? Argument::byValue(Value{}) : arguments.front());
      }
      if (result.isObject() && result.asObject() && objects.size() < 32) objects.push_back(result.asObject());
      if (results.size() < 32) results.push_back(std::move(result));
    } catch (const AutomationError& error) {
      FUZZ_CHECK(kDocumentedErrors.count(error.number()) == 1);
      FUZZ_CHECK(!error.description().empty());
    }
  }
  return 0;
}
