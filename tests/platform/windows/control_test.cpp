// The control as its hosts see it: the real VantoryActiveX.ocx, loaded from next to this
// program and reached through its exported entry points and IDispatch.
#include <gtest/gtest.h>

#include <ocidl.h>
#include <olectl.h>

#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "VantoryActiveX.h"
#include "automation/text.h"
#include "platform/windows/bstr.h"
#include "platform/windows/com_ptr.h"
#include "platform/windows/object_safety_interface.h"
#include "platform/windows/print_form.h"
#include "fake_dispatch.h"
#include "variant_testing.h"

namespace windows {
namespace {

using namespace windows::testing;

class ControlLibrary {
 public:
  static ControlLibrary& instance() {
    static ControlLibrary library;
    return library;
  }
  HMODULE module = nullptr;
  HRESULT(STDAPICALLTYPE* getClassObject)(REFCLSID, REFIID, void**) = nullptr;
  HRESULT(STDAPICALLTYPE* canUnloadNow)() = nullptr;

 private:
  ControlLibrary() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring file(path);
    file = file.substr(0, file.find_last_of(L"\\/") + 1) + L"VantoryActiveX.ocx";
    module = LoadLibraryW(file.c_str());
    if (module) {
      getClassObject = reinterpret_cast<decltype(getClassObject)>(
          reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
      canUnloadNow =
          reinterpret_cast<decltype(canUnloadNow)>(reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
    }
  }
};

struct Call {
  HRESULT hr = E_FAIL;
  Variant result;
  SCODE scode = 0;
  std::wstring description;
};

// IDispatch::Invoke by name, arguments in the caller's order.
Call invoke(IDispatch* object, const wchar_t* name, WORD flags, std::vector<VARIANT> args = {}) {
  Call call;
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  call.hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(call.hr)) return call;
  std::vector<VARIANTARG> reversed(args.rbegin(), args.rend());
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    params.rgdispidNamedArgs = &put;
    params.cNamedArgs = 1;
  }
  EXCEPINFO exception{};
  UINT argumentError = 0;
  call.hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, call.result.put(), &exception,
                           &argumentError);
  if (call.hr == DISP_E_EXCEPTION) {
    call.scode = exception.scode;
    call.description = Bstr::adopt(exception.bstrDescription).view();
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrHelpFile);
  }
  return call;
}

const std::array<std::pair<const wchar_t*, DISPID>, 18> kProperties{{
    {L"PatientGender", 0x68030011}, {L"ClientNumber", 0x68030010}, {L"PatientID", 0x6803000F},
    {L"SpecimenRequirements", 0x6803000E}, {L"LabelCopies", 0x6803000D}, {L"PrinterName", 0x6803000C},
    {L"ClientType", 0x6803000B}, {L"CurrentTime", 0x6803000A}, {L"CurrentDate", 0x68030009},
    {L"Temperature", 0x68030008}, {L"PhysicianName", 0x68030007}, {L"TestName", 0x68030006},
    {L"TestNumber", 0x68030005}, {L"PatientDOB", 0x68030004}, {L"PatientName", 0x68030003},
    {L"SampleID", 0x68030002}, {L"RequisitionNumber", 0x68030001}, {L"AccessionNumber", 0x68030000},
}};

class ControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(library.module, nullptr) << "VantoryActiveX.ocx next to the test program";
    control = create();
    ASSERT_TRUE(control);
  }
  ComPtr<IDispatch> create() {
    ComPtr<IClassFactory> factory;
    if (FAILED(library.getClassObject(CLSID_ZuzuravuDazeza, IID_IClassFactory, factory.putVoid()))) return {};
    ComPtr<IDispatch> object;
    factory->CreateInstance(nullptr, IID_IDispatch, object.putVoid());
    return object;
  }
  ControlLibrary& library = ControlLibrary::instance();
  ComPtr<IDispatch> control;
};

TEST_F(ControlTest, PublishesEveryMemberUnderItsDispid) {
  std::vector<std::pair<const wchar_t*, DISPID>> members(kProperties.begin(), kProperties.end());
  members.insert(members.end(), {{L"PrintLabels", 0x60030012}, {L"CloseConnection", 0x60030013},
                                 {L"GetControlVersion", 0x60030014}, {L"PrintGENERICLabels", 0x60030015},
                                 {L"printlabels", 0x60030012}});
  for (const auto& [name, expected] : members) {
    SCOPED_TRACE(automation::toUtf8(toU16(name)));
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    EXPECT_EQ(control->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    EXPECT_EQ(id, expected);
  }
  DISPID id = 0;
  LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"PrintLabel")};
  EXPECT_EQ(control->GetIDsOfNames(IID_NULL, unknown, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);
}

