#pragma once
// The control object ZuzuravuDazeza: its automation interface _ZuzuravuDazeza (dual,
// dispatched through the type library), the 18 stored properties, the small methods and
// the two print methods, and the ActiveX interfaces containers ask a control for. It
// persists nothing and draws only a frame.
//
// It does not implement IObjectSafety: the print window object answers that (see
// PrintForm), as the published interface list of the control has no such entry.

#include <windows.h>
#include <ocidl.h>
#include <oleidl.h>

#include <array>
#include <span>

#include "VantoryActiveX.h"
#include "control/entry_points.h"
#include "platform/windows/com_object.h"
#include "platform/windows/variant.h"

namespace windows {

inline constexpr wchar_t kProgId[] = L"VantoryActiveX.ZuzuravuDazeza";
inline constexpr wchar_t kControlWindowClassName[] = L"VantoryActiveX.ZuzuravuDazeza";

// A new control object asked for `iid`: the class factory's creation function.
HRESULT createControl(REFIID iid, void** object);

class ZuzuravuDazezaObject final : public _ZuzuravuDazeza,
                                   public IOleObject,
                                   public IOleInPlaceObject,
                                   public IOleInPlaceActiveObject,
                                   public IViewObject2,
                                   public IOleControl,
                                   public IPersistStreamInit,
                                   public IPersistPropertyBag,
                                   public IProvideClassInfo2,
                                   public ISupportErrorInfo,
                                   public RefCounted<ZuzuravuDazezaObject> {
 public:
  ZuzuravuDazezaObject();
  ~ZuzuravuDazezaObject();

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return release(); }

  // IDispatch, through the type library
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** typeInfo) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

  // _ZuzuravuDazeza: the properties (the interface's; each is stored at its DISPID's place,
  // which the request fields' table gives by name)
