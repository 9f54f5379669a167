#include "platform/windows/dispatch_object.h"

#include <gtest/gtest.h>

#include "automation/text.h"
#include "platform/windows/com_object_factory.h"
#include "fake_dispatch.h"
#include "variant_testing.h"

namespace windows {
namespace {

using automation::Argument;
using automation::AutomationError;
using automation::Value;
using testing::FakeDispatch;

class DispatchObjectTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(fake.references, 1u) << "every reference was released"; }
  FakeDispatch fake;
};

TEST_F(DispatchObjectTest, PassesExactlyTheVariantTypesTheArgumentsAsk) {
  {
    const auto object = ComObject::wrap(&fake, VT_DISPATCH);
    Value variable = Value::string(u"by reference");
    Value typed = Value::i2(7);
    Value typedText = Value::string(u"typed");
    const Argument args[] = {Argument::byValue(Value::i2(0)), Argument::byValue(Value::string(u"x")),
                             Argument::byReference(variable), Argument::byTypedReference(typed),
                             Argument::byTypedReference(typedText), Argument::byValue(Value::boolean(false)),
                             Argument::byValue(Value::missing())};
    object->call(u"echo", args);

    ASSERT_EQ(fake.calls.size(), 1u);
    const auto& call = fake.calls.front();
    EXPECT_EQ(call.member, FakeDispatch::kEcho);
    EXPECT_EQ(call.flags, DISPATCH_METHOD);
    const std::vector<VARTYPE> expected{VT_I2,           VT_BSTR, VT_BYREF | VT_VARIANT, VT_BYREF | VT_I2,
                                        VT_BYREF | VT_BSTR, VT_BOOL, VT_ERROR};
    EXPECT_EQ(call.types, expected);
    EXPECT_TRUE(call.named.empty());
    EXPECT_EQ(testing::differenceBetween(testing::bstr(L"by reference").get(), call.values[2].get()), "");
    EXPECT_EQ(V_ERROR(&call.values[6].get()), DISP_E_PARAMNOTFOUND);
  }
}

TEST_F(DispatchObjectTest, GetPutAndCallUseTheirDispatchFlags) {
  {
    const auto object = ComObject::wrap(&fake, VT_DISPATCH);
    const Argument index[] = {Argument::byValue(Value::i2(1))};
    object->get(u"Echo", index);
    object->put(u"Echo", Argument::byValue(Value::string(u"v")));
    object->call(u"Echo");
    ASSERT_EQ(fake.calls.size(), 3u);
    EXPECT_EQ(fake.calls[0].flags, DISPATCH_PROPERTYGET);
    EXPECT_EQ(fake.calls[0].types, std::vector<VARTYPE>{VT_I2});
    EXPECT_EQ(fake.calls[1].flags, DISPATCH_PROPERTYPUT);
    EXPECT_EQ(fake.calls[1].named, std::vector<DISPID>{DISPID_PROPERTYPUT});
    EXPECT_EQ(fake.calls[2].flags, DISPATCH_METHOD);
    EXPECT_TRUE(fake.calls[2].types.empty());
  }
}

TEST_F(DispatchObjectTest, ReturnsTheResultAndWritesReferencesBack) {
  {
    const auto object = ComObject::wrap(&fake, VT_DISPATCH);
    const Argument echo[] = {Argument::byValue(Value::r8(2.5))};
    EXPECT_TRUE(object->call(u"Echo", echo).identical(Value::r8(2.5)));

    Value variable = Value::i4(1);
    Value typed = Value::i2(1);
    Value byValue = Value::i2(1);
    const Argument args[] = {Argument::byReference(variable), Argument::byTypedReference(typed),
                             Argument::byValue(byValue)};
    object->call(u"WriteBack", args);
    EXPECT_TRUE(variable.identical(Value::string(u"changed")));
    EXPECT_TRUE(typed.identical(Value::i2(42)));
    EXPECT_TRUE(byValue.identical(Value::i2(1)));
  }
}

TEST_F(DispatchObjectTest, TheDefaultMemberGivesTheObjectItsTextForm) {
  const Value value = Value::object(ComObject::wrap(&fake, VT_DISPATCH));
  EXPECT_EQ(automation::textOf(value), u"default text");
  EXPECT_EQ(fake.calls.back().member, DISPID_VALUE);
  EXPECT_EQ(fake.calls.back().flags, DISPATCH_PROPERTYGET);
}

struct FailureCase {
  const char* name;
  const char16_t* member;
  std::int32_t number;
  const char16_t* description;
};

TEST_F(DispatchObjectTest, FailuresBecomeAutomationErrorsWithBasicNumbers) {
  const FailureCase cases[] = {
      {"raised Basic error keeps its number", u"Fail", 13, u"boom"},
      {"deferred fill-in", u"Deferred", 1001, u"later"},
      {"dispatch failure", u"Plain", 13, u"Type mismatch"},
      {"unknown member", u"NoSuchMember", 438, u"Object doesn't support this property or method"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto object = ComObject::wrap(&fake, VT_DISPATCH);
    try {
      object->call(c.member);
      ADD_FAILURE() << "no error raised";
    } catch (const AutomationError& error) {
      EXPECT_EQ(error.number(), c.number);
      EXPECT_EQ(error.description(), c.description);
    }
  }
}

TEST(DispatchErrorTest, MapsHresultsTheWayABasicHostShowsThem) {
  EXPECT_EQ(dispatchError(static_cast<HRESULT>(0x800A01A8), nullptr).number(), 424);
  EXPECT_EQ(dispatchError(DISP_E_BADPARAMCOUNT, nullptr).number(), 450);
  EXPECT_EQ(dispatchError(DISP_E_PARAMNOTOPTIONAL, nullptr).number(), 449);
  EXPECT_EQ(dispatchError(E_FAIL, nullptr).number(), static_cast<std::int32_t>(E_FAIL));
  EXCEPINFO foreign{};
  foreign.scode = static_cast<SCODE>(0x80040201);
  EXPECT_EQ(dispatchError(DISP_E_EXCEPTION, &foreign).number(), static_cast<std::int32_t>(0x80040201));
  EXPECT_EQ(dispatchError(DISP_E_EXCEPTION, &foreign).description(), u"Automation error");
}

TEST_F(DispatchObjectTest, AnUnknownPointerIsCalledThroughItsIDispatchAndUnwrapsUnchanged) {
  {
    const auto object = ComObject::wrap(static_cast<IUnknown*>(&fake), VT_UNKNOWN);
    object->call(u"Echo");
    EXPECT_EQ(fake.calls.size(), 1u);
    EXPECT_EQ(object->pointerFor(VT_UNKNOWN).get(), static_cast<IUnknown*>(&fake));
  }
}

TEST(ComObjectFactoryTest, AnUnknownProgIdCannotBeCreated) {
  ComObjectFactory factory;
  try {
    factory.create(u"Vantory.NoSuchClass.1");
    ADD_FAILURE() << "created";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.number(), 429);
  }
}

TEST(ComObjectFactoryTest, CreatesARegisteredAutomationObject) {
  // Scripting.Dictionary ships with every Windows and Wine prefix.
  ComObjectFactory factory;
  const auto dictionary = factory.create(u"Scripting.Dictionary");
  const Argument add[] = {Argument::byValue(Value::string(u"k")), Argument::byValue(Value::i4(5))};
  dictionary->call(u"Add", add);
  EXPECT_TRUE(dictionary->get(u"Count").identical(Value::i4(1)));
}

}  // namespace
}  // namespace windows
