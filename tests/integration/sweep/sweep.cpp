// The control's IDispatch::Invoke swept the way a hostile or careless host could call it,
// in this one process (a crash ends it and fails the test). (The soak of print calls in one
// process is tests/soak/wine_soak.cpp.)
//
//   invoke_sweep CONTROL LABEL_FOLDER            the sweep
//   invoke_sweep CONTROL LABEL_FOLDER --parts P  only the sweep's parts P (of ABCD)
//
// CONTROL is the control's DLL, loaded with LoadLibrary and created through its
// DllGetClassObject; "Dymo.LabelEngine" (the virtual engine) must be registered; labels
// are recorded in LABEL_FOLDER, which is emptied first. Linux paths get Wine's "Z:".
//
// The sweep covers every dimension against every member of the type library and against
// unknown DISPIDs:
//   A  member x invoke flags x argument count 0..23, the argument types rotating;
//   B  member x argument type at the member's own count (all arguments of that type, and
//      for the print methods that type at one place in a well-formed request);
//   C  member x flags x named-argument patterns;
//   D  member x flags x missing pointers (DISPPARAMS, rgvarg, result, EXCEPINFO, argument
//      error) and a foreign interface id.
// After each call it checks: the HRESULT is in the table of documented ones; an argument
// error names an argument; an exception fills EXCEPINFO; a failure leaves the result
// Empty; no argument (nor the target of a reference) was written; a property holds either
// its value before the call or the value the call passed (its previous value when the call
// failed); a print call recorded at most one label (exactly one when it returned True,
// none when refused), and the reference request of the same method printed right after it
// returns True with a label byte for byte equal to the one it printed first, so nothing a
// call left in the process-wide request (fields, lines, result flag, print window) reaches
// the next print. At the end, with the control released: the test's own object is
// referenced by nobody else, DllCanUnloadNow says S_OK and the DLL unloads.
//
// Prints the figures (calls per part, per HRESULT, prints, windows closed, time) and each
// violation with the call that gave it; exits 0 only when there were none.

#include <ole2.h>
#include <oleauto.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/windows/bstr.h"
#include "sweep_support.h"
#include "variant_testing.h"

namespace sweep {
namespace {

using windows::Bstr;
using windows::testing::differenceBetween;

// ---- The HRESULTs a call may return: one table

struct Documented {
  HRESULT hr;
  const char* name;
};
constexpr HRESULT kObjectRequired = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 424);
constexpr Documented kDocumented[] = {
    {S_OK, "S_OK"},
    {DISP_E_BADPARAMCOUNT, "DISP_E_BADPARAMCOUNT"},
    {DISP_E_MEMBERNOTFOUND, "DISP_E_MEMBERNOTFOUND"},
    {DISP_E_TYPEMISMATCH, "DISP_E_TYPEMISMATCH"},
    {DISP_E_PARAMNOTFOUND, "DISP_E_PARAMNOTFOUND"},
    {DISP_E_BADVARTYPE, "DISP_E_BADVARTYPE"},
    {DISP_E_EXCEPTION, "DISP_E_EXCEPTION"},
    {DISP_E_NONAMEDARGS, "DISP_E_NONAMEDARGS"},
    {DISP_E_UNKNOWNINTERFACE, "DISP_E_UNKNOWNINTERFACE"},
    {DISP_E_OVERFLOW, "DISP_E_OVERFLOW"},
    {DISP_E_PARAMNOTOPTIONAL, "DISP_E_PARAMNOTOPTIONAL"},
    // Arguments given to a property get that takes none (oleaut32's answer).
    {DISP_E_NOTACOLLECTION, "DISP_E_NOTACOLLECTION"},
    {E_INVALIDARG, "E_INVALIDARG"},
    {E_POINTER, "E_POINTER"},
    {E_OUTOFMEMORY, "E_OUTOFMEMORY"},
    // A by-reference put of a value that is no object: Basic's "Object required".
    {kObjectRequired, "CTL_E_OBJECTREQUIRED (424)"},
};

const char* documentedName(HRESULT hr) {
  for (const auto& d : kDocumented)
    if (d.hr == hr) return d.name;
  return nullptr;
}

std::string hex(unsigned long value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08lX", value);
  return buffer;
}

std::string hrName(HRESULT hr) {
  const char* name = documentedName(hr);
  return name ? name : "undocumented " + hex(static_cast<unsigned long>(hr));
}

// ---- The test's own object: counts the references others hold

class LiveObject final : public IDispatch {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch) return E_NOINTERFACE;
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references_); }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return count ? S_OK : E_POINTER;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }
  // References held by anyone but the test (which holds none: it lives on the stack).
  long foreignReferences() const { return references_; }

 private:
  std::atomic<long> references_{0};
};

// ---- Argument types

// One argument: the VARIANT handed over in rgvarg, and whatever it refers to.
struct Argument {
  VARIANT raw;                                     // what goes into rgvarg; owned through the members below
  Variant holder;                                  // a by-value content that needs freeing
  Variant target;                                  // a VT_BYREF | VT_VARIANT target
  Variant innerTarget;                             // the target of a reference inside that target
  alignas(8) std::byte scalar[sizeof(DECIMAL)]{};  // a by-reference scalar
  Bstr text;
  std::size_t targetBytes = 0;  // how much of the referenced storage to watch
  const void* watched = nullptr;

  Argument() { VariantInit(&raw); }
  Argument(const Argument&) = delete;
  Argument& operator=(const Argument&) = delete;
};

struct Context {
  LiveObject* live;
};

using Maker = void (*)(Argument&, Context&);

struct Kind {
  const char* name;
  Maker make;
};

void byValue(Argument& a) { a.raw = a.holder.get(); }

void setBstr(Argument& a, std::wstring_view value) {
  V_VT(&a.holder.raw()) = VT_BSTR;
  V_BSTR(&a.holder.raw()) = Bstr(value).detach();
  byValue(a);
}

void reference(Argument& a, VARTYPE vt, void* target, std::size_t bytes) {
  V_VT(&a.raw) = VT_BYREF | vt;
  V_BYREF(&a.raw) = target;
  a.watched = target;
  a.targetBytes = bytes;
}

