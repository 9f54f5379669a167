#include "fake_dispatch.h"

#include <cwctype>

#include "platform/windows/bstr.h"

namespace windows::testing {

namespace {

bool sameName(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  return true;
}

HRESULT STDAPICALLTYPE deferredFill(EXCEPINFO* info) {
  info->wCode = 1001;
  info->bstrDescription = SysAllocString(L"later");
  info->pfnDeferredFillIn = nullptr;
  return S_OK;
}

}  // namespace

HRESULT FakeDispatch::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (iid != IID_IUnknown && iid != IID_IDispatch) return E_NOINTERFACE;
  *object = static_cast<IDispatch*>(this);
  AddRef();
  return S_OK;
}

HRESULT FakeDispatch::GetTypeInfoCount(UINT* count) {
  *count = 0;
  return S_OK;
}

HRESULT FakeDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  *info = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT FakeDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  static const std::pair<const wchar_t*, DISPID> kMembers[] = {
      {L"Echo", kEcho}, {L"Fail", kFail}, {L"WriteBack", kWriteBack}, {L"Deferred", kDeferred}, {L"Plain", kPlain}};
  if (count != 1) return E_INVALIDARG;
  for (const auto& [name, id] : kMembers)
    if (sameName(names[0], name)) {
      ids[0] = id;
      return S_OK;
    }
  ids[0] = DISPID_UNKNOWN;
  return DISP_E_UNKNOWNNAME;
}

HRESULT FakeDispatch::Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                             EXCEPINFO* exception, UINT*) {
  RecordedCall call;
  call.member = member;
  call.flags = flags;
  for (UINT i = params->cArgs; i-- > 0;) {
    call.types.push_back(V_VT(&params->rgvarg[i]));
    Variant copy;
    copy.assign(params->rgvarg[i], true);
    call.values.push_back(copy);
  }
  for (UINT i = 0; i < params->cNamedArgs; ++i) call.named.push_back(params->rgdispidNamedArgs[i]);
  calls.push_back(call);

  switch (member) {
    case DISPID_VALUE:
      if (result) {
        V_VT(result) = VT_BSTR;
        V_BSTR(result) = SysAllocString(defaultText.c_str());
      }
      return S_OK;
    case kEcho:
      if (result && !call.values.empty()) VariantCopy(result, &call.values.front().raw());
      return S_OK;
    case kFail:
      if (exception) {
        *exception = {};
        exception->scode = static_cast<SCODE>(0x800A000D);
        exception->bstrDescription = SysAllocString(L"boom");
        exception->bstrSource = SysAllocString(L"Fake");
      }
      return DISP_E_EXCEPTION;
    case kDeferred:
      if (exception) {
        *exception = {};
        exception->pfnDeferredFillIn = &deferredFill;
      }
      return DISP_E_EXCEPTION;
    case kPlain:
      return DISP_E_TYPEMISMATCH;
    case kWriteBack:
      for (UINT i = 0; i < params->cArgs; ++i) {
        VARIANT& arg = params->rgvarg[i];
        if (V_VT(&arg) == (VT_BYREF | VT_VARIANT)) {
          VariantClear(V_VARIANTREF(&arg));
          V_VT(V_VARIANTREF(&arg)) = VT_BSTR;
          V_BSTR(V_VARIANTREF(&arg)) = SysAllocString(L"changed");
        } else if (V_VT(&arg) == (VT_BYREF | VT_I2)) {
          *V_I2REF(&arg) = 42;
        }
      }
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

}  // namespace windows::testing
