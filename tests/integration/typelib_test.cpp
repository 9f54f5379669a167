// The type library read back from VantoryActiveX.ocx, as a host's tools see it.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "VantoryActiveX.h"
#include "control/entry_points.h"
#include "platform/windows/bstr.h"
#include "platform/windows/com_ptr.h"

namespace windows {
namespace {

std::wstring controlFile() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  const std::wstring program(path);
  return program.substr(0, program.find_last_of(L"\\/") + 1) + L"VantoryActiveX.ocx";
}

class TypeAttributes {
 public:
  explicit TypeAttributes(ITypeInfo* info) : info_(info) { info_->GetTypeAttr(&attributes_); }
  TypeAttributes(const TypeAttributes&) = delete;
  TypeAttributes& operator=(const TypeAttributes&) = delete;
  ~TypeAttributes() {
    if (attributes_) info_->ReleaseTypeAttr(attributes_);
  }
  const TYPEATTR* operator->() const { return attributes_; }

 private:
  ITypeInfo* info_;
  TYPEATTR* attributes_ = nullptr;
};

class FunctionDescription {
 public:
  FunctionDescription(ITypeInfo* info, UINT index) : info_(info) { info_->GetFuncDesc(index, &description_); }
  FunctionDescription(const FunctionDescription&) = delete;
  FunctionDescription& operator=(const FunctionDescription&) = delete;
  ~FunctionDescription() {
    if (description_) info_->ReleaseFuncDesc(description_);
  }
  const FUNCDESC* operator->() const { return description_; }

 private:
  ITypeInfo* info_;
  FUNCDESC* description_ = nullptr;
};

std::wstring nameOf(ITypeInfo* info, MEMBERID member) {
  Bstr name;
  info->GetDocumentation(member, name.put(), nullptr, nullptr, nullptr);
  return std::wstring(name.view());
}

class TypeLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(LoadTypeLibEx(controlFile().c_str(), REGKIND_NONE, library.put()), S_OK);
    ASSERT_EQ(library->GetTypeInfoOfGuid(IID__ZuzuravuDazeza, dispatchInfo.put()), S_OK);
    // The dual interface's vtable side.
    HREFTYPE reference = 0;
    ASSERT_EQ(dispatchInfo->GetRefTypeOfImplType(-1, &reference), S_OK);
    ASSERT_EQ(dispatchInfo->GetRefTypeInfo(reference, interfaceInfo.put()), S_OK);
  }
  ComPtr<ITypeLib> library;
  ComPtr<ITypeInfo> dispatchInfo;
  ComPtr<ITypeInfo> interfaceInfo;
};

TEST_F(TypeLibraryTest, TheLibraryIsVantoryActiveX11ForEnglishWithItsHelpString) {
  TLIBATTR* attributes = nullptr;
  ASSERT_EQ(library->GetLibAttr(&attributes), S_OK);
  EXPECT_EQ(attributes->guid, LIBID_VantoryActiveX);
  EXPECT_EQ(attributes->wMajorVerNum, 1);
  EXPECT_EQ(attributes->wMinorVerNum, 1);
  EXPECT_EQ(attributes->lcid, 0x409u);
  library->ReleaseTLibAttr(attributes);
  Bstr name, help, helpFile;
  DWORD context = 0;
  ASSERT_EQ(library->GetDocumentation(-1, name.put(), help.put(), &context, helpFile.put()), S_OK);
  EXPECT_EQ(name.view(), L"VantoryActiveX");
  EXPECT_EQ(help.view(), L"Vantory ActiveX Control for Orbanet");
  EXPECT_EQ(helpFile.view(), L"");
  EXPECT_EQ(context, 0u);
  EXPECT_EQ(library->GetTypeInfoCount(), 2u) << "the interface and the class";
}

TEST_F(TypeLibraryTest, TheInterfaceIsDualHiddenNonExtensibleAndDerivesFromIDispatch) {
  const WORD common = TYPEFLAG_FHIDDEN | TYPEFLAG_FDUAL | TYPEFLAG_FNONEXTENSIBLE;
  const TypeAttributes dispatch(dispatchInfo.get());
  EXPECT_EQ(dispatch->typekind, TKIND_DISPATCH);
  EXPECT_EQ(dispatch->wMajorVerNum, 1);
  EXPECT_EQ(dispatch->wMinorVerNum, 1);
  EXPECT_EQ(dispatch->wTypeFlags & (common | TYPEFLAG_FDISPATCHABLE), common | TYPEFLAG_FDISPATCHABLE);
  EXPECT_EQ(nameOf(dispatchInfo.get(), MEMBERID_NIL), L"_ZuzuravuDazeza");

  const TypeAttributes vtable(interfaceInfo.get());
  EXPECT_EQ(vtable->typekind, TKIND_INTERFACE);
  EXPECT_EQ(vtable->guid, IID__ZuzuravuDazeza);
  EXPECT_EQ(vtable->wTypeFlags & (common | TYPEFLAG_FOLEAUTOMATION), common | TYPEFLAG_FOLEAUTOMATION);
  ASSERT_EQ(vtable->cImplTypes, 1);
  HREFTYPE base = 0;
  ComPtr<ITypeInfo> baseInfo;
  ASSERT_EQ(interfaceInfo->GetRefTypeOfImplType(0, &base), S_OK);
  ASSERT_EQ(interfaceInfo->GetRefTypeInfo(base, baseInfo.put()), S_OK);
  EXPECT_EQ(nameOf(baseInfo.get(), MEMBERID_NIL), L"IDispatch");
  EXPECT_EQ(vtable->cFuncs, 18 * 3 + 4);
}