// An array of `vt` with the given bounds; elements filled by `fill(data, count)`.
SAFEARRAY* makeArray(Argument& a, VARTYPE vt, std::vector<SAFEARRAYBOUND> bounds) {
  SAFEARRAY* array = SafeArrayCreate(vt, static_cast<UINT>(bounds.size()), bounds.data());
  V_VT(&a.holder.raw()) = VT_ARRAY | vt;
  V_ARRAY(&a.holder.raw()) = array;
  return array;
}

template <typename T>
void fillArray(SAFEARRAY* array, const std::function<void(T*, LONG)>& fill) {
  if (array == nullptr) return;
  void* data = nullptr;
  if (FAILED(SafeArrayAccessData(array, &data))) return;
  LONG count = 1;
  for (UINT d = 1; d <= SafeArrayGetDim(array); ++d) {
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(array, d, &lower);
    SafeArrayGetUBound(array, d, &upper);
    count *= upper - lower + 1;
  }
  fill(static_cast<T*>(data), count);
  SafeArrayUnaccessData(array);
}

void variantArray(Argument& a, Context&) {
  SAFEARRAY* array = makeArray(a, VT_VARIANT, {{3, 0}});
  fillArray<VARIANT>(array, [](VARIANT* v, LONG) {
    V_VT(&v[0]) = VT_I4;
    V_I4(&v[0]) = 42;
    V_VT(&v[1]) = VT_BSTR;
    V_BSTR(&v[1]) = Bstr(std::wstring_view(L"element")).detach();
  });
}

const std::wstring& megabyteText() {
  static const std::wstring text(512 * 1024, L'M');  // 1 MB of UTF-16
  return text;
}

// A by-value scalar of type `vt`.
template <typename T>
void scalar(Argument& a, VARTYPE vt, T value) {
  static_assert(sizeof(T) <= sizeof(LONGLONG));
  V_VT(&a.holder.raw()) = vt;
  std::memcpy(&V_UI1(&a.holder.raw()), &value, sizeof value);
  byValue(a);
}

// A by-reference scalar of type `vt`, kept in the argument.
template <typename T>
void scalarReference(Argument& a, VARTYPE vt, T value) {
  static_assert(sizeof(T) <= sizeof(Argument::scalar));
  std::memcpy(&a.scalar, &value, sizeof value);
  reference(a, vt, &a.scalar, sizeof value);
}

void interfaceValue(Argument& a, VARTYPE vt, IUnknown* object) {
  V_VT(&a.raw) = vt;
  V_UNKNOWN(&a.raw) = object;  // the caller's own reference: not counted
}

void badType(Argument& a, VARTYPE vt) { V_VT(&a.raw) = vt; }

void nullReference(Argument& a, VARTYPE vt) {
  V_VT(&a.raw) = VT_BYREF | vt;
  V_BYREF(&a.raw) = nullptr;
}

CY currency(LONGLONG scaled) {
  CY value;
  value.int64 = scaled;
  return value;
}

DECIMAL decimal(ULONGLONG low, BYTE scale) {
  DECIMAL value{};
  value.Lo64 = low;
  value.scale = scale;
  return value;
}

