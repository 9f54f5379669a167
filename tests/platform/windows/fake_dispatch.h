#pragma once
// A scripted IDispatch for the adapter tests: records what each call received, answers
// from a small table of members, and counts references so tests see every one released.

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

#include "platform/windows/variant.h"

namespace windows::testing {

struct RecordedCall {
  DISPID member = DISPID_UNKNOWN;
  WORD flags = 0;
  std::vector<VARTYPE> types;  // in the caller's order
  std::vector<DISPID> named;
  std::vector<Variant> values;  // dereferenced copies, in the caller's order
};

class FakeDispatch final : public IDispatch {
 public:
  enum Member : DISPID {
    kEcho = 1,       // returns its first argument (dereferenced), or Empty
    kFail = 2,       // raises through EXCEPINFO: scode 0x800A000D, "boom", source "Fake"
    kWriteBack = 3,  // writes "changed" into a VT_BYREF|VT_VARIANT and 42 into a VT_BYREF|VT_I2
    kDeferred = 4,   // raises through a deferred fill-in: wCode 1001, "later"
    kPlain = 5,      // fails with DISP_E_TYPEMISMATCH, no EXCEPINFO
  };

  // IUnknown: a stack object; the count only tells whether references are balanced.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT* argumentError) override;

  ULONG references = 1;
  std::vector<RecordedCall> calls;
  std::wstring defaultText = L"default text";
};

}  // namespace windows::testing