struct Member {
  std::wstring name;
  DISPID id;
  INVOKEKIND kind;
  int parameters;   // without the result
  VARTYPE result;   // of the [out, retval] parameter; VT_EMPTY for none
};

std::wstring wide(std::string_view text) { return std::wstring(text.begin(), text.end()); }

// The published members, as the request fields' table gives them: the properties first, by
// DISPID from the highest (PatientGender) down, then the four methods. The type library
// must agree with the table in every name, DISPID and parameter.
std::vector<Member> expectedVtable() {
  std::vector<const control::RequestField*> properties;
  for (const auto& field : control::kRequestFields)
    if (field.propertyId != 0) properties.push_back(&field);
  std::ranges::sort(properties, std::greater{}, &control::RequestField::propertyId);
  std::vector<Member> members;
  for (const auto* property : properties) {
    members.push_back({wide(property->name), property->propertyId, INVOKE_PROPERTYPUT, 1, VT_EMPTY});
    members.push_back({wide(property->name), property->propertyId, INVOKE_PROPERTYPUTREF, 1, VT_EMPTY});
    members.push_back({wide(property->name), property->propertyId, INVOKE_PROPERTYGET, 0, VT_VARIANT});
  }
  members.push_back({L"PrintLabels", 0x60030012, INVOKE_FUNC, int(control::kPrintLabelsParameters.size()), VT_VARIANT});
  members.push_back({L"CloseConnection", 0x60030013, INVOKE_FUNC, 0, VT_VARIANT});
  members.push_back({L"GetControlVersion", 0x60030014, INVOKE_FUNC, 0, VT_I2});
  members.push_back(
      {L"PrintGENERICLabels", 0x60030015, INVOKE_FUNC, int(control::kPrintGenericLabelsParameters.size()), VT_VARIANT});
  return members;
}

TEST_F(TypeLibraryTest, MembersStandInVtableOrderWithTheirDispidsKindsAndTypes) {
  const auto members = expectedVtable();
  const SHORT firstSlot = 7;  // after IUnknown's 3 and IDispatch's 4
  for (UINT index = 0; index < members.size(); ++index) {
    const Member& expected = members[index];
    SCOPED_TRACE(std::to_string(index) + " " + std::string(expected.name.begin(), expected.name.end()));
    const FunctionDescription function(interfaceInfo.get(), index);
    ASSERT_NE(function.operator->(), nullptr);
    EXPECT_EQ(nameOf(interfaceInfo.get(), function->memid), expected.name);
    EXPECT_EQ(function->memid, expected.id);
    EXPECT_EQ(function->invkind, expected.kind);
    EXPECT_EQ(function->funckind, FUNC_PUREVIRTUAL);
    EXPECT_EQ(function->callconv, CC_STDCALL);
    EXPECT_EQ(function->oVft, static_cast<SHORT>((firstSlot + index) * sizeof(void*)));
    EXPECT_EQ(function->elemdescFunc.tdesc.vt, VT_HRESULT);
    EXPECT_EQ(function->cParamsOpt, 0);
    EXPECT_EQ(function->wFuncFlags, 0) << "no member is hidden, restricted or bindable";

    const int parameterCount = expected.parameters + (expected.result != VT_EMPTY ? 1 : 0);
    ASSERT_EQ(function->cParams, parameterCount);
    for (int p = 0; p < expected.parameters; ++p) {
      const ELEMDESC& parameter = function->lprgelemdescParam[p];
      if (expected.kind == INVOKE_FUNC) {
        // [in, out] VARIANT*
        EXPECT_EQ(parameter.tdesc.vt, VT_PTR);
        EXPECT_EQ(parameter.tdesc.lptdesc->vt, VT_VARIANT);
        EXPECT_EQ(parameter.paramdesc.wParamFlags & (PARAMFLAG_FIN | PARAMFLAG_FOUT | PARAMFLAG_FOPT),
                  PARAMFLAG_FIN | PARAMFLAG_FOUT);
      } else {
        // [in] VARIANT
        EXPECT_EQ(parameter.tdesc.vt, VT_VARIANT);
        EXPECT_EQ(parameter.paramdesc.wParamFlags & (PARAMFLAG_FIN | PARAMFLAG_FOUT), PARAMFLAG_FIN);
      }
    }
    if (expected.result != VT_EMPTY) {
      const ELEMDESC& result = function->lprgelemdescParam[parameterCount - 1];
      EXPECT_EQ(result.tdesc.vt, VT_PTR);
      EXPECT_EQ(result.tdesc.lptdesc->vt, expected.result);
      EXPECT_EQ(result.paramdesc.wParamFlags & (PARAMFLAG_FOUT | PARAMFLAG_FRETVAL), PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);
    }
  }
}