const Kind kKinds[] = {
    {"Empty", [](Argument& a, Context&) { byValue(a); }},
    {"Null", [](Argument& a, Context&) { badType(a, VT_NULL); }},
    {"I2", [](Argument& a, Context&) { scalar(a, VT_I2, SHORT{7}); }},
    {"I4", [](Argument& a, Context&) { scalar(a, VT_I4, LONG{70000}); }},
    {"R8", [](Argument& a, Context&) { scalar(a, VT_R8, 2.5); }},
    {"CY", [](Argument& a, Context&) { scalar(a, VT_CY, currency(12345)); }},
    {"DATE", [](Argument& a, Context&) { scalar(a, VT_DATE, DATE{37130.5}); }},
    {"BOOL(True)", [](Argument& a, Context&) { scalar(a, VT_BOOL, VARIANT_BOOL{VARIANT_TRUE}); }},
    {"BOOL(False)", [](Argument& a, Context&) { scalar(a, VT_BOOL, VARIANT_BOOL{VARIANT_FALSE}); }},
    {"BSTR(NULL)", [](Argument& a, Context&) { scalar(a, VT_BSTR, BSTR{nullptr}); }},
    {"BSTR(empty)", [](Argument& a, Context&) { setBstr(a, L""); }},
    {"BSTR(1 MB)", [](Argument& a, Context&) { setBstr(a, megabyteText()); }},
    {"BSTR(embedded NUL)", [](Argument& a, Context&) { setBstr(a, std::wstring_view(L"TXT^a\0b", 7)); }},
    {"BSTR(lone high surrogate)", [](Argument& a, Context&) { setBstr(a, L"TXT^\xD800x"); }},
    {"BSTR(lone low surrogate)", [](Argument& a, Context&) { setBstr(a, L"\xDC00"); }},
    {"BSTR(TRUE)", [](Argument& a, Context&) { setBstr(a, L"TRUE"); }},
    {"BSTR(HOSPITAL)", [](Argument& a, Context&) { setBstr(a, L"HOSPITAL"); }},
    {"DISPATCH(NULL)", [](Argument& a, Context&) { interfaceValue(a, VT_DISPATCH, nullptr); }},
    {"DISPATCH(live)", [](Argument& a, Context& c) { interfaceValue(a, VT_DISPATCH, c.live); }},
    {"UNKNOWN(live)", [](Argument& a, Context& c) { interfaceValue(a, VT_UNKNOWN, c.live); }},
    {"UNKNOWN(NULL)", [](Argument& a, Context&) { interfaceValue(a, VT_UNKNOWN, nullptr); }},
    {"ERROR(PARAMNOTFOUND)", [](Argument& a, Context&) { scalar(a, VT_ERROR, SCODE{DISP_E_PARAMNOTFOUND}); }},
    {"ERROR(E_FAIL)", [](Argument& a, Context&) { scalar(a, VT_ERROR, SCODE{E_FAIL}); }},
    {"I8", [](Argument& a, Context&) { scalar(a, VT_I8, LONGLONG{-(1LL << 40)}); }},
    {"DECIMAL",
     [](Argument& a, Context&) {
       V_DECIMAL(&a.holder.raw()) = decimal(123456789, 3);
       V_VT(&a.holder.raw()) = VT_DECIMAL;  // after: the DECIMAL overlays the type
       byValue(a);
     }},
    {"ARRAY|VARIANT[3]",
     [](Argument& a, Context& c) {
       variantArray(a, c);
       byValue(a);
     }},
    {"ARRAY|I4[2x3]",
     [](Argument& a, Context&) {
       fillArray<LONG>(makeArray(a, VT_I4, {{2, 1}, {3, 0}}), [](LONG* v, LONG n) {
         for (LONG i = 0; i < n; ++i) v[i] = i;
       });
       byValue(a);
     }},
    {"ARRAY|BSTR[2] (one NULL)",
     [](Argument& a, Context&) {
       fillArray<BSTR>(makeArray(a, VT_BSTR, {{2, 0}}),
                       [](BSTR* v, LONG) { v[1] = Bstr(std::wstring_view(L"x")).detach(); });
       byValue(a);
     }},
    {"ARRAY|UI1[0]",
     [](Argument& a, Context&) {
       makeArray(a, VT_UI1, {{0, 0}});
       byValue(a);
     }},
    {"ARRAY|DISPATCH[1] live",
     [](Argument& a, Context& c) {
       fillArray<IDispatch*>(makeArray(a, VT_DISPATCH, {{1, 0}}), [&](IDispatch** v, LONG) {
         v[0] = c.live;
         c.live->AddRef();  // the array's own reference, released with it
       });
       byValue(a);
     }},
    {"ARRAY|I4 (NULL SAFEARRAY)", [](Argument& a, Context&) { badType(a, VT_ARRAY | VT_I4); }},
    {"VT 0x7F (no such type)", [](Argument& a, Context&) { badType(a, 0x7F); }},
    {"VARIANT by value", [](Argument& a, Context&) { badType(a, VT_VARIANT); }},
    {"VECTOR|I4", [](Argument& a, Context&) { badType(a, VT_VECTOR | VT_I4); }},
    {"BYREF|I2", [](Argument& a, Context&) { scalarReference(a, VT_I2, SHORT{-5}); }},
    {"BYREF|I4", [](Argument& a, Context&) { scalarReference(a, VT_I4, LONG{4}); }},
    {"BYREF|R8", [](Argument& a, Context&) { scalarReference(a, VT_R8, -0.25); }},
    {"BYREF|CY", [](Argument& a, Context&) { scalarReference(a, VT_CY, currency(10000)); }},
    {"BYREF|DATE", [](Argument& a, Context&) { scalarReference(a, VT_DATE, DATE{1.75}); }},
    {"BYREF|BOOL(True)", [](Argument& a, Context&) { scalarReference(a, VT_BOOL, VARIANT_BOOL{VARIANT_TRUE}); }},
    {"BYREF|BSTR",
     [](Argument& a, Context&) {
       BSTR* slot = a.text.put();
       *slot = Bstr(std::wstring_view(L"TXT^by reference")).detach();
       reference(a, VT_BSTR, slot, sizeof(BSTR));
     }},
    {"BYREF|BSTR(NULL)", [](Argument& a, Context&) { reference(a, VT_BSTR, a.text.put(), sizeof(BSTR)); }},
    {"BYREF|DISPATCH(live)",
     [](Argument& a, Context& c) { scalarReference(a, VT_DISPATCH, static_cast<IUnknown*>(c.live)); }},
    {"BYREF|DISPATCH(NULL)",
     [](Argument& a, Context&) { scalarReference(a, VT_DISPATCH, static_cast<IUnknown*>(nullptr)); }},
    {"BYREF|UNKNOWN(live)",
     [](Argument& a, Context& c) { scalarReference(a, VT_UNKNOWN, static_cast<IUnknown*>(c.live)); }},
    {"BYREF|ERROR(PARAMNOTFOUND)",
     [](Argument& a, Context&) { scalarReference(a, VT_ERROR, SCODE{DISP_E_PARAMNOTFOUND}); }},
    {"BYREF|DECIMAL", [](Argument& a, Context&) { scalarReference(a, VT_DECIMAL, decimal(5, 0)); }},
    {"BYREF|VARIANT(I4)",
     [](Argument& a, Context&) {
       a.target = windows::testing::i4(9);
       reference(a, VT_VARIANT, &a.target.raw(), sizeof(VARIANT));
     }},
    {"BYREF|VARIANT(Empty)", [](Argument& a, Context&) { reference(a, VT_VARIANT, &a.target.raw(), sizeof(VARIANT)); }},
    {"BYREF|VARIANT(BYREF|VARIANT(BSTR))",
     [](Argument& a, Context&) {
       a.innerTarget = windows::testing::bstr(L"TXT^nested");
       // A reference owns nothing: clearing `target` leaves the inner one alone.
       a.target.raw() = windows::testing::referenceTo(a.innerTarget.raw());
       reference(a, VT_VARIANT, &a.target.raw(), sizeof(VARIANT));
     }},
    {"BYREF|VARIANT(ARRAY|VARIANT)",
     [](Argument& a, Context& c) {
       variantArray(a, c);
       a.target = a.holder;
       reference(a, VT_VARIANT, &a.target.raw(), sizeof(VARIANT));
     }},
    {"BYREF|ARRAY|VARIANT",
     [](Argument& a, Context& c) {
       variantArray(a, c);
       reference(a, VT_ARRAY | VT_VARIANT, &V_ARRAY(&a.holder.raw()), sizeof(SAFEARRAY*));
     }},
    {"BYREF|I4 (NULL pointer)", [](Argument& a, Context&) { nullReference(a, VT_I4); }},
    {"BYREF|VARIANT (NULL pointer)", [](Argument& a, Context&) { nullReference(a, VT_VARIANT); }},
    {"BYREF|BSTR (NULL pointer)", [](Argument& a, Context&) { nullReference(a, VT_BSTR); }},
    {"BYREF|EMPTY", [](Argument& a, Context&) { reference(a, VT_EMPTY, &a.scalar, sizeof(LONG)); }},
};
constexpr std::size_t kKindCount = std::size(kKinds);

// ---- The members, from the control's type information

struct Member {
  DISPID id = DISPID_UNKNOWN;
  std::string name;
  WORD invokeKinds = 0;  // the INVOKEKINDs the type library declares
  UINT methodArguments = 0;
  bool property = false;
  bool known = false;
};