#define VANTORY_PROPERTY(Name)                                                               \
  HRESULT STDMETHODCALLTYPE put_##Name(VARIANT value) override {                            \
    return putProperty(control::propertyIndex(#Name), value);                               \
  }                                                                                         \
  HRESULT STDMETHODCALLTYPE putref_##Name(VARIANT value) override {                         \
    return putRefProperty(control::propertyIndex(#Name), value);                            \
  }                                                                                         \
  HRESULT STDMETHODCALLTYPE get_##Name(VARIANT* value) override {                           \
    return getProperty(control::propertyIndex(#Name), value);                               \
  }
  VANTORY_PROPERTY(PatientGender)
  VANTORY_PROPERTY(ClientNumber)
  VANTORY_PROPERTY(PatientID)
  VANTORY_PROPERTY(SpecimenRequirements)
  VANTORY_PROPERTY(LabelCopies)
  VANTORY_PROPERTY(PrinterName)
  VANTORY_PROPERTY(ClientType)
  VANTORY_PROPERTY(CurrentTime)
  VANTORY_PROPERTY(CurrentDate)
  VANTORY_PROPERTY(Temperature)
  VANTORY_PROPERTY(PhysicianName)
  VANTORY_PROPERTY(TestName)
  VANTORY_PROPERTY(TestNumber)
  VANTORY_PROPERTY(PatientDOB)
  VANTORY_PROPERTY(PatientName)
  VANTORY_PROPERTY(SampleID)
  VANTORY_PROPERTY(RequisitionNumber)
  VANTORY_PROPERTY(AccessionNumber)
#undef VANTORY_PROPERTY

  // _ZuzuravuDazeza: the methods
  HRESULT STDMETHODCALLTYPE PrintLabels(VARIANT* ClientType, VARIANT* ClientNumber, VARIANT* PrinterName,
                                        VARIANT* LabelCopies, VARIANT* Barcode, VARIANT* AccessionNumber,
                                        VARIANT* RequisitionNumber, VARIANT* SampleID, VARIANT* PatientID,
                                        VARIANT* PatientName, VARIANT* PatientDOB, VARIANT* PatientGender,
                                        VARIANT* TestNumber, VARIANT* TestName, VARIANT* PhysicianName,
                                        VARIANT* CurrentDate, VARIANT* CurrentTime, VARIANT* Temperature,
                                        VARIANT* SpecimenRequirements, VARIANT* DisplayProperties,
                                        VARIANT* DisplayDebugger, VARIANT* result) override;
  HRESULT STDMETHODCALLTYPE CloseConnection(VARIANT* result) override;
  HRESULT STDMETHODCALLTYPE GetControlVersion(short* result) override;
  HRESULT STDMETHODCALLTYPE PrintGENERICLabels(VARIANT* PrinterName, VARIANT* LabelCopies, VARIANT* Line1,
                                               VARIANT* Line2, VARIANT* Line3, VARIANT* Line4, VARIANT* Line5,
                                               VARIANT* DisplayProperties, VARIANT* DisplayDebugger,
                                               VARIANT* result) override;

  // IOleObject
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override;
  HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR application, LPCOLESTR object) override;
  HRESULT STDMETHODCALLTYPE Close(DWORD saveOption) override;
  HRESULT STDMETHODCALLTYPE SetMoniker(DWORD which, IMoniker* moniker) override;
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
  HRESULT STDMETHODCALLTYPE InitFromData(IDataObject* data, BOOL creation, DWORD reserved) override;
  HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD reserved, IDataObject** data) override;
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG message, IOleClientSite* activeSite, LONG index, HWND parent,
                                   LPCRECT position) override;
  HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** verbs) override;
  HRESULT STDMETHODCALLTYPE Update() override;
  HRESULT STDMETHODCALLTYPE IsUpToDate() override;
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override;
  HRESULT STDMETHODCALLTYPE GetUserType(DWORD form, LPOLESTR* userType) override;
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* connection) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD connection) override;
  HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** advises) override;
  HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD* status) override;
  HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE* palette) override;

  // IOleWindow (both in-place interfaces)
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enter) override;
  // IOleInPlaceObject
  HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
  HRESULT STDMETHODCALLTYPE UIDeactivate() override;
  HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT clip) override;
  HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override;
  // IOleInPlaceActiveObject
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG message) override;
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL activate) override;
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL activate) override;
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frameWindow) override;
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override;

  // IViewObject2
  HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* target, HDC targetDc,
                                 HDC drawDc, LPCRECTL bounds, LPCRECTL metafileBounds,
                                 BOOL(STDMETHODCALLTYPE* shouldContinue)(ULONG_PTR), ULONG_PTR continueArgument) override;
  HRESULT STDMETHODCALLTYPE GetColorSet(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* target,
                                        HDC targetDc, LOGPALETTE** colours) override;
  HRESULT STDMETHODCALLTYPE Freeze(DWORD aspect, LONG index, void* aspectInfo, DWORD* freeze) override;
  HRESULT STDMETHODCALLTYPE Unfreeze(DWORD freeze) override;
  HRESULT STDMETHODCALLTYPE SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
  HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* target, LPSIZEL size) override;

  // IOleControl
  HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* info) override;
  HRESULT STDMETHODCALLTYPE OnMnemonic(MSG* message) override;
  HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID property) override;
  HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL freeze) override;

  // IPersist, IPersistStreamInit, IPersistPropertyBag: nothing is persisted.
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
  HRESULT STDMETHODCALLTYPE IsDirty() override;
  HRESULT STDMETHODCALLTYPE Load(LPSTREAM stream) override;
  HRESULT STDMETHODCALLTYPE Save(LPSTREAM stream, BOOL clearDirty) override;
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override;
  HRESULT STDMETHODCALLTYPE InitNew() override;
  HRESULT STDMETHODCALLTYPE Load(IPropertyBag* bag, IErrorLog* log) override;
  HRESULT STDMETHODCALLTYPE Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) override;

  // IProvideClassInfo2
  HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** typeInfo) override;
  HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) override;

  // ISupportErrorInfo
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

 private:
  HRESULT putProperty(std::size_t property, const VARIANT& value);
  HRESULT putRefProperty(std::size_t property, const VARIANT& value);
  HRESULT getProperty(std::size_t property, VARIANT* value);
  using EntryPoint = bool (control::PrintEntryPoints::*)(std::span<const automation::Value>);
  HRESULT print(std::span<VARIANT* const> arguments, VARIANT* result, EntryPoint entryPoint);

  HRESULT activate(bool uiActivate, IOleClientSite* activeSite, HWND parent, LPCRECT position);
  bool createWindow(HWND parent, const RECT& position);
  void drawFrame(HDC dc, const RECT& bounds) const;
  static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  std::array<Variant, control::kPropertyCount> properties_;  // by DISPID, from the first

  ComPtr<IOleClientSite> site_;
  ComPtr<IOleAdviseHolder> oleAdvise_;
  ComPtr<IAdviseSink> viewSink_;
  DWORD viewAspects_ = 0;
  DWORD viewAdviseFlags_ = 0;
  SIZEL extent_;  // HIMETRIC

  ComPtr<IOleInPlaceSite> inPlaceSite_;
  ComPtr<IOleInPlaceFrame> frame_;
  ComPtr<IOleInPlaceUIWindow> document_;
  HWND window_ = nullptr;
  bool inPlaceActive_ = false;
  bool uiActive_ = false;
};

}  // namespace windows
