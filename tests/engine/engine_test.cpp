// The engine's object model on its own: stocks, objects, attributes, coercions, errors.

#include <gtest/gtest.h>

#include "engine/engine.h"
#include "engine_driver.h"

namespace engine_test {
namespace {

using engine::describeValue;
using engine::error::kInvalidArgument;
using engine::error::kInvalidUseOfNull;
using engine::error::kOverflow;
using engine::error::kSubscriptOutOfRange;
using engine::error::kTypeMismatch;
using engine::error::kUnknownMember;
using engine::error::kWrongArgumentCount;

// An automation object from elsewhere, which the engine must not take for one of its own.
class ForeignObject : public Object {
 public:
  Value get(std::u16string_view, std::span<const Argument>) override { return {}; }
  void put(std::u16string_view, const Argument&) override {}
  Value call(std::u16string_view, std::span<const Argument>) override { return {}; }
};

class EngineTest : public ::testing::Test {
 protected:
  std::shared_ptr<RecordingSink> sink = std::make_shared<RecordingSink>();
  std::shared_ptr<Object> engine = engine::createEngine(sink);

  std::shared_ptr<Object> printObject() { return object(get(*engine, u"PrintObject")); }
  std::shared_ptr<Object> objects() { return object(get(*printObject(), u"Objects")); }
  std::int64_t count() { return get(*objects(), u"Count").asSigned(); }
  std::string labelName() { return text(get(*object(get(*engine, u"LabelInfo")), u"LabelName")); }
  std::shared_ptr<Object> addText(const std::string& name = "T") { return addObject(*engine, 0, name, 0, 0, 100, 100); }
  void print(Value copies = i2(1), Value printer = Value::string("P")) {
    call(*engine, u"PrintLabel", {printer, Value::string("COM1:"), copies, Value::boolean(false)});
  }
};

TEST_F(EngineTest, StartsOnReturnAddressAndSwitchesOnlyToStocksItKnows) {
  EXPECT_EQ(labelName(), "Return Address");
  call(*engine, u"NewLabel", {Value::string("Small 2-1/4 in x 1-1/4 in")});
  EXPECT_EQ(labelName(), "Small 2-1/4 in x 1-1/4 in");
  for (const char* unknown : {"Shipping", "medium", "", "Medium "}) {
    call(*engine, u"NewLabel", {Value::string(unknown)});
    EXPECT_EQ(labelName(), "Small 2-1/4 in x 1-1/4 in") << unknown;
  }
  print();
  EXPECT_EQ(sink->labels.at(0).stock, (engine::LabelStock{"Small 2-1/4 in x 1-1/4 in", 3240, 1800}));
}

TEST_F(EngineTest, FallbackChainLandsOnTheOnlyStockTheEngineKnows) {
  engine = engine::createEngine(sink, {engine::stocksNamed({"Medium"})});
  EXPECT_EQ(labelName(), "Medium");
  int tries = 0;
  for (const char* candidate : {"Small 2-1/4 in x 1-1/4 in", "Small 2-1/4 in x 1-1/4 in (30334)", "Medium"}) {
    ++tries;
    call(*engine, u"NewLabel", {Value::string(candidate)});
    if (labelName() == candidate) break;
  }
  EXPECT_EQ(tries, 3);
  EXPECT_THROW(engine::stocksNamed({"Jumbo"}), std::invalid_argument);
}

TEST_F(EngineTest, NewLabelOnAKnownStockStartsAnEmptyLabelAndUnknownKeepsTheObjects) {
  addText();
  call(*engine, u"NewLabel", {Value::string("No such stock")});
  EXPECT_EQ(count(), 1);
  call(*engine, u"NewLabel", {Value::string("Medium")});
  EXPECT_EQ(count(), 0);
}

TEST_F(EngineTest, ItemIsOneBasedAndGivesTheObjectLabelObjectGave) {
  EXPECT_EQ(printObject().get(), printObject().get());
  EXPECT_EQ(objects().get(), objects().get());
  const auto first = addText("A");
  const auto second = addText("B");
  EXPECT_EQ(object(get(*objects(), u"Item", {i2(1)})).get(), first.get());
  EXPECT_EQ(object(get(*objects(), u"Item", {Value::i4(2)})).get(), second.get());
  for (const Value& index : {i2(0), i2(3), i2(-1)})
    EXPECT_EQ(errorOf([&] { get(*objects(), u"Item", {index}); }).number(), kSubscriptOutOfRange);
}

TEST_F(EngineTest, DeleteRemovesTheGivenItemAndCountFollows) {
  addText("A");
  const auto b = addText("B");
  addText("C");
  call(*printObject(), u"Delete", {Value::object(b)});
  EXPECT_EQ(count(), 2);
  EXPECT_EQ(text(get(*object(get(*object(get(*objects(), u"Item", {i2(2)})), u"TextAttributes")), u"Text")), "");
  print();
  ASSERT_EQ(sink->labels.at(0).objects.size(), 2u);
  EXPECT_EQ(sink->labels[0].objects[0].name, "A");
  EXPECT_EQ(sink->labels[0].objects[1].name, "C");

  const auto attributes = object(get(*object(get(*objects(), u"Item", {i2(1)})), u"TextAttributes"));
  clearLabel(*engine);
  EXPECT_EQ(count(), 0);
  EXPECT_EQ(errorOf([&] { call(*printObject(), u"Delete", {Value::object(b)}); }).number(), kInvalidArgument);
  EXPECT_EQ(errorOf([&] { put(*attributes, u"Text", Value::string("late")); }).number(), kInvalidArgument);
  EXPECT_EQ(errorOf([&] { call(*printObject(), u"Delete", {i2(1)}); }).number(), kTypeMismatch);
}

TEST_F(EngineTest, HandlesAreUniqueAndLabelObjectTakesThemInAnyIntegerForm) {
  const auto printObject = this->printObject();
  const Value first = call(*printObject, u"AddObject", {i2(0), Value::string("A"), i2(0), i2(0), i2(1), i2(1), i2(0)});
  const Value second = call(*printObject, u"AddObject", {i2(5), Value::string("B"), i2(0), i2(0), i2(1), i2(1), i2(0)});
  EXPECT_NE(first.asSigned(), second.asSigned());
  const auto expected = object(get(*printObject, u"LabelObject", {second}));

  Value asI2 = i2(static_cast<int>(second.asSigned()));
  Value asString = Value::string(std::to_string(second.asSigned()));
  const Argument forms[] = {Argument::byTypedReference(asI2), Argument::byReference(asString)};
  for (const Argument& form : forms)
    EXPECT_EQ(object(printObject->get(u"LabelObject", std::span(&form, 1))).get(), expected.get());

  EXPECT_EQ(errorOf([&] { get(*printObject, u"LabelObject", {Value::i4(999)}); }).number(), kInvalidArgument);
}

TEST_F(EngineTest, AddObjectRefusesUnknownKindsRotationsAndNegativeSizes) {
  const struct {
    int kind, width, height, rotation;
  } refused[] = {{1, 10, 10, 0}, {6, 10, 10, 0}, {-1, 10, 10, 0}, {0, 10, 10, 45},
                 {0, 10, 10, 360}, {5, 10, 10, -90}, {0, -1, 10, 0}, {5, 10, -1, 0}};
  for (const auto& r : refused) {
    const auto error = errorOf([&] { addObject(*engine, r.kind, "X", 0, 0, r.width, r.height, r.rotation); });
    EXPECT_EQ(error.number(), kInvalidArgument) << r.kind << " " << r.rotation;
  }
  EXPECT_EQ(count(), 0);
  // Every rotation, and places off the label: those are clipped when drawn, not refused.
  for (int rotation : {0, 90, 180, 270}) addObject(*engine, 5, "R", -3000, 20000, 0, 0, rotation);
  EXPECT_EQ(count(), 4);
}

TEST_F(EngineTest, UnknownMembersOnEveryObject) {
  const auto barcode = addObject(*engine, 5, "BC", 0, 0, 10, 10);
  const auto label = addText();
  const std::shared_ptr<Object> targets[] = {engine, objects(), object(get(*label, u"TextAttributes")), barcode};
  for (const auto& target : targets) {
    EXPECT_EQ(errorOf([&] { get(*target, u"Nonsense"); }).number(), kUnknownMember);
    EXPECT_EQ(errorOf([&] { put(*target, u"Nonsense", i2(1)); }).number(), kUnknownMember);
  }
  // A text object's text goes through TextAttributes; a bar code has no TextAttributes.
  EXPECT_EQ(errorOf([&] { put(*label, u"Text", Value::string("x")); }).number(), kUnknownMember);
  EXPECT_EQ(errorOf([&] { get(*barcode, u"TextAttributes"); }).number(), kUnknownMember);
  const auto error = errorOf([&] { put(*objects(), u"Count", i2(3)); });
  EXPECT_EQ(error.number(), kUnknownMember);
  EXPECT_NE(automation::toUtf8(error.description()).find("Count"), std::string::npos);
}

TEST_F(EngineTest, MemberNamesIgnoreLetterCase) {
  const auto po = object(get(*engine, u"printobject"));
  call(*po, u"ADDOBJECT", {i2(0), Value::string("A"), i2(0), i2(0), i2(1), i2(1), i2(0)});
  EXPECT_EQ(get(*object(get(*po, u"objects")), u"count").asSigned(), 1);
  EXPECT_EQ(engine::memberNames(*engine).size(), 4u);
  EXPECT_TRUE(engine::memberNames(ForeignObject()).empty());
  addText("B");
  EXPECT_EQ(errorOf([&] { call(*po, u"Delete", {Value::object(std::make_shared<ForeignObject>())}); }).number(),
            kInvalidArgument);
}

TEST_F(EngineTest, WrongArgumentCounts) {
  const auto po = printObject();
  const std::function<void()> calls[] = {
      [&] { call(*engine, u"NewLabel"); },
      [&] { call(*engine, u"PrintLabel", {Value::string("P"), Value::string("COM1:"), i2(1)}); },
      [&] { call(*po, u"AddObject", {i2(0), Value::string("A"), i2(0), i2(0), i2(1), i2(1)}); },
      [&] { get(*po, u"LabelObject"); },
      [&] { get(*objects(), u"Count", {i2(1)}); },
  };
  for (const auto& action : calls) EXPECT_EQ(errorOf(action).number(), kWrongArgumentCount);
}

TEST_F(EngineTest, NumbersCoerceLikeAutomation) {
  const struct {
    Value value;
    int expected;
  } accepted[] = {{i2(-7), -7},
                  {Value::i4(1440), 1440},
                  {Value::ui1(200), 200},
                  {Value::r8(300.0), 300},
                  {Value::string(" 42 "), 42},
                  {Value::string("+3.00"), 3},
                  {Value(), 0},
                  {Value::boolean(true), -1}};
  for (const auto& a : accepted) {
    const auto po = printObject();
    call(*po, u"AddObject", {i2(0), Value::string("N"), a.value, i2(0), i2(1), i2(1), i2(0)});
    print();
    EXPECT_EQ(sink->labels.back().objects.back().left, a.expected) << describeValue(a.value);
  }
  const struct {
    Value value;
    int number;
  } refused[] = {{Value::r8(2.5), kInvalidArgument},      {Value::string("2.5"), kInvalidArgument},
                 {Value::string("abc"), kTypeMismatch},   {Value::string(""), kTypeMismatch},
                 {Value::null(), kInvalidUseOfNull},      {Value::i8(1LL << 40), kOverflow},
                 {Value::string("99999999999"), kOverflow}, {Value::object(engine), kTypeMismatch}};
  for (const auto& r : refused) {
    const auto error = errorOf([&] {
      call(*printObject(), u"AddObject", {i2(0), Value::string("N"), r.value, i2(0), i2(1), i2(1), i2(0)});
    });
    EXPECT_EQ(error.number(), r.number) << describeValue(r.value);
    EXPECT_NE(automation::toUtf8(error.description()).find("AddObject argument 3 (left)"), std::string::npos);
  }
}

TEST_F(EngineTest, TextAttributesReadBackWhatWasSet) {
  const auto attributes = object(get(*addText(), u"TextAttributes"));
  put(*attributes, u"Text", Value::string("a\r\nb"));
  put(*attributes, u"Font_1", Value::string("Times New Roman, 8, Bold"));
  put(*attributes, u"Font_2", Value::string("Arial, 7.5, italic, BOLD"));
  put(*attributes, u"VJustify", i2(-400));
  put(*attributes, u"Justify", i2(2));
  put(*attributes, u"TextColor", Value::i4(0x0000FF));
  put(*attributes, u"BackGroundColor", i2(-200));
  put(*attributes, u"Mirrored", Value::boolean(true));
  put(*attributes, u"Vertical", Value::string("True"));
  EXPECT_EQ(get(*attributes, u"VJustify").asSigned(), -400);

  print();
  const auto& content = std::get<engine::TextContent>(sink->labels.at(0).objects.at(0).content);
  EXPECT_EQ(content, (engine::TextContent{"a\r\nb", "Times New Roman, 8, Bold", "Arial, 7.5, italic, BOLD", 2, -400,
                                          0x0000FF, -200, true, true}));
}

TEST_F(EngineTest, TextTakesAnyValueWithATextForm) {
  const auto attributes = object(get(*addText(), u"TextAttributes"));
  const struct {
    Value value;
    const char* expected;
  } cases[] = {{Value::i4(12345), "12345"}, {Value(), ""}, {Value::boolean(true), "True"}, {Value::r8(1.5), "1.5"}};
  for (const auto& c : cases) {
    put(*attributes, u"Text", c.value);
    EXPECT_EQ(text(get(*attributes, u"Text")), c.expected);
  }
  EXPECT_EQ(errorOf([&] { put(*attributes, u"Text", Value::null()); }).number(), kInvalidUseOfNull);
  EXPECT_EQ(errorOf([&] { put(*attributes, u"Text", Value::object(engine)); }).number(), kTypeMismatch);
}

TEST_F(EngineTest, AttributeValuesOutsideTheirRangesAreRefused) {
  const auto attributes = object(get(*addText(), u"TextAttributes"));
  const auto barcode = addObject(*engine, 5, "BC", 0, 0, 10, 10);
  const struct {
    std::shared_ptr<Object> target;
    const char16_t* member;
    Value value;
  } refused[] = {
      {attributes, u"Justify", i2(3)},   {attributes, u"VJustify", i2(3)},
      {attributes, u"TextColor", Value::i4(0x1000000)},
      {attributes, u"Font_1", Value::string("Times New Roman")},
      {attributes, u"Font_2", Value::string("Arial, 8, Underline")},
      {attributes, u"Mirrored", Value::string("maybe")},
      {barcode, u"BCType", i2(6)},       {barcode, u"TextPos", i2(3)},
      {barcode, u"Size", i2(3)},         {barcode, u"Link", i2(1)},
  };
  for (const auto& r : refused) {
    const auto error = errorOf([&] { put(*r.target, r.member, r.value); });
    EXPECT_TRUE(error.number() == kInvalidArgument || error.number() == kTypeMismatch)
        << automation::toUtf8(r.member) << " " << describeValue(r.value) << " gave " << error.number();
  }
  // Every value the three layouts send is taken.
  for (int v : {0, -400}) put(*attributes, u"VJustify", i2(v));
  put(*attributes, u"BackGroundColor", i2(-200));
  put(*attributes, u"BackGroundColor", Value::i4(16777215));
}

TEST_F(EngineTest, PrintLabelTakesCopiesAsNumberOrDigitsAndHandsTheLabelToTheSink) {
  const Value accepted[] = {i2(1), Value::i4(999), Value::string("3"), Value::string(" 12 "), Value::r8(2.0)};
  for (const Value& copies : accepted) print(copies);
  ASSERT_EQ(sink->labels.size(), 5u);
  EXPECT_EQ(sink->labels[2].copies, 3);
  EXPECT_EQ(sink->labels[3].copies, 12);
  EXPECT_EQ(sink->labels[0].printer, "P");
  EXPECT_EQ(sink->labels[0].port, "COM1:");
  EXPECT_FALSE(sink->labels[0].showDialog);
}

TEST_F(EngineTest, PrintLabelRefusesBadPrintersAndCopiesAndWritesNothing) {
  const struct {
    Value printer, copies;
    int number;
  } refused[] = {
      {Value::string(""), i2(1), kInvalidArgument},      {Value(), i2(1), kInvalidArgument},
      {Value::null(), i2(1), kInvalidUseOfNull},         {Value::string("P"), i2(0), kInvalidArgument},
      {Value::string("P"), i2(1000), kInvalidArgument},  {Value::string("P"), i2(-1), kInvalidArgument},
      {Value::string("P"), Value::string("2.5"), kInvalidArgument},
      {Value::string("P"), Value::r8(1.5), kInvalidArgument},
      {Value::string("P"), Value::string("one"), kTypeMismatch},
      {Value::string("P"), Value(), kInvalidArgument},   {Value::string("P"), Value::null(), kInvalidUseOfNull},
  };
  for (const auto& r : refused)
    EXPECT_EQ(errorOf([&] { print(r.copies, r.printer); }).number(), r.number)
        << describeValue(r.printer) << " " << describeValue(r.copies);
  EXPECT_TRUE(sink->labels.empty());
}

TEST_F(EngineTest, PrintLabelRefusesBarcodeDataTheSymbologyCannotCarry) {
  setBarcode(*addObject(*engine, 5, "BC", 0, 0, 1000, 300), "12345", 5);
  const auto error = errorOf([&] { print(); });
  EXPECT_EQ(error.number(), kInvalidArgument);
  const std::string description = automation::toUtf8(error.description());
  EXPECT_NE(description.find("\"12345\""), std::string::npos) << description;
  EXPECT_NE(description.find("BC"), std::string::npos) << description;
  EXPECT_TRUE(sink->labels.empty());

  setBarcode(*object(get(*objects(), u"Item", {i2(1)})), "");  // empty data prints nothing, and is no error
  print();
  EXPECT_EQ(sink->labels.size(), 1u);
}

TEST_F(EngineTest, ASinkFailureIsAPrinterError) {
  class FailingSink : public engine::PrintSink {
    void print(const engine::LabelDescription&) override { throw std::runtime_error("disk full"); }
  };
  engine = engine::createEngine(std::make_shared<FailingSink>());
  const auto error = errorOf([&] { print(); });
  EXPECT_EQ(error.number(), engine::error::kPrinterError);
  EXPECT_NE(automation::toUtf8(error.description()).find("disk full"), std::string::npos);
}

TEST(EngineFactoryTest, CreatesFreshEnginesForItsProgIdOnly) {
  const auto sink = std::make_shared<RecordingSink>();
  engine::EngineFactory factory(sink);
  const auto first = factory.create(u"Dymo.LabelEngine");
  addObject(*first, 0, "A", 0, 0, 1, 1);
  const auto second = factory.create(u"DYMO.LABELENGINE");
  EXPECT_EQ(get(*object(get(*object(get(*second, u"PrintObject")), u"Objects")), u"Count").asSigned(), 0);
  for (const char16_t* other : {u"Dymo.LabelEngine.1", u"Word.Application", u""})
    EXPECT_EQ(errorOf([&] { factory.create(other); }).number(), engine::error::kCannotCreateObject);
  EXPECT_THROW(engine::EngineFactory(nullptr), std::invalid_argument);
}

}  // namespace
}  // namespace engine_test