// The control's members by DISPID, then DISPIDs nobody declared.
std::vector<Member> membersOf(IDispatch& control) {
  std::map<DISPID, Member> byId;
  ComPtr<ITypeInfo> info;
  if (FAILED(control.GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put()))) return {};
  TYPEATTR* attributes = nullptr;
  if (FAILED(info->GetTypeAttr(&attributes))) return {};
  const WORD functions = attributes->cFuncs;
  info->ReleaseTypeAttr(attributes);
  for (WORD i = 0; i < functions; ++i) {
    FUNCDESC* function = nullptr;
    if (FAILED(info->GetFuncDesc(i, &function))) continue;
    if (!(function->wFuncFlags & FUNCFLAG_FRESTRICTED)) {  // not IDispatch's own
      Member& member = byId[function->memid];
      member.id = function->memid;
      member.known = true;
      member.invokeKinds |= static_cast<WORD>(function->invkind);
      UINT arguments = static_cast<UINT>(function->cParams);
      if (arguments > 0 && (function->lprgelemdescParam[arguments - 1].paramdesc.wParamFlags & PARAMFLAG_FRETVAL))
        --arguments;
      if (function->invkind == INVOKE_FUNC) member.methodArguments = arguments;
      if (function->invkind != INVOKE_FUNC) member.property = true;
      if (member.name.empty()) {
        Bstr name;
        if (SUCCEEDED(info->GetDocumentation(function->memid, name.put(), nullptr, nullptr, nullptr)))
          member.name = narrow(name.view());
      }
    }
    info->ReleaseFuncDesc(function);
  }
  std::vector<Member> members;
  for (auto& [id, member] : byId) members.push_back(member);
  for (const DISPID unknown :
       std::initializer_list<DISPID>{DISPID_VALUE, DISPID_UNKNOWN, DISPID_PROPERTYPUT, DISPID_NEWENUM, DISPID(1),
                                     DISPID(0x68030012), DISPID(0x60030016), DISPID(0x7FFFFFFF)}) {
    Member member;
    member.id = unknown;
    member.name = "unknown " + hex(static_cast<unsigned long>(unknown));
    members.push_back(member);
  }
  return members;
}

// The argument count a member takes for `flags` (its print or property count), or 1.
UINT rightCount(const Member& m, WORD flags) {
  if ((flags & DISPATCH_METHOD) && (m.invokeKinds & INVOKE_FUNC)) return m.methodArguments;
  if (m.property && (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))) return 1;
  if (m.property && (flags & DISPATCH_PROPERTYGET)) return 0;
  return 1;
}

constexpr WORD kFlags[] = {0,
                           DISPATCH_METHOD,
                           DISPATCH_PROPERTYGET,
                           DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                           DISPATCH_PROPERTYPUT,
                           DISPATCH_PROPERTYPUTREF,
                           DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF,
                           DISPATCH_METHOD | DISPATCH_PROPERTYPUT,
                           DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT,
                           DISPATCH_METHOD | DISPATCH_PROPERTYPUTREF,
                           0x10,
                           0xFFFF};
constexpr WORD kMainFlags[] = {DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT, DISPATCH_PROPERTYPUTREF};

std::string flagsName(WORD flags) {
  if (flags == 0) return "0";
  if (flags == 0xFFFF) return "0xFFFF";
  std::string out;
  const std::pair<WORD, const char*> names[] = {{DISPATCH_METHOD, "METHOD"},
                                                {DISPATCH_PROPERTYGET, "GET"},
                                                {DISPATCH_PROPERTYPUT, "PUT"},
                                                {DISPATCH_PROPERTYPUTREF, "PUTREF"}};
  const auto add = [&out](const std::string& part) {
    if (!out.empty()) out += '|';
    out += part;
  };
  for (const auto& [bit, name] : names)
    if (flags & bit) add(name);
  if (flags & ~0xF) add(hex(flags & ~0xF));
  return out;
}

// ---- A call

enum class Named { None, PropertyPut, First, AllInOrder, Unknown, Duplicate, MoreThanArguments, NullIds };
// By Named's values.
constexpr const char* kNamedNames[] = {"",
                                       " named=[PROPERTYPUT]",
                                       " named=[0]",
                                       " named=[all, by position]",
                                       " named=[999]",
                                       " named=[0,0]",
                                       " named=[more than cArgs]",
                                       " named=cNamedArgs 1, rgdispidNamedArgs NULL"};

enum class Pointers {
  All,
  NullParams,
  NullArguments,
  NullArgumentsNoCount,
  NullResult,
  NullException,
  NullArgumentError,
  NullOuts,
  ForeignInterface
};
// By Pointers' values.
constexpr const char* kPointersNames[] = {"",
                                          " pDispParams=NULL",
                                          " rgvarg=NULL",
                                          " rgvarg=NULL cArgs=0",
                                          " pVarResult=NULL",
                                          " pExcepInfo=NULL",
                                          " puArgErr=NULL",
                                          " pVarResult=pExcepInfo=puArgErr=NULL",
                                          " riid=IID_IDispatch"};

struct Call {
  Call(char part, const Member& member, WORD flags) : member(&member), flags(flags), part(part) {}
  const Member* member;
  WORD flags;
  std::vector<std::size_t> kinds;  // script order; SIZE_MAX = the reference request's argument
  Named named = Named::None;
  Pointers pointers = Pointers::All;
  std::vector<Variant> request;  // the reference request, when the arguments come from one
  char part;
  std::optional<HRESULT> expected;  // the HRESULT a regression case must give
  bool shallow = false;             // rgvarg shares the arguments' strings: not one byte of it may change
};

std::string describe(const Call& call) {
  std::string out = std::string(1, call.part) + ": " + call.member->name + "(" +
                    hex(static_cast<unsigned long>(call.member->id)) + ") flags=" + flagsName(call.flags) +
                    " args=" + std::to_string(call.kinds.size()) + " [";
  for (std::size_t i = 0; i < call.kinds.size(); ++i) {
    if (i) out += ", ";
    out += call.kinds[i] == SIZE_MAX ? "req" : kKinds[call.kinds[i]].name;
  }
  return out + "]" + kNamedNames[static_cast<int>(call.named)] + kPointersNames[static_cast<int>(call.pointers)];
}

// ---- The sweep