TEST_F(TypeLibraryTest, ThePrintMethodsNameTheirParametersInTheTablesOrder) {
  struct Method {
    DISPID id;
    control::PrintMethod method;
  };
  for (const auto& [id, method] : {Method{0x60030012, control::PrintMethod::PrintLabels},
                                   Method{0x60030015, control::PrintMethod::PrintGENERICLabels}}) {
    std::vector<std::wstring> expected{wide(control::methodName(method))};
    for (const auto parameter : control::parameterNames(method)) expected.push_back(wide(parameter));
    BSTR names[32] = {};
    UINT count = 0;
    ASSERT_EQ(interfaceInfo->GetNames(id, names, 32, &count), S_OK);
    std::vector<std::wstring> read;
    for (UINT i = 0; i < count; ++i) read.emplace_back(Bstr::adopt(names[i]).view());
    read.resize(expected.size());  // the result parameter may or may not be named
    EXPECT_EQ(read, expected);
  }
}

TEST_F(TypeLibraryTest, TheClassIsACreatableControlWithTheInterfaceAsItsDefault) {
  ComPtr<ITypeInfo> coclass;
  ASSERT_EQ(library->GetTypeInfoOfGuid(CLSID_ZuzuravuDazeza, coclass.put()), S_OK);
  const TypeAttributes attributes(coclass.get());
  EXPECT_EQ(attributes->typekind, TKIND_COCLASS);
  EXPECT_EQ(attributes->wMajorVerNum, 1);
  EXPECT_EQ(attributes->wMinorVerNum, 1);
  EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FCANCREATE);
  EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FCONTROL);
  EXPECT_EQ(nameOf(coclass.get(), MEMBERID_NIL), L"ZuzuravuDazeza");
  ASSERT_EQ(attributes->cImplTypes, 1);
  INT implementation = 0;
  ASSERT_EQ(coclass->GetImplTypeFlags(0, &implementation), S_OK);
  EXPECT_EQ(implementation, IMPLTYPEFLAG_FDEFAULT);
  HREFTYPE reference = 0;
  ComPtr<ITypeInfo> implemented;
  ASSERT_EQ(coclass->GetRefTypeOfImplType(0, &reference), S_OK);
  ASSERT_EQ(coclass->GetRefTypeInfo(reference, implemented.put()), S_OK);
  EXPECT_EQ(nameOf(implemented.get(), MEMBERID_NIL), L"_ZuzuravuDazeza");
}

TEST_F(TypeLibraryTest, NoMemberCarriesHelp) {
  for (UINT index = 0; index < 58; ++index) {
    const FunctionDescription function(interfaceInfo.get(), index);
    Bstr help;
    DWORD context = 0;
    interfaceInfo->GetDocumentation(function->memid, nullptr, help.put(), &context, nullptr);
    EXPECT_EQ(help.view(), L"");
    EXPECT_EQ(context, 0u);
  }
}

TEST_F(TypeLibraryTest, ImportsTheStandardOleAutomationLibrary) {
  // IDispatch, the interface's base, comes from stdole2.tlb 2.0.
  HREFTYPE base = 0;
  ComPtr<ITypeInfo> baseInfo;
  ASSERT_EQ(interfaceInfo->GetRefTypeOfImplType(0, &base), S_OK);
  ASSERT_EQ(interfaceInfo->GetRefTypeInfo(base, baseInfo.put()), S_OK);
  ComPtr<ITypeLib> stdole;
  UINT index = 0;
  ASSERT_EQ(baseInfo->GetContainingTypeLib(stdole.put(), &index), S_OK);
  TLIBATTR* attributes = nullptr;
  ASSERT_EQ(stdole->GetLibAttr(&attributes), S_OK);
  const GUID stdoleLibrary = {0x00020430, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  EXPECT_EQ(attributes->guid, stdoleLibrary);
  EXPECT_EQ(attributes->wMajorVerNum, 2);
  stdole->ReleaseTLibAttr(attributes);
}

}  // namespace
}  // namespace windows
