#pragma once
// Drives an engine the way the control's layouts do: late bound, by member name, with the
// argument types the layouts use.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "automation/text.h"
#include "automation/value.h"
#include "engine/arguments.h"
#include "engine/engine.h"

namespace engine_test {

using automation::Argument;
using automation::Object;
using automation::Value;

class RecordingSink : public engine::PrintSink {
 public:
  void print(const engine::LabelDescription& label) override { labels.push_back(label); }
  std::vector<engine::LabelDescription> labels;
};

inline std::vector<Argument> values(std::vector<Value> list) {
  std::vector<Argument> args;
  for (auto& value : list) args.push_back(Argument::byValue(std::move(value)));
  return args;
}

inline std::shared_ptr<Object> object(const Value& value) {
  EXPECT_TRUE(value.isObject());
  return value.isObject() ? value.asObject() : nullptr;
}

inline Value get(Object& target, std::u16string_view member, std::vector<Value> args = {}) {
  const auto list = values(std::move(args));
  return target.get(member, list);
}

inline Value call(Object& target, std::u16string_view member, std::vector<Value> args = {}) {
  const auto list = values(std::move(args));
  return target.call(member, list);
}

inline void put(Object& target, std::u16string_view member, Value value) {
  target.put(member, Argument::byValue(std::move(value)));
}

inline std::string text(const Value& value) { return automation::toUtf8(automation::textOf(value)); }

// The automation error a call raises; fails the test when it raises none.
inline automation::AutomationError errorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const automation::AutomationError& error) {
    return error;
  }
  ADD_FAILURE() << "no automation error was raised";
  return {0, u""};
}

inline Value i2(int v) { return Value::i2(static_cast<std::int16_t>(v)); }

// AddObject then LabelObject, the handle passed by reference as the layouts pass it.
inline std::shared_ptr<Object> addObject(Object& engine, int kind, const std::string& name, int left, int top,
                                         int width, int height, int rotation = 0) {
  const auto printObject = object(get(engine, u"PrintObject"));
  Value handle = call(*printObject, u"AddObject",
                      {i2(kind), Value::string(name), i2(left), i2(top), i2(width), i2(height), i2(rotation)});
  const Argument byReference[] = {Argument::byReference(handle)};
  return object(printObject->get(u"LabelObject", byReference));
}

inline void clearLabel(Object& engine) {
  const auto objects = object(get(*object(get(engine, u"PrintObject")), u"Objects"));
  while (get(*objects, u"Count").asSigned() > 0) {
    const Value first = get(*objects, u"Item", {i2(1)});
    call(*object(get(engine, u"PrintObject")), u"Delete", {first});
  }
}

// A text line with the HOSPITAL layout's attributes.
inline void addHospitalText(Object& engine, const std::string& name, int top, const std::string& line) {
  const auto label = addObject(engine, 0, name, 200, top, 2800, 180);
  const auto attributes = object(get(*label, u"TextAttributes"));
  put(*attributes, u"Text", Value::string(line));
  put(*attributes, u"Font_1", Value::string("Times New Roman, 7"));
  put(*attributes, u"Font_2", Value::string("Times New Roman, 7"));
  put(*attributes, u"TextColor", Value::i4(0));
  put(*attributes, u"BackGroundColor", Value::i4(16777215));
  put(*attributes, u"Justify", i2(0));
  put(*attributes, u"Mirrored", Value::boolean(false));
  put(*attributes, u"Vertical", Value::boolean(false));
  put(*attributes, u"VJustify", i2(0));
}

inline void setBarcode(Object& code, const std::string& data, int bcType = 2, int textPos = 0, int size = 0,
                       int justify = 0) {
  put(code, u"Text", Value::string(data));
  put(code, u"Font", Value::string("Times New Roman, 8"));
  put(code, u"TextPos", i2(textPos));
  put(code, u"BCType", i2(bcType));
  put(code, u"Size", i2(size));
  put(code, u"Justify", i2(justify));
  put(code, u"Link", i2(0));
}

struct HospitalLines {
  std::string line1 = "Acc# 2026-004417   Req# R-88231";
  std::string line2 = "DOE, JANE Q   DOB 03/14/1961  F";
  std::string barcode = "S00441712";
  std::string line4 = "Test 1234  CBC WITH DIFF";
  std::string line5 = "Dr. SMITH, JOHN";
  std::string line6 = "Coll 12/08/2026 10:30   Refrigerated";
  std::string line7 = "Lavender top, 3 mL whole blood";
};

// The HOSPITAL layout's calls: clear, small stock, six text lines around a Code 128, print.
inline void printHospital(Object& engine, const HospitalLines& lines = {}, Value copies = Value::i2(1)) {
  clearLabel(engine);
  call(engine, u"NewLabel", {Value::string("Small 2-1/4 in x 1-1/4 in")});
  addHospitalText(engine, "Line01", 180, lines.line1);
  addHospitalText(engine, "Line02", 360, lines.line2);
  setBarcode(*addObject(engine, 5, "BC", 200, 540, 2800, 360), lines.barcode);
  addHospitalText(engine, "Line04", 900, lines.line4);
  addHospitalText(engine, "Line05", 1080, lines.line5);
  addHospitalText(engine, "Line06", 1260, lines.line6);
  addHospitalText(engine, "Line07", 1440, lines.line7);
  Value printer = Value::string("DYMO LabelWriter 450");
  const Argument args[] = {Argument::byReference(printer), Argument::byValue(Value::string("COM1:")),
                           Argument::byReference(copies), Argument::byValue(Value::boolean(false))};
  engine.call(u"PrintLabel", args);
}

}  // namespace engine_test