class Sweep {
 public:
  Sweep(ControlLibrary& library, LabelFolder& labels, ComPtr<IDispatch> control, std::vector<Member> members)
      : library_(library), labels_(labels), control_(std::move(control)), members_(std::move(members)) {
    context_.live = &live_;
    for (const Member& m : members_) {
      if (m.name == "PrintLabels") printLabels_ = m.id;
      if (m.name == "PrintGENERICLabels") printGeneric_ = m.id;
      if (m.name == "GetControlVersion") version_ = m.id;
    }
  }

  bool referencePrints() {
    for (const DISPID id : {printLabels_, printGeneric_}) {
      const std::size_t before = labels_.count();
      const auto outcome = reference(id);
      if (!outcome.printed || labels_.count() != before + 1) {
        std::printf("FAIL: the reference request of %s did not print (%s)\n", nameOf(id).c_str(),
                    hrName(outcome.hr).c_str());
        return false;
      }
      referenceLabel_[id] = labels_.label(labels_.count());
    }
    return true;
  }

  // `parts`: which of A, B, C, D to run (all by default; fewer when chasing one fault).
  void run(std::wstring_view parts) {
    const ULONGLONG started = GetTickCount64();
    regressions();
    if (parts.find(L'A') != parts.npos) partA();
    if (parts.find(L'B') != parts.npos) partB();
    if (parts.find(L'C') != parts.npos) partC();
    if (parts.find(L'D') != parts.npos) partD();
    elapsed_ = GetTickCount64() - started;
  }

  // Releases the control and checks that nothing of the sweep is left behind.
  void finish() {
    // The request keeps the last print's arguments: the reference requests replace any object the sweep left there.
    reference(printLabels_);
    reference(printGeneric_);
    control_.reset();
    if (live_.foreignReferences() != 0)
      violation("after the sweep",
                "the test's object is still referenced " + std::to_string(live_.foreignReferences()) + " time(s)");
    const HRESULT unload = library_.canUnloadNow();
    if (unload != S_OK)
      violation("after the sweep", "DllCanUnloadNow returned " + hrName(unload));
    else if (!library_.unload())
      violation("after the sweep", "FreeLibrary failed");
  }

  int report(const WindowCloser::Counts& closed) const {
    std::printf(
        "\nInvoke sweep of %zu members (%zu declared, %zu unknown DISPIDs), %zu argument types, "
        "%zu invoke flag sets, argument counts 0..%u\n",
        members_.size(),
        static_cast<std::size_t>(
            std::count_if(members_.begin(), members_.end(), [](const Member& m) { return m.known; })),
        static_cast<std::size_t>(
            std::count_if(members_.begin(), members_.end(), [](const Member& m) { return !m.known; })),
        kKindCount, std::size(kFlags), kMaxArguments);
    std::printf("calls: %ld (R regressions: %ld, A flags x counts: %ld, B types: %ld, C named: %ld, D pointers: %ld)\n",
                calls_, perPart_.at('R'), perPart_.at('A'), perPart_.at('B'), perPart_.at('C'), perPart_.at('D'));
    std::printf("HRESULTs:\n");
    for (const auto& [hr, count] : perResult_) std::printf("  %-32s %ld\n", hrName(hr).c_str(), count);
    std::printf(
        "print calls that ran: %ld (returned True: %ld), reference prints after them: %ld, labels recorded: %zu\n",
        printsRan_, printsTrue_, referencePrints_, labels_.count());
    std::printf("windows closed by the user thread: %ld print windows, %ld settings dialogs, %ld message boxes\n",
                closed.printWindows, closed.settingsDialogs, closed.messageBoxes);
    std::printf("time: %.1f s (%.2f ms per call)\n", elapsed_ / 1000.0,
                calls_ ? static_cast<double>(elapsed_) / static_cast<double>(calls_) : 0.0);
    std::printf("violations: %ld\n", violations_);
    return violations_ == 0 ? 0 : 1;
  }

  long violations() const { return violations_; }

 private:
  static constexpr UINT kMaxArguments = 23;

  std::string nameOf(DISPID id) const {
    for (const Member& m : members_)
      if (m.id == id) return m.name;
    return hex(static_cast<unsigned long>(id));
  }
  bool isPrint(const Member& m) const { return m.id == printLabels_ || m.id == printGeneric_; }

  void violation(const std::string& call, const std::string& what) {
    ++violations_;
    if (violations_ <= 200) std::printf("VIOLATION: %s -- %s\n", what.c_str(), call.c_str());
    std::fflush(stdout);
  }

  PrintOutcome reference(DISPID id) {
    return invokeByName(*control_.get(), id == printLabels_ ? L"PrintLabels" : L"PrintGENERICLabels",
                        id == printLabels_ ? hospitalRequest() : genericRequest());
  }

  std::vector<Variant> requestFor(const Member& m) const {
    return m.id == printLabels_ ? hospitalRequest() : genericRequest();
  }

  // A property's value, read through a plain get.
  std::optional<Variant> propertyValue(const Member& m) {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    Variant value;
    if (FAILED(control_->Invoke(m.id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value.put(), nullptr,
                                nullptr)))
      return std::nullopt;
    return value;
  }

  // The rotating type pattern of part A: every type comes round at every position.
  std::vector<std::size_t> rotating(UINT count) {
    std::vector<std::size_t> kinds(count);
    for (UINT i = 0; i < count; ++i) kinds[i] = (rotation_ + i * 7) % kKindCount;
    ++rotation_;
    return kinds;
  }

  std::size_t kindNamed(std::string_view name) const {
    for (std::size_t k = 0; k < kKindCount; ++k)
      if (kKinds[k].name == name) return k;
    return 0;
  }
  const Member& memberNamed(std::string_view name) const {
    return *std::find_if(members_.begin(), members_.end(), [&](const Member& m) { return m.name == name; });
  }

