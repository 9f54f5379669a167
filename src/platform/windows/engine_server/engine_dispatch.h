#pragma once
// The virtual label engine's objects as COM automation objects. Every automation::Object an
// engine hands out is reached through one IDispatch:
//
// - GetIDsOfNames: the members engine::memberNames lists, without regard to letter case,
//   numbered from 1 in that order; no named arguments. DISPID_VALUE reads the default value.
// - Invoke: a property read and a method call both reach the member (the engine does not
//   tell them apart); a put passes its one value. Arguments arrive as automation Arguments:
//   by value, by Variant reference (VT_BYREF | VT_VARIANT) or by typed reference
//   (VT_BYREF | VT_I2, ...); what the member leaves in a reference is written back to the
//   caller's variable, converted to its type. Objects in results are wrapped again, the
//   same engine object always as the same IDispatch; one of ours passed back in reaches the
//   engine as the engine's own object.
// - An AutomationError becomes DISP_E_EXCEPTION with its EXCEPINFO: scode 0x800A0000 | n
//   for a classic error number n (the HRESULT itself for any other), the description and
//   the source, so a Basic host sees Err.Number n and the engine's text.
//
// Apartment-threaded: the objects of one engine are used from the thread that made them.

#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "automation/value.h"
#include "platform/windows/com_object.h"
#include "platform/windows/com_ptr.h"

namespace windows::engine_server {

class EngineDispatch;

// The wrappers of one engine's objects, so that an object keeps one COM identity.
class DispatchSession : public std::enable_shared_from_this<DispatchSession> {
 public:
  // The members an object answers, in DISPID order.
  using MemberNames = std::function<std::vector<std::u16string_view>(const automation::Object&)>;
  explicit DispatchSession(MemberNames names);

  // The wrapper of `object`: the existing one while it lives, else a new one.
  ComPtr<EngineDispatch> wrap(std::shared_ptr<automation::Object> object);

 private:
  friend class EngineDispatch;
  void forget(const automation::Object* object) noexcept { wrappers_.erase(object); }

  MemberNames names_;
  std::unordered_map<const automation::Object*, EngineDispatch*> wrappers_;
};

// Answered only by our wrappers, with the wrapper itself: never marshalled, never passed on.
inline constexpr IID kIidEngineDispatch = {0x04716095, 0xb060, 0x42f7, {0x9e, 0x75, 0xf7, 0xb4, 0x3c, 0x44, 0xae, 0x18}};

class EngineDispatch final : public IDispatch, public RefCounted<EngineDispatch> {
 public:
  // Only through DispatchSession::wrap.
  EngineDispatch(std::shared_ptr<DispatchSession> session, std::shared_ptr<automation::Object> object,
                 std::vector<std::u16string_view> members);
  ~EngineDispatch();

  // A fresh engine's IDispatch, the first object of a new session.
  static ComPtr<IDispatch> forEngine(std::shared_ptr<automation::Object> engine);
  // Our wrapper behind `object`, or null for any other COM object.
  static ComPtr<EngineDispatch> from(IUnknown* object) noexcept;

  const std::shared_ptr<automation::Object>& object() const noexcept { return object_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return release(); }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

 private:
  HRESULT invoke(DISPID member, WORD flags, const DISPPARAMS& params, VARIANT* result, EXCEPINFO* exception,
                 UINT* argumentError);

  std::shared_ptr<DispatchSession> session_;
  std::shared_ptr<automation::Object> object_;
  std::vector<std::u16string_view> members_;  // DISPID n is members_[n - 1]
};

// The EXCEPINFO scode for an automation error number (see above).
SCODE errorCode(std::int32_t number) noexcept;

}  // namespace windows::engine_server