TEST_F(ControlTest, EveryPropertyStartsEmptyAndGivesBackACopyOfWhatWasPut) {
  for (const auto& [name, id] : kProperties) {
    SCOPED_TRACE(automation::toUtf8(toU16(name)));
    const Call before = invoke(control.get(), name, DISPATCH_PROPERTYGET);
    ASSERT_EQ(before.hr, S_OK);
    EXPECT_EQ(before.result.type(), VT_EMPTY);

    Variant text = bstr(L"value of " + std::wstring(name));
    ASSERT_EQ(invoke(control.get(), name, DISPATCH_PROPERTYPUT, {text.get()}).hr, S_OK);
    EXPECT_EQ(differenceBetween(text.get(), invoke(control.get(), name, DISPATCH_PROPERTYGET).result.get()), "");
  }
}

TEST_F(ControlTest, PutStoresTheValueAVariableHeldThenAndNotTheVariable) {
  Variant variable = i2(5);
  ASSERT_EQ(invoke(control.get(), L"LabelCopies", DISPATCH_PROPERTYPUT, {referenceTo(variable.raw())}).hr, S_OK);
  V_I2(&variable.raw()) = 6;
  EXPECT_EQ(differenceBetween(i2(5).get(), invoke(control.get(), L"LabelCopies", DISPATCH_PROPERTYGET).result.get()), "");
  const Variant array = variantArray({bstr(L"a"), i4(2)}, 1);
  ASSERT_EQ(invoke(control.get(), L"TestName", DISPATCH_PROPERTYPUT, {array.get()}).hr, S_OK);
  EXPECT_EQ(differenceBetween(array.get(), invoke(control.get(), L"TestName", DISPATCH_PROPERTYGET).result.get()), "");
}

TEST_F(ControlTest, PutByReferenceTakesObjectsAndRefusesAnythingElse) {
  FakeDispatch object;
  {
    const Variant reference = dispatch(&object);
    ASSERT_EQ(invoke(control.get(), L"PatientName", DISPATCH_PROPERTYPUTREF, {reference.get()}).hr, S_OK);
    const Call got = invoke(control.get(), L"PatientName", DISPATCH_PROPERTYGET);
    EXPECT_EQ(got.result.type(), VT_DISPATCH);
    EXPECT_EQ(V_DISPATCH(&got.result.get()), static_cast<IDispatch*>(&object));

    for (const Variant& notAnObject : {bstr(L"text"), i4(1), emptyVariant(), nullVariant()}) {
      const Call refused = invoke(control.get(), L"PatientName", DISPATCH_PROPERTYPUTREF, {notAnObject.get()});
      EXPECT_EQ(refused.hr, DISP_E_EXCEPTION);
      EXPECT_EQ(refused.scode, static_cast<SCODE>(0x800A01A8));  // 424
      EXPECT_EQ(refused.description, L"Object required");
    }
    const Call kept = invoke(control.get(), L"PatientName", DISPATCH_PROPERTYGET);
    EXPECT_EQ(V_DISPATCH(&kept.result.get()), static_cast<IDispatch*>(&object)) << "the old value stays";

    const Variant nothing = dispatch(nullptr);
    EXPECT_EQ(invoke(control.get(), L"PatientName", DISPATCH_PROPERTYPUTREF, {nothing.get()}).hr, S_OK);
  }
  EXPECT_EQ(object.references, 1u);
}

TEST_F(ControlTest, TwoInstancesKeepTheirOwnProperties) {
  const ComPtr<IDispatch> second = create();
  ASSERT_TRUE(second);
  invoke(control.get(), L"PrinterName", DISPATCH_PROPERTYPUT, {bstr(L"first").get()});
  invoke(second.get(), L"PrinterName", DISPATCH_PROPERTYPUT, {bstr(L"second").get()});
  EXPECT_EQ(textOf(V_BSTR(&invoke(control.get(), L"PrinterName", DISPATCH_PROPERTYGET).result.get())), u"first");
  EXPECT_EQ(textOf(V_BSTR(&invoke(second.get(), L"PrinterName", DISPATCH_PROPERTYGET).result.get())), u"second");
}

TEST_F(ControlTest, GetControlVersionIsTwelveAsASixteenBitInteger) {
  const Call call = invoke(control.get(), L"GetControlVersion", DISPATCH_METHOD | DISPATCH_PROPERTYGET);
  ASSERT_EQ(call.hr, S_OK);
  EXPECT_EQ(call.result.type(), VT_I2);
  EXPECT_EQ(V_I2(&call.result.get()), 12);
}