  // The faults the sweep found, each the call that showed it, with the answer it now gets.
  void regressions() {
    struct Case {
      const char* member;
      WORD flags;
      std::vector<const char*> kinds;  // empty: the member's reference request
      Named named;
      Pointers pointers;
      HRESULT expected;
      bool shallow;
    };
    // clang-format off
    const Case cases[] = {
        // oleaut32's VariantCopyInd followed a null reference: a crash. Refused now (E_INVALIDARG,
        // which ITypeInfo::Invoke reports as an exception).
        {"AccessionNumber", DISPATCH_PROPERTYPUT, {"BYREF|I4 (NULL pointer)"}, Named::PropertyPut, Pointers::All, DISP_E_EXCEPTION, false},
        {"PatientName", DISPATCH_PROPERTYPUTREF, {"BYREF|VARIANT (NULL pointer)"}, Named::PropertyPut, Pointers::All, DISP_E_EXCEPTION, false},
        // A named argument count without its array: a crash in oleaut32.
        {"PrintLabels", DISPATCH_METHOD, {}, Named::NullIds, Pointers::All, E_INVALIDARG, false},
        {"PrintGENERICLabels", DISPATCH_METHOD, {}, Named::MoreThanArguments, Pointers::All, E_INVALIDARG, false},
        {"PrintGENERICLabels", DISPATCH_METHOD, {}, Named::None, Pointers::NullArguments, E_INVALIDARG, false},
        // A put with more than its value stored the value and ignored the rest.
        {"PrinterName", DISPATCH_PROPERTYPUT, {"I4", "BSTR(HOSPITAL)"}, Named::PropertyPut, Pointers::All, DISP_E_BADPARAMCOUNT, false},
        {"PrinterName", DISPATCH_PROPERTYPUT, {"VT 0x7F (no such type)", "BYREF|DATE", "BYREF|ERROR(PARAMNOTFOUND)", "I2", "I4", "BSTR(empty)", "BSTR(HOSPITAL)"}, Named::PropertyPut, Pointers::All, DISP_E_BADPARAMCOUNT, false},
        // A get with an argument of a property holding Nothing: oleaut32 called the Nothing.
        {"ClientType", DISPATCH_PROPERTYPUTREF, {"DISPATCH(NULL)"}, Named::PropertyPut, Pointers::All, S_OK, false},
        {"ClientType", DISPATCH_PROPERTYGET, {"BSTR(NULL)"}, Named::PropertyPut, Pointers::All, DISP_E_NOTACOLLECTION, false},
        {"ClientType", DISPATCH_PROPERTYGET | DISPATCH_METHOD, {"I2"}, Named::None, Pointers::All, DISP_E_NOTACOLLECTION, false},
        // With a named argument oleaut32 converted the print's [in, out] arguments back into the
        // wrong places of the caller's array and failed the call after it had printed.
        {"PrintLabels", DISPATCH_METHOD, {}, Named::First, Pointers::All, S_OK, false},
        {"PrintGENERICLabels", DISPATCH_METHOD, {}, Named::First, Pointers::All, S_OK, false},
        // Without one it replaced the caller's strings by copies, freeing the caller's own.
        {"PrintGENERICLabels", DISPATCH_METHOD, {}, Named::None, Pointers::All, S_OK, true},
        {"PrintLabels", DISPATCH_METHOD, {}, Named::None, Pointers::All, S_OK, true},
    };
    // clang-format on
    for (const Case& c : cases) {
      const Member& m = memberNamed(c.member);
      Call call('R', m, c.flags);
      if (c.kinds.empty()) {
        call.request = requestFor(m);
        call.kinds.assign(call.request.size(), SIZE_MAX);
      } else {
        for (const char* kind : c.kinds) call.kinds.push_back(kindNamed(kind));
      }
      call.named = c.named;
      call.pointers = c.pointers;
      call.expected = c.expected;
      call.shallow = c.shallow;
      invoke(call);
    }
  }

