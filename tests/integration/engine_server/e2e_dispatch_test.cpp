// The engine server's IDispatch where script hosts cannot reach: references written back
// (the engine itself never writes into them), the dispatch protocol's refusals, errors as
// EXCEPINFO, the server's registration, its label folder and its unload count.

#include <windows.h>
#include <winspool.h>
#include <ole2.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "platform/windows/bstr.h"
#include "platform/windows/engine_server/engine_dispatch.h"
#include "platform/windows/engine_server/engine_server.h"
#include "platform/windows/spooler/spooler_sink.h"
#include "platform/windows/variant.h"

namespace {

using automation::Argument;
using automation::AutomationError;
using automation::Value;
using windows::Bstr;
using windows::ComPtr;
using windows::Variant;
using namespace windows::engine_server;

// Members: Store(reference, value) writes value into the reference; Child gives the same
// child object every time; Passing(arg) tells how arg arrived; Fail raises; Name (put).
class FakeObject : public automation::Object {
 public:
  Value get(std::u16string_view member, std::span<const Argument> args) override { return call(member, args); }
  void put(std::u16string_view, const Argument& value) override { lastPut = value.value(); }
  Value call(std::u16string_view member, std::span<const Argument> args) override {
    seen.assign(args.begin(), args.end());
    if (member == u"Store") {
      *args[0].target() = args[1].value();
      return {};
    }
    if (member == u"Child") return Value::object(child());
    if (member == u"Passing") return Value::i4(static_cast<std::int32_t>(args[0].passing()));
    if (member == u"Fail") throw AutomationError(5, u"Invalid procedure call: it failed", source);
    return {};
  }

  std::shared_ptr<FakeObject> child() {
    if (!child_) child_ = std::make_shared<FakeObject>();
    return child_;
  }

  std::vector<Argument> seen;
  Value lastPut;
  std::u16string source;

 private:
  std::shared_ptr<FakeObject> child_;
};

enum : DISPID { kStore = 1, kChild, kPassing, kFail, kName };

std::vector<std::u16string_view> fakeMembers(const automation::Object&) {
  return {u"Store", u"Child", u"Passing", u"Fail", u"Name"};
}

class DispatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session = std::make_shared<DispatchSession>(fakeMembers);
    dispatch = ComPtr<IDispatch>(session->wrap(fake));
  }

  // Calls `member` with the arguments in script order.
  HRESULT call(DISPID member, std::vector<VARIANT> args, VARIANT* result = nullptr, WORD flags = DISPATCH_METHOD) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    exception.reset();
    argumentError = 0xFFFF;
    return dispatch->Invoke(member, IID_NULL, 0, flags, &params, result, exception.get(), &argumentError);
  }

  struct Exception {
    EXCEPINFO info{};
    EXCEPINFO* get() { return &info; }
    void reset() {
      SysFreeString(info.bstrSource);
      SysFreeString(info.bstrDescription);
      SysFreeString(info.bstrHelpFile);
      info = {};
    }
    ~Exception() { reset(); }
  };

  std::shared_ptr<FakeObject> fake = std::make_shared<FakeObject>();
  std::shared_ptr<DispatchSession> session;
  ComPtr<IDispatch> dispatch;
  Exception exception;
  UINT argumentError = 0;
};

VARIANT byRef(VARTYPE type, void* target) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_BYREF | type;
  V_BYREF(&v) = target;
  return v;
}

VARIANT i4(LONG value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  return v;
}

// A VARIANT the test owns holding `value` (by-value argument).
struct Held {
  explicit Held(const wchar_t* text) {
    V_VT(&v.raw()) = VT_BSTR;
    V_BSTR(&v.raw()) = SysAllocString(text);
  }
  VARIANT get() const { return v.get(); }
  Variant v;
};

TEST_F(DispatchTest, ArgumentsArriveAsValuesVariantReferencesOrTypedReferences) {
  SHORT number = 1;
  Variant variable;
  V_VT(&variable.raw()) = VT_I2;
  Variant result;
  ASSERT_EQ(call(kPassing, {i4(1)}, result.put()), S_OK);
  EXPECT_EQ(V_I4(&result.get()), static_cast<LONG>(Argument::Passing::ByValue));
  ASSERT_EQ(call(kPassing, {byRef(VT_VARIANT, &variable.raw())}, result.put()), S_OK);
  EXPECT_EQ(V_I4(&result.get()), static_cast<LONG>(Argument::Passing::ByReference));
  ASSERT_EQ(call(kPassing, {byRef(VT_I2, &number)}, result.put()), S_OK);
  EXPECT_EQ(V_I4(&result.get()), static_cast<LONG>(Argument::Passing::ByTypedReference));
}