TEST_F(ControlTest, CloseConnectionWithNoPrintWindowReturnsEmpty) {
  const Call call = invoke(control.get(), L"CloseConnection", DISPATCH_METHOD);
  ASSERT_EQ(call.hr, S_OK);
  EXPECT_EQ(call.result.type(), VT_EMPTY);
  EXPECT_EQ(FindWindowW(kPrintFormClassName, nullptr), nullptr);
}

std::vector<Variant> printLabelsArguments(const wchar_t* clientType) {
  std::vector<Variant> values;
  values.push_back(bstr(clientType));
  for (int i = 1; i < 19; ++i) values.push_back(bstr(L"field " + std::to_wstring(i)));
  values.push_back(bstr(L"false"));
  values.push_back(boolean(false));
  return values;
}

TEST_F(ControlTest, PrintMethodsReturnABooleanAndNeverWriteIntoTheirArguments) {
  std::vector<Variant> variables = printLabelsArguments(L"hospital");  // lower case: unrecognised
  const std::vector<Variant> before = variables;
  std::vector<VARIANT> references;
  for (Variant& v : variables) references.push_back(referenceTo(v.raw()));

  const Call call = invoke(control.get(), L"PrintLabels", DISPATCH_METHOD, references);
  ASSERT_EQ(call.hr, S_OK);
  EXPECT_EQ(call.result.type(), VT_BOOL);
  EXPECT_EQ(V_BOOL(&call.result.get()), VARIANT_FALSE);
  for (std::size_t i = 0; i < variables.size(); ++i) EXPECT_EQ(differenceBetween(before[i].get(), variables[i].get()), "");
  EXPECT_EQ(FindWindowW(kPrintFormClassName, nullptr), nullptr);
}

TEST_F(ControlTest, ArgumentsByValueAndTheWrongCountAreHandledByTheTypeLibrary) {
  std::vector<VARIANT> values;
  std::vector<Variant> owned = printLabelsArguments(L"UNKNOWN");
  owned[3] = i2(2);  // a literal number, by value
  for (const Variant& v : owned) values.push_back(v.get());
  const Call byValue = invoke(control.get(), L"PrintLabels", DISPATCH_METHOD, values);
  EXPECT_EQ(byValue.hr, S_OK);
  EXPECT_EQ(byValue.result.type(), VT_BOOL);

  values.pop_back();
  EXPECT_EQ(invoke(control.get(), L"PrintLabels", DISPATCH_METHOD, values).hr, DISP_E_BADPARAMCOUNT);
}