  void partA() {
    for (const Member& m : members_)
      for (const WORD flags : kFlags)
        for (UINT count = 0; count <= kMaxArguments; ++count) {
          Call call('A', m, flags);
          call.kinds = rotating(count);
          if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) && count > 0 && (count % 2))
            call.named = Named::PropertyPut;  // odd counts as a script's put, even ones without the name
          invoke(call);
        }
  }

  void partB() {
    for (const Member& m : members_)
      for (const WORD flags : kMainFlags) {
        if (m.known && !(m.invokeKinds & flags)) continue;  // the other flags are part A's
        const UINT count = rightCount(m, flags);
        for (std::size_t k = 0; k < kKindCount; ++k) {
          Call call('B', m, flags);
          call.kinds.assign(count == 0 ? 1 : count, k);
          if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) call.named = Named::PropertyPut;
          invoke(call);
          if (isPrint(m) && flags == DISPATCH_METHOD) {
            // The type at one place of a well-formed request.
            Call one('B', m, flags);
            one.kinds.assign(count, SIZE_MAX);
            one.request = requestFor(m);
            one.kinds[k % count] = k;
            invoke(one);
          }
        }
      }
  }

  // A print at its own count gets the reference request (so that the call can print);
  // anything else the rotating types.
  void wellFormedOrRotating(Call& call, UINT count) {
    if (isPrint(*call.member) && count == call.member->methodArguments) {
      call.request = requestFor(*call.member);
      call.kinds.assign(count, SIZE_MAX);
    } else {
      call.kinds = rotating(count);
    }
  }

  void partC() {
    for (const Member& m : members_)
      for (const WORD flags : kMainFlags)
        for (const Named named : {Named::PropertyPut, Named::First, Named::AllInOrder, Named::Unknown, Named::Duplicate,
                                  Named::MoreThanArguments, Named::NullIds}) {
          const UINT count = std::max<UINT>(rightCount(m, flags), named == Named::Duplicate ? 2 : 1);
          Call call('C', m, flags);
          call.named = named;
          wellFormedOrRotating(call, count);
          invoke(call);
        }
  }

  void partD() {
    for (const Member& m : members_)
      for (const WORD flags : kMainFlags)
        for (const Pointers pointers :
             {Pointers::NullParams, Pointers::NullArguments, Pointers::NullArgumentsNoCount, Pointers::NullResult,
              Pointers::NullException, Pointers::NullArgumentError, Pointers::NullOuts, Pointers::ForeignInterface}) {
          UINT count = rightCount(m, flags);
          if (pointers == Pointers::NullArguments && count == 0) count = 1;
          if (pointers == Pointers::NullArgumentsNoCount) count = 0;
          Call call('D', m, flags);
          call.pointers = pointers;
          wellFormedOrRotating(call, count);
          if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) && count == 1) call.named = Named::PropertyPut;
          invoke(call);
        }
  }

  void invoke(Call& call) {
    const Member& m = *call.member;
    const std::string description = describe(call);
    currentCall() = description;

    // The arguments, in script order; rgvarg holds them reversed.
    std::vector<std::unique_ptr<Argument>> arguments;
    for (std::size_t i = 0; i < call.kinds.size(); ++i) {
      auto argument = std::make_unique<Argument>();
      if (call.kinds[i] == SIZE_MAX) {
        argument->holder = call.request[i];
        byValue(*argument);
      } else {
        kKinds[call.kinds[i]].make(*argument, context_);
      }
      arguments.push_back(std::move(argument));
    }
    // rgvarg is the caller's, as a script engine's would be: by-value arguments are its own
    // copies, cleared after the call (oleaut32 may hand them back rewritten); references
    // point into the arguments above.
    std::vector<VARIANT> rgvarg;
    std::vector<Variant> valuesBefore;
    std::vector<bool> ownCopy;
    for (auto it = arguments.rbegin(); it != arguments.rend(); ++it) {
      VARIANT copy;
      VariantInit(&copy);
      const bool copied =
          !call.shallow && !(V_VT(&(*it)->raw) & VT_BYREF) && SUCCEEDED(VariantCopy(&copy, &(*it)->raw));
      if (!copied) copy = (*it)->raw;
      ownCopy.push_back(copied);
      rgvarg.push_back(copy);
      Variant before;
      static_cast<void>(before.assign(copy, false));
      valuesBefore.push_back(std::move(before));
    }
    const std::vector<VARIANT> rgvargBefore = rgvarg;
    std::vector<std::vector<std::byte>> targetsBefore;
    for (const auto& a : arguments) {
      const auto* p = static_cast<const std::byte*>(a->watched);
      targetsBefore.emplace_back(p, p + (p ? a->targetBytes : 0));
    }
    const UINT count = static_cast<UINT>(rgvarg.size());
    std::vector<DISPID> names;
    UINT namedCount = 0;
    switch (call.named) {
      case Named::None:
        break;
      case Named::PropertyPut:
        names = {DISPID_PROPERTYPUT};
        break;
      case Named::First:
        names = {0};
        break;
      case Named::AllInOrder:
        for (UINT i = 0; i < count; ++i) names.push_back(static_cast<DISPID>(count - 1 - i));
        break;
      case Named::Unknown:
        names = {999};
        break;
      case Named::Duplicate:
        names = {0, 0};
        break;
      case Named::MoreThanArguments:
        names.assign(count + 1, 0);
        break;
      case Named::NullIds:
        namedCount = 1;
        break;
    }
    if (call.named != Named::NullIds) namedCount = static_cast<UINT>(names.size());
    if (call.named != Named::MoreThanArguments && call.named != Named::NullIds)
      namedCount = std::min(namedCount, count);

    DISPPARAMS params{rgvarg.empty() ? nullptr : rgvarg.data(), names.empty() ? nullptr : names.data(), count,
                      namedCount};
    if (call.pointers == Pointers::NullArguments || call.pointers == Pointers::NullArgumentsNoCount)
      params.rgvarg = nullptr;
    Variant result;
    EXCEPINFO exception{};
    UINT argumentError = 0xFFFFFFFF;
    const bool noResult = call.pointers == Pointers::NullResult || call.pointers == Pointers::NullOuts;
    const bool noException = call.pointers == Pointers::NullException || call.pointers == Pointers::NullOuts;
    const bool noArgumentError = call.pointers == Pointers::NullArgumentError || call.pointers == Pointers::NullOuts;

    const bool property = m.property;
    std::optional<Variant> before;
    if (property) before = propertyValue(m);
    const std::size_t labelsBefore = isPrint(m) ? labels_.count() : 0;

    const HRESULT hr = control_->Invoke(
        m.id, call.pointers == Pointers::ForeignInterface ? IID_IDispatch : IID_NULL, LOCALE_USER_DEFAULT, call.flags,
        call.pointers == Pointers::NullParams ? nullptr : &params, noResult ? nullptr : result.put(),
        noException ? nullptr : &exception, noArgumentError ? nullptr : &argumentError);

    ++calls_;
    ++perPart_[call.part];
    ++perResult_[hr];
    if (!documentedName(hr)) violation(description, "undocumented HRESULT " + hex(static_cast<unsigned long>(hr)));
    if (call.expected && hr != *call.expected)
      violation(description, "returned " + hrName(hr) + ", expected " + hrName(*call.expected));

    // A type mismatch names its argument; a missing parameter may name none (no argument is at fault).
    const bool namesNone = hr == DISP_E_PARAMNOTFOUND && argumentError == 0xFFFFFFFF;
    if ((hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTFOUND) && !noArgumentError && !namesNone &&
        argumentError >= count)
      violation(description, hrName(hr) + " with puArgErr " + std::to_string(argumentError) + " of " +
                                 std::to_string(count) + " arguments");
    if (hr == DISP_E_EXCEPTION && !noException) {
      if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
      if (exception.scode == 0 && exception.wCode == 0)
        violation(description, "DISP_E_EXCEPTION with an empty EXCEPINFO");
    }
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    if (FAILED(hr) && !noResult && result.type() != VT_EMPTY)
      violation(description, hrName(hr) + " left a result of type " + std::to_string(result.type()));

    for (std::size_t i = 0; i < rgvarg.size(); ++i) {
      const bool byReference = call.shallow || (V_VT(&rgvargBefore[i]) & VT_BYREF);
      if (byReference ? std::memcmp(&rgvarg[i], &rgvargBefore[i], sizeof(VARIANT)) != 0
                      : (valuesBefore[i].type() == V_VT(&rgvargBefore[i]) &&
                         !differenceBetween(valuesBefore[i].get(), rgvarg[i]).empty()))
        violation(description, "rgvarg[" + std::to_string(i) + "] was given another value");
      if (ownCopy[i]) VariantClear(&rgvarg[i]);
    }
    for (std::size_t i = 0; i < arguments.size(); ++i) {
      const auto* p = static_cast<const std::byte*>(arguments[i]->watched);
      if (p && std::memcmp(p, targetsBefore[i].data(), targetsBefore[i].size()) != 0)
        violation(description, "the target of argument " + std::to_string(i + 1) + " (by reference) was written");
    }

    if (SUCCEEDED(hr) && m.id == version_ && !noResult && (result.type() != VT_I2 || V_I2(&result.get()) != 12))
      violation(description, "GetControlVersion did not return the I2 12");

    if (property) checkProperty(call, description, hr, before, arguments);
    if (isPrint(m)) checkPrint(call, description, hr, result, noResult, labelsBefore);
  }

  // A property holds its value from before the call or the one the call passed: never anything else.
  void checkProperty(const Call& call, const std::string& description, HRESULT hr, const std::optional<Variant>& before,
                     const std::vector<std::unique_ptr<Argument>>& arguments) {
    const auto after = propertyValue(*call.member);
    if (!before || !after) {
      violation(description, "the property cannot be read back");
      return;
    }
    if (differenceBetween(before->get(), after->get()).empty()) return;
    if (FAILED(hr)) {
      violation(description, hrName(hr) + " but the property changed");
      return;
    }
    if (arguments.size() != 1) {
      violation(description, "the property changed with " + std::to_string(arguments.size()) + " arguments");
      return;
    }
    Variant passed;
    if (FAILED(passed.assign(arguments[0]->raw, true))) {
      violation(description, "the property changed to a value that cannot be passed");
      return;
    }
    if (const auto difference = differenceBetween(passed.get(), after->get()); !difference.empty())
      violation(description, "the property holds neither its old value nor the one passed: " + difference);
  }

  void checkPrint(const Call& call, const std::string& description, HRESULT hr, const Variant& result, bool noResult,
                  std::size_t labelsBefore) {
    const std::size_t recorded = labels_.count() - labelsBefore;
    if (FAILED(hr)) {
      if (recorded != 0) violation(description, hrName(hr) + " but " + std::to_string(recorded) + " label(s) printed");
      return;
    }
    ++printsRan_;
    bool printed = false;
    if (!noResult) {
      if (result.type() != VT_BOOL) violation(description, "the print returned type " + std::to_string(result.type()));
      printed = result.type() == VT_BOOL && V_BOOL(&result.get()) == VARIANT_TRUE;
    }
    if (printed) ++printsTrue_;
    if (recorded > 1 || (printed && recorded != 1))
      violation(description, std::string("returned ") + (printed ? "True" : "False") + " and recorded " +
                                 std::to_string(recorded) + " labels");
    // The next print is not touched by whatever this one left behind.
    const DISPID id = call.member->id;
    const std::size_t beforeReference = labels_.count();
    const auto outcome = reference(id);
    ++referencePrints_;
    if (!outcome.printed || labels_.count() != beforeReference + 1) {
      violation(description, "the reference request printed after it returned " + hrName(outcome.hr) +
                                 (outcome.printed ? " True" : " False") + " and recorded " +
                                 std::to_string(labels_.count() - beforeReference) + " labels");
      return;
    }
    if (labels_.label(labels_.count()) != referenceLabel_[id])
      violation(description, "the reference request printed after it differs from its first label");
  }

 public:
  static std::string& currentCall() {
    static std::string call;
    return call;
  }

 private:
  LiveObject live_;  // first: outlives whatever the control still holds of it
  Context context_{};
  ControlLibrary& library_;
  LabelFolder& labels_;
  ComPtr<IDispatch> control_;
  std::vector<Member> members_;
  DISPID printLabels_ = DISPID_UNKNOWN, printGeneric_ = DISPID_UNKNOWN, version_ = DISPID_UNKNOWN;
  std::map<DISPID, std::string> referenceLabel_;
  std::size_t rotation_ = 0;

  long calls_ = 0, violations_ = 0, printsRan_ = 0, printsTrue_ = 0, referencePrints_ = 0;
  std::map<char, long> perPart_{{'A', 0}, {'B', 0}, {'C', 0}, {'D', 0}, {'R', 0}};
  std::map<HRESULT, long> perResult_;
  ULONGLONG elapsed_ = 0;
};