TEST_F(DispatchTest, TypedReferencesTakeTheValueInTheirOwnType) {
  SHORT number = 1;
  ASSERT_EQ(call(kStore, {byRef(VT_I2, &number), i4(300)}), S_OK);
  EXPECT_EQ(number, 300);

  BSTR text = SysAllocString(L"old");
  ASSERT_EQ(call(kStore, {byRef(VT_BSTR, &text), i4(42)}), S_OK);
  EXPECT_STREQ(text, L"42");
  SysFreeString(text);

  VARIANT_BOOL flag = VARIANT_FALSE;
  ASSERT_EQ(call(kStore, {byRef(VT_BOOL, &flag), i4(1)}), S_OK);
  EXPECT_EQ(flag, VARIANT_TRUE);
}

TEST_F(DispatchTest, ATypedReferenceThatCannotTakeTheValueNamesTheArgument) {
  SHORT number = 1;
  EXPECT_EQ(call(kStore, {byRef(VT_I2, &number), i4(70000)}), DISP_E_OVERFLOW);
  EXPECT_EQ(argumentError, 1u);  // rgvarg order: the first argument is last
  EXPECT_EQ(number, 1);

  const Held word(L"word");
  EXPECT_EQ(call(kStore, {byRef(VT_I2, &number), word.get()}), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(number, 1);
}

TEST_F(DispatchTest, VariantReferencesTakeAnyTypeAndReachThroughNestedReferences) {
  Variant variable;
  V_VT(&variable.raw()) = VT_I2;
  const Held text(L"now a string");
  ASSERT_EQ(call(kStore, {byRef(VT_VARIANT, &variable.raw()), text.get()}), S_OK);
  ASSERT_EQ(variable.type(), VT_BSTR);
  EXPECT_STREQ(V_BSTR(&variable.get()), L"now a string");

  LONG target = 0;
  VARIANT inner = byRef(VT_I4, &target);
  ASSERT_EQ(call(kStore, {byRef(VT_VARIANT, &inner), i4(5)}), S_OK);
  EXPECT_EQ(target, 5);
  EXPECT_EQ(V_VT(&inner), VT_BYREF | VT_I4);
}

TEST_F(DispatchTest, AnUnchangedReferenceIsNotRewritten) {
  BSTR text = SysAllocString(L"same");
  const BSTR before = text;
  const Held same(L"same");
  ASSERT_EQ(call(kStore, {byRef(VT_BSTR, &text), same.get()}), S_OK);
  EXPECT_EQ(text, before);
  SysFreeString(text);
}

TEST_F(DispatchTest, ObjectsKeepOneIdentityAndComeBackAsThemselves) {
  Variant first, second;
  ASSERT_EQ(call(kChild, {}, first.put(), DISPATCH_PROPERTYGET), S_OK);
  ASSERT_EQ(call(kChild, {}, second.put(), DISPATCH_METHOD | DISPATCH_PROPERTYGET), S_OK);
  ASSERT_EQ(first.type(), VT_DISPATCH);
  EXPECT_EQ(V_DISPATCH(&first.get()), V_DISPATCH(&second.get()));

  ASSERT_EQ(call(kPassing, {first.get()}), S_OK);
  ASSERT_EQ(fake->seen.size(), 1u);
  EXPECT_EQ(fake->seen[0].value().asObject(), fake->child());

  // An object stored through a typed reference is wrapped too.
  IDispatch* slot = nullptr;
  ASSERT_EQ(call(kStore, {byRef(VT_DISPATCH, &slot), first.get()}), S_OK);
  EXPECT_EQ(slot, V_DISPATCH(&first.get()));
  if (slot) slot->Release();
}

TEST_F(DispatchTest, ErrorsBecomeExceptionsWithTheClassicNumber) {
  EXPECT_EQ(call(kFail, {}), DISP_E_EXCEPTION);
  EXPECT_EQ(exception.info.scode, static_cast<SCODE>(0x800A0005));
  EXPECT_EQ(exception.info.wCode, 0);
  EXPECT_STREQ(exception.info.bstrDescription, L"Invalid procedure call: it failed");
  EXPECT_STREQ(exception.info.bstrSource, L"Dymo.LabelEngine");

  fake->source = u"Elsewhere";
  EXPECT_EQ(call(kFail, {}), DISP_E_EXCEPTION);
  EXPECT_STREQ(exception.info.bstrSource, L"Elsewhere");

  EXPECT_EQ(errorCode(482), static_cast<SCODE>(0x800A01E2));
  EXPECT_EQ(errorCode(E_ACCESSDENIED), E_ACCESSDENIED);
  EXPECT_EQ(errorCode(0), E_FAIL);
}

TEST_F(DispatchTest, RefusesCallsOutsideTheProtocol) {
  DISPID putId = DISPID_PROPERTYPUT;
  VARIANT value = i4(7);
  DISPPARAMS put{&value, &putId, 1, 1};
  DISPPARAMS unnamed{&value, nullptr, 1, 0};
  EXPECT_EQ(dispatch->Invoke(kName, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(fake->lastPut.asSigned(), 7);
  EXPECT_EQ(dispatch->Invoke(kName, IID_NULL, 0, DISPATCH_PROPERTYPUT, &unnamed, nullptr, nullptr, nullptr),
            DISP_E_PARAMNOTFOUND);
  EXPECT_EQ(dispatch->Invoke(kPassing, IID_NULL, 0, DISPATCH_METHOD, &put, nullptr, nullptr, nullptr),
            DISP_E_NONAMEDARGS);
  EXPECT_EQ(dispatch->Invoke(99, IID_NULL, 0, DISPATCH_METHOD, &unnamed, nullptr, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(dispatch->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_PROPERTYGET, &unnamed, nullptr, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(dispatch->Invoke(kPassing, IID_IDispatch, 0, DISPATCH_METHOD, &unnamed, nullptr, nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
  EXPECT_EQ(dispatch->Invoke(kPassing, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr), E_POINTER);

  VARIANT broken = byRef(VT_I2, nullptr);
  EXPECT_EQ(call(kPassing, {i4(1), broken}), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(argumentError, 0u);
}

TEST_F(DispatchTest, NamesMatchInAnyLetterCase) {
  struct Case {
    const wchar_t* name;
    HRESULT hr;
    DISPID id;
  };
  for (const Case& c : {Case{L"Store", S_OK, kStore}, Case{L"pASSING", S_OK, kPassing}, Case{L"NAME", S_OK, kName},
                        Case{L"Stor", DISP_E_UNKNOWNNAME, DISPID_UNKNOWN}}) {
    std::wstring name = c.name;
    LPOLESTR names[] = {name.data()};
    DISPID id = 0;
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &id), c.hr) << name;
    EXPECT_EQ(id, c.id) << name;
  }
  std::wstring method = L"Store", parameter = L"value";
  LPOLESTR withParameter[] = {method.data(), parameter.data()};
  DISPID ids[2] = {};
  EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, withParameter, 2, 0, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], kStore);
  EXPECT_EQ(ids[1], DISPID_UNKNOWN);
}

// The registry's default or named text value under HKCR, or "(none)".
std::wstring registryText(const std::wstring& key, const wchar_t* name = nullptr) {
  wchar_t buffer[512] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t);
  if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
    return L"(none)";
  return buffer;
}

bool keyExists(const std::wstring& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

std::wstring modulePath() {
  wchar_t buffer[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, buffer, MAX_PATH);  // the server's code is linked into this program
  return buffer;
}

constexpr wchar_t kClassKey[] = L"CLSID\\{8114E17F-2D24-4F9A-828B-E820285CB5C4}";

TEST(Registration, WritesTheClassUnderTheProgIdAndRemovesItAgain) {
  ASSERT_EQ(registerServer(), S_OK);
  ASSERT_EQ(registerServer(), S_OK);  // again: harmless
  EXPECT_EQ(registryText(std::wstring(kClassKey) + L"\\InprocServer32"), modulePath());
  EXPECT_EQ(registryText(std::wstring(kClassKey) + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
  EXPECT_EQ(registryText(std::wstring(kClassKey) + L"\\ProgID"), L"Dymo.LabelEngine");
  EXPECT_EQ(registryText(L"Dymo.LabelEngine\\CLSID"), L"{8114E17F-2D24-4F9A-828B-E820285CB5C4}");
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(L"Dymo.LabelEngine", &clsid), S_OK);
  EXPECT_EQ(clsid, kClsidVirtualLabelEngine);

  ASSERT_EQ(unregisterServer(), S_OK);
  EXPECT_FALSE(keyExists(kClassKey));
  EXPECT_FALSE(keyExists(L"Dymo.LabelEngine"));
  EXPECT_EQ(unregisterServer(), S_OK);  // nothing left to remove
}

TEST(Registration, LeavesTheProgIdWhenItNamesAnotherClass) {
  ASSERT_EQ(registerServer(), S_OK);
  const std::wstring other = L"{00000000-1111-2222-3333-444444444444}";
  ASSERT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, L"Dymo.LabelEngine\\CLSID", nullptr, REG_SZ, other.c_str(),
                            static_cast<DWORD>((other.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  ASSERT_EQ(unregisterServer(), S_OK);
  EXPECT_FALSE(keyExists(kClassKey));
  EXPECT_EQ(registryText(L"Dymo.LabelEngine\\CLSID"), other);
  RegDeleteTreeW(HKEY_CLASSES_ROOT, L"Dymo.LabelEngine");
  RegDeleteKeyW(HKEY_CLASSES_ROOT, L"Dymo.LabelEngine");
}

TEST(LabelFolder, IsTheVariableWhenSetElseVantoryLabelsInTemp) {
  ASSERT_TRUE(SetEnvironmentVariableW(L"VANTORY_LABEL_DIR", L"Z:\\tmp\\labels here"));
  EXPECT_EQ(labelFolder(), std::filesystem::path(L"Z:\\tmp\\labels here"));
  ASSERT_TRUE(SetEnvironmentVariableW(L"VANTORY_LABEL_DIR", nullptr));
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  EXPECT_EQ(labelFolder(), std::filesystem::path(temp) / L"VantoryLabels");
}

TEST(Output, VantoryRecordOnlyChoosesPrintingOrRecordingOnly) {
  const struct {
    const wchar_t* setting;
    Output output;
  } cases[] = {
      {L"", Output::Print},         {L"0", Output::Print},         {L"false", Output::Print},
      {L"No", Output::Print},       {L"OFF", Output::Print},       {L"1", Output::RecordOnly},
      {L"true", Output::RecordOnly}, {L"Yes", Output::RecordOnly}, {L"ON", Output::RecordOnly},
      {L" 1", Output::Unreadable},  {L"2", Output::Unreadable},    {L"record", Output::Unreadable},
  };
  for (const auto& c : cases) EXPECT_EQ(outputFor(c.setting), c.output) << std::wstring(c.setting).size();
}

TEST(PrinterState, APausedOfflineOrFailingPrinterTakesNoJob) {
  const struct {
    DWORD status, attributes;
    const char* why;  // "" for a printer that takes jobs
  } cases[] = {
      {0, 0, ""},
      {PRINTER_STATUS_BUSY | PRINTER_STATUS_PRINTING, PRINTER_ATTRIBUTE_LOCAL, ""},
      {PRINTER_STATUS_PAUSED, 0, "paused"},
      {PRINTER_STATUS_OFFLINE, PRINTER_ATTRIBUTE_WORK_OFFLINE, "offline"},
      {0, PRINTER_ATTRIBUTE_WORK_OFFLINE, "set to be used offline"},
      {PRINTER_STATUS_PAPER_OUT | PRINTER_STATUS_ERROR, 0, "in an error state, out of labels"},
      {PRINTER_STATUS_PAPER_JAM, 0, "jammed"},
      {PRINTER_STATUS_NOT_AVAILABLE, 0, "not available"},
      {PRINTER_STATUS_USER_INTERVENTION | PRINTER_STATUS_DOOR_OPEN, 0, "open, waiting for someone to attend to it"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(windows::spooler::unavailability(c.status, c.attributes).value_or(""), c.why) << c.why;
}

TEST(ClassObject, MakesEnginesAndKeepsTheDllWhileAnyObjectLives) {
  ASSERT_TRUE(canUnloadNow());
  ComPtr<IClassFactory> factory;
  EXPECT_EQ(getClassObject(CLSID_NULL, IID_IClassFactory, factory.putVoid()), CLASS_E_CLASSNOTAVAILABLE);
  ASSERT_EQ(getClassObject(kClsidVirtualLabelEngine, IID_IClassFactory, factory.putVoid()), S_OK);
  EXPECT_FALSE(canUnloadNow());

  ComPtr<IUnknown> aggregated;
  EXPECT_EQ(factory->CreateInstance(factory.get(), IID_IUnknown, aggregated.putVoid()), CLASS_E_NOAGGREGATION);
  ComPtr<IDispatch> engine;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, engine.putVoid()), S_OK);
  factory.reset();

  // A child object alone keeps the DLL too.
  std::wstring name = L"printobject";
  LPOLESTR names[] = {name.data()};
  DISPID id = 0;
  ASSERT_EQ(engine->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
  DISPPARAMS none{};
  Variant printObject;
  ASSERT_EQ(engine->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, printObject.put(), nullptr, nullptr), S_OK);
  ASSERT_EQ(printObject.type(), VT_DISPATCH);
  engine.reset();
  EXPECT_FALSE(canUnloadNow());
  printObject = Variant();
  EXPECT_TRUE(canUnloadNow());
}

}  // namespace

// One single-threaded apartment, as in a script host.
int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (FAILED(OleInitialize(nullptr))) return 3;
  const int result = RUN_ALL_TESTS();
  OleUninitialize();
  return result;
}