// Clicks the print window's Close link once it is on screen; runs from the modal loop.
std::wstring shownBarCode;
void CALLBACK closeWhenShown(HWND, UINT, UINT_PTR id, DWORD) {
  const HWND window = FindWindowW(kPrintFormClassName, nullptr);
  if (window == nullptr || !IsWindowVisible(window)) return;
  KillTimer(nullptr, id);
  wchar_t text[64] = {};
  GetWindowTextW(GetDlgItem(window, kLblBarCodeId), text, 64);
  shownBarCode = text;
  const HWND link = GetDlgItem(window, kCmdExitId);
  PostMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  PostMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

TEST_F(ControlTest, APrintWithoutAnEngineShowsTheWindowAndReturnsFalse) {
  shownBarCode.clear();
  SetTimer(nullptr, 0, 10, &closeWhenShown);
  std::vector<Variant> owned = printLabelsArguments(L"HOSPITAL");
  owned[4] = bstr(L"BC-777");
  std::vector<VARIANT> values;
  for (const Variant& v : owned) values.push_back(v.get());
  const Call call = invoke(control.get(), L"PrintLabels", DISPATCH_METHOD, values);
  ASSERT_EQ(call.hr, S_OK);
  EXPECT_EQ(V_VT(&call.result.get()), VT_BOOL);
  EXPECT_EQ(V_BOOL(&call.result.get()), VARIANT_FALSE);
  EXPECT_EQ(shownBarCode, L"BC-777");

  // The request is shared: a GENERIC print through another instance shows the same bar code.
  const ComPtr<IDispatch> second = create();
  shownBarCode.clear();
  SetTimer(nullptr, 0, 10, &closeWhenShown);
  std::vector<VARIANT> generic;
  std::vector<Variant> genericOwned{bstr(L"printer"), i2(1), bstr(L"TXT^a"), bstr(L""), bstr(L""), bstr(L""),
                                    bstr(L""), bstr(L"false"), bstr(L"false")};
  for (const Variant& v : genericOwned) generic.push_back(v.get());
  const Call genericCall = invoke(second.get(), L"PrintGENERICLabels", DISPATCH_METHOD, generic);
  EXPECT_EQ(V_VT(&genericCall.result.get()), VT_BOOL);
  EXPECT_EQ(V_BOOL(&genericCall.result.get()), VARIANT_FALSE);
  EXPECT_EQ(shownBarCode, L"BC-777");
}

// CloseConnection arriving from inside the print window's modal loop ends the print call.
IDispatch* reentrantControl = nullptr;
bool closedFromInside = false;
void CALLBACK closeConnectionWhenShown(HWND, UINT, UINT_PTR id, DWORD) {
  const HWND window = FindWindowW(kPrintFormClassName, nullptr);
  if (window == nullptr || !IsWindowVisible(window)) return;
  KillTimer(nullptr, id);
  const Call call = invoke(reentrantControl, L"CloseConnection", DISPATCH_METHOD);
  closedFromInside = call.hr == S_OK && call.result.type() == VT_EMPTY && !IsWindow(window);
}

TEST_F(ControlTest, CloseConnectionEndsAPrintWaitingOnItsWindow) {
  reentrantControl = create().detach();
  closedFromInside = false;
  SetTimer(nullptr, 0, 10, &closeConnectionWhenShown);
  std::vector<Variant> owned = printLabelsArguments(L"PHYSICIAN");
  std::vector<VARIANT> values;
  for (const Variant& v : owned) values.push_back(v.get());
  EXPECT_EQ(invoke(control.get(), L"PrintLabels", DISPATCH_METHOD, values).hr, S_OK);
  EXPECT_TRUE(closedFromInside);
  ComPtr<IDispatch>::adopt(std::exchange(reentrantControl, nullptr));
}

TEST_F(ControlTest, ARequestHoldingAHostObjectKeepsTheDllLoaded) {
  FakeDispatch object;
  std::vector<Variant> owned = printLabelsArguments(L"unknown");
  owned[9] = dispatch(&object);  // PatientName
  std::vector<VARIANT> values;
  for (const Variant& v : owned) values.push_back(v.get());
  invoke(control.get(), L"PrintLabels", DISPATCH_METHOD, values);
  owned.clear();
  control.reset();
  EXPECT_EQ(library.canUnloadNow(), S_FALSE);
  EXPECT_EQ(object.references, 2u);

  // The next request replaces the field, and with it the reference.
  control = create();
  std::vector<Variant> plain = printLabelsArguments(L"unknown");
  std::vector<VARIANT> plainValues;
  for (const Variant& v : plain) plainValues.push_back(v.get());
  invoke(control.get(), L"PrintLabels", DISPATCH_METHOD, plainValues);
  control.reset();
  EXPECT_EQ(object.references, 1u);
  EXPECT_EQ(library.canUnloadNow(), S_OK);
}

TEST_F(ControlTest, DllCanUnloadNowCountsObjectsAndServerLocks) {
  control.reset();
  EXPECT_EQ(library.canUnloadNow(), S_OK);
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(library.getClassObject(CLSID_ZuzuravuDazeza, IID_IClassFactory, factory.putVoid()), S_OK);
  ComPtr<IUnknown> object;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, object.putVoid()), S_OK);
  factory->LockServer(TRUE);
  factory.reset();
  EXPECT_EQ(library.canUnloadNow(), S_FALSE);
  object.reset();
  EXPECT_EQ(library.canUnloadNow(), S_FALSE) << "still locked";
  ASSERT_EQ(library.getClassObject(CLSID_ZuzuravuDazeza, IID_IClassFactory, factory.putVoid()), S_OK);
  factory->LockServer(FALSE);
  factory.reset();
  EXPECT_EQ(library.canUnloadNow(), S_OK);
}