LONG WINAPI reportCrash(EXCEPTION_POINTERS* exception) {
  HMODULE module = nullptr;
  wchar_t file[MAX_PATH] = L"?";
  if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         static_cast<LPCWSTR>(exception->ExceptionRecord->ExceptionAddress), &module))
    GetModuleFileNameW(module, file, MAX_PATH);
  std::printf("\nCRASH: exception %s at %p (%s+%s) during: %s\n",
              hex(exception->ExceptionRecord->ExceptionCode).c_str(), exception->ExceptionRecord->ExceptionAddress,
              narrow(file).c_str(),
              hex(static_cast<unsigned long>(static_cast<const char*>(exception->ExceptionRecord->ExceptionAddress) -
                                             reinterpret_cast<const char*>(module)))
                  .c_str(),
              Sweep::currentCall().c_str());
  std::fflush(stdout);
  ExitProcess(3);
}


}  // namespace
}  // namespace sweep

int wmain(int argc, wchar_t** argv) {
  using namespace sweep;
  SetUnhandledExceptionFilter(&reportCrash);
  std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
  const bool someParts = argc == 5 && std::wstring_view(argv[3]) == L"--parts";
  if (argc != 3 && !someParts) {
    std::printf("usage: invoke_sweep CONTROL LABEL_FOLDER [--parts ABCD]\n");
    return 2;
  }
  if (FAILED(OleInitialize(nullptr))) return 2;
  int verdict = 1;
  {
    LabelFolder labels(windowsPath(argv[2]));
    labels.clear();
    ControlLibrary library(windowsPath(argv[1]));
    if (!library.loaded()) {
      std::printf("FAIL: %s does not load as a COM server\n", narrow(argv[1]).c_str());
    } else {
      WindowCloser closer;
      auto control = library.create();
      auto members = control ? membersOf(*control.get()) : std::vector<Member>{};
      if (std::count_if(members.begin(), members.end(), [](const Member& m) { return m.known; }) != 22) {
        std::printf("FAIL: the control or its 22 members cannot be reached\n");
      } else {
        Sweep sweep(library, labels, std::move(control), std::move(members));
        if (sweep.referencePrints()) {
          sweep.run(someParts ? argv[4] : L"ABCD");
          sweep.finish();
          verdict = sweep.report(closer.counts());
        }
      }
    }
  }
  OleUninitialize();
  std::printf("%s\n", verdict == 0 ? "RESULT: PASS" : "RESULT: FAIL");
  std::fflush(stdout);
  return verdict;
}