TEST_F(ControlTest, TheClassObjectRefusesOtherClassesAggregationAndNullPointers) {
  ComPtr<IClassFactory> factory;
  EXPECT_EQ(library.getClassObject(IID_IDispatch, IID_IClassFactory, factory.putVoid()), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(library.getClassObject(CLSID_ZuzuravuDazeza, IID_IClassFactory, nullptr), E_POINTER);
  ASSERT_EQ(library.getClassObject(CLSID_ZuzuravuDazeza, IID_IClassFactory, factory.putVoid()), S_OK);
  ComPtr<IUnknown> object;
  EXPECT_EQ(factory->CreateInstance(control.get(), IID_IUnknown, object.putVoid()), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
}

TEST_F(ControlTest, AnswersTheInterfacesContainersAskForButNotObjectSafety) {
  const IID expected[] = {IID_IUnknown, IID_IDispatch, IID__ZuzuravuDazeza, IID_IOleObject, IID_IOleWindow,
                          IID_IOleInPlaceObject, IID_IOleInPlaceActiveObject, IID_IViewObject, IID_IViewObject2,
                          IID_IOleControl, IID_IPersist, IID_IPersistStreamInit, IID_IPersistPropertyBag,
                          IID_IProvideClassInfo, IID_IProvideClassInfo2, IID_ISupportErrorInfo};
  const auto identity = control.as<IUnknown>();
  for (const IID& iid : expected) {
    const auto answered = control.as(iid);
    ASSERT_TRUE(answered);
    EXPECT_EQ(answered.as<IUnknown>().get(), identity.get()) << "one COM identity";
  }
  EXPECT_FALSE(control.as(kIID_IObjectSafety));
  EXPECT_FALSE(control.as(IID_IPersistStorage));
}

TEST_F(ControlTest, DescribesItselfThroughItsTypeLibrary) {
  ComPtr<ITypeInfo> info;
  ASSERT_EQ(control->GetTypeInfo(0, 0, info.put()), S_OK);
  Bstr name;
  info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
  EXPECT_EQ(name.view(), L"_ZuzuravuDazeza");
  EXPECT_EQ(control->GetTypeInfo(1, 0, info.put()), DISP_E_BADINDEX);

  const auto classInfo = control.as<IProvideClassInfo2>();
  ComPtr<ITypeInfo> coclass;
  ASSERT_EQ(classInfo->GetClassInfo(coclass.put()), S_OK);
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(coclass->GetTypeAttr(&attributes), S_OK);
  EXPECT_EQ(attributes->typekind, TKIND_COCLASS);
  EXPECT_EQ(attributes->guid, CLSID_ZuzuravuDazeza);
  coclass->ReleaseTypeAttr(attributes);
  GUID events{};
  EXPECT_EQ(classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events), E_FAIL) << "no events";
  EXPECT_EQ(events, GUID_NULL);
}

TEST_F(ControlTest, PersistsNothingAndSaysSo) {
  const auto stream = control.as<IPersistStreamInit>();
  CLSID clsid{};
  EXPECT_EQ(stream->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_ZuzuravuDazeza);
  EXPECT_EQ(stream->InitNew(), S_OK);
  EXPECT_EQ(stream->IsDirty(), S_FALSE);
  EXPECT_EQ(stream->Load(nullptr), E_POINTER);
  ULARGE_INTEGER size{};
  EXPECT_EQ(stream->GetSizeMax(&size), S_OK);
  EXPECT_EQ(size.QuadPart, 0u);
  const auto bag = control.as<IPersistPropertyBag>();
  EXPECT_EQ(bag->InitNew(), S_OK);
  EXPECT_EQ(bag->Load(nullptr, nullptr), E_POINTER);
}

TEST_F(ControlTest, KeepsItsExtentAndDrawsOnlyForItsContent) {
  const auto ole = control.as<IOleObject>();
  SIZEL extent{2000, 500};
  EXPECT_EQ(ole->SetExtent(DVASPECT_CONTENT, &extent), S_OK);
  SIZEL read{};
  EXPECT_EQ(ole->GetExtent(DVASPECT_CONTENT, &read), S_OK);
  EXPECT_EQ(read.cx, 2000);
  EXPECT_EQ(ole->GetExtent(DVASPECT_ICON, &read), DV_E_DVASPECT);
  DWORD status = 0;
  EXPECT_EQ(ole->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
  EXPECT_TRUE(status & OLEMISC_SETCLIENTSITEFIRST);
  EXPECT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, nullptr, nullptr), E_UNEXPECTED) << "no site";

  const auto view = control.as<IViewObject2>();
  const HDC dc = CreateCompatibleDC(nullptr);
  const RECTL bounds{0, 0, 20, 10};
  EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0), S_OK);
  EXPECT_EQ(view->Draw(DVASPECT_ICON, -1, nullptr, nullptr, nullptr, dc, &bounds, nullptr, nullptr, 0), DV_E_DVASPECT);
  EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, nullptr, &bounds, nullptr, nullptr, 0), E_INVALIDARG);
  DeleteDC(dc);

  CONTROLINFO info{};
  info.cb = sizeof info;
  EXPECT_EQ(control.as<IOleControl>()->GetControlInfo(&info), S_OK);
  EXPECT_EQ(info.cAccel, 0);
}

}  // namespace
}  // namespace windows
