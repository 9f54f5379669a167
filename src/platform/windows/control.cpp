#include "platform/windows/control.h"

#include <olectl.h>

#include <vector>

#include "platform/windows/bstr.h"
#include "platform/windows/com_module.h"
#include "platform/windows/component.h"
#include "platform/windows/control_module.h"
#include "platform/windows/gdi.h"
#include "platform/windows/variant_adapter.h"
#include "platform/windows/win32_form.h"

namespace windows {

namespace {

// A control without a size from its container: 32 x 32 pixels at 96 dpi, in HIMETRIC.
constexpr SIZEL kDefaultExtent{847, 847};

// Basic's "Object required" (424) as an HRESULT.
constexpr HRESULT kObjectRequired = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 424);

constexpr DWORD kMiscStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT |
                              OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST;

// Reports a failure the way automation expects it: the HRESULT, and an error object the
// caller (ITypeInfo::Invoke, a script engine) turns into Err.Number and Err.Description.
HRESULT raise(HRESULT hr, const wchar_t* description) {
  ComPtr<ICreateErrorInfo> create;
  if (SUCCEEDED(CreateErrorInfo(create.put()))) {
    create->SetGUID(IID__ZuzuravuDazeza);
    create->SetSource(const_cast<LPOLESTR>(kProgId));
    create->SetDescription(const_cast<LPOLESTR>(description));
    if (const auto info = create.as<IErrorInfo>()) SetErrorInfo(0, info.get());
  }
  return hr;
}

bool isPropertyId(DISPID id) {
  return id >= control::kFirstPropertyId && id < control::kFirstPropertyId + DISPID(control::kPropertyCount);
}
// PrintLabels and PrintGENERICLabels.
bool isPrintMethodId(DISPID id) { return id == 0x60030012 || id == 0x60030015; }

bool isObject(const VARIANT& value) { return V_VT(&value) == VT_DISPATCH || V_VT(&value) == VT_UNKNOWN; }

}  // namespace

HRESULT createControl(REFIID iid, void** object) {
  return makeCom<ZuzuravuDazezaObject>()->QueryInterface(iid, object);
}

ZuzuravuDazezaObject::ZuzuravuDazezaObject() : extent_(kDefaultExtent) {}

ZuzuravuDazezaObject::~ZuzuravuDazezaObject() {
  if (window_) DestroyWindow(std::exchange(window_, nullptr));
}

HRESULT ZuzuravuDazezaObject::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID__ZuzuravuDazeza)
    *object = static_cast<_ZuzuravuDazeza*>(this);
  else if (iid == IID_IOleObject)
    *object = static_cast<IOleObject*>(this);
  else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject)
    *object = static_cast<IOleInPlaceObject*>(this);
  else if (iid == IID_IOleInPlaceActiveObject)
    *object = static_cast<IOleInPlaceActiveObject*>(this);
  else if (iid == IID_IViewObject || iid == IID_IViewObject2)
    *object = static_cast<IViewObject2*>(this);
  else if (iid == IID_IOleControl)
    *object = static_cast<IOleControl*>(this);
  else if (iid == IID_IPersist || iid == IID_IPersistStreamInit)
    *object = static_cast<IPersistStreamInit*>(this);
  else if (iid == IID_IPersistPropertyBag)
    *object = static_cast<IPersistPropertyBag*>(this);
  else if (iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2)
    *object = static_cast<IProvideClassInfo2*>(this);
  else if (iid == IID_ISupportErrorInfo)
    *object = static_cast<ISupportErrorInfo*>(this);
  else
    return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

// ---- IDispatch

HRESULT ZuzuravuDazezaObject::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT ZuzuravuDazezaObject::GetTypeInfo(UINT index, LCID, ITypeInfo** typeInfo) {
  if (typeInfo == nullptr) return E_POINTER;
  *typeInfo = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  ComPtr<ITypeInfo> info;
  const HRESULT hr = ControlModule::instance().typeInfo(IID__ZuzuravuDazeza, info);
  if (FAILED(hr)) return hr;
  *typeInfo = info.detach();
  return S_OK;
}

HRESULT ZuzuravuDazezaObject::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (names == nullptr || ids == nullptr) return E_POINTER;
  ComPtr<ITypeInfo> info;
  const HRESULT hr = ControlModule::instance().typeInfo(IID__ZuzuravuDazeza, info);
  if (FAILED(hr)) return hr;
  return info->GetIDsOfNames(names, count, ids);
}

HRESULT ZuzuravuDazezaObject::Invoke(DISPID member, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (params == nullptr) return E_INVALIDARG;
  // oleaut32 reads the arrays as counted, without looking: missing or short ones stop here.
  if ((params->cArgs > 0 && params->rgvarg == nullptr) ||
      (params->cNamedArgs > 0 && params->rgdispidNamedArgs == nullptr) || params->cNamedArgs > params->cArgs)
    return E_INVALIDARG;
  if (isPropertyId(member)) {
    // A property put takes one value; oleaut32 would store it and ignore any further arguments.
    if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) && params->cArgs > 1) return DISP_E_BADPARAMCOUNT;
    // Arguments to a get index the object the property holds; oleaut32 calls a Nothing without looking.
    const VARIANT& stored = properties_[static_cast<std::size_t>(member - control::kFirstPropertyId)].get();
    if ((flags & DISPATCH_PROPERTYGET) && !(flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) &&
        params->cArgs > 0 && V_VT(&stored) == VT_DISPATCH && V_DISPATCH(&stored) == nullptr)
      return DISP_E_NOTACOLLECTION;
  }
  ComPtr<ITypeInfo> info;
  const HRESULT hr = ControlModule::instance().typeInfo(IID__ZuzuravuDazeza, info);
  if (FAILED(hr)) return hr;
  const auto self = ComPtr<_ZuzuravuDazeza>::share(this);  // a call may release the host's last reference
  SetErrorInfo(0, nullptr);
  if (!(flags & DISPATCH_METHOD) || !isPrintMethodId(member))
    return info->Invoke(self.get(), member, flags, params, result, exception, argumentError);

  // The print methods declare their arguments [in, out]: after the call oleaut32 converts each
  // by-value one back into the caller's array (replacing the caller's strings, and with named
  // arguments into the wrong places, failing the call after it printed). They never write
  // them, so they get references to the caller's values instead, which oleaut32 leaves alone.
  try {
    std::vector<VARIANT> references(params->rgvarg, params->rgvarg + params->cArgs);
    for (UINT i = 0; i < params->cArgs; ++i) {
      if (V_VT(&references[i]) & VT_BYREF) continue;
      V_VT(&references[i]) = VT_BYREF | VT_VARIANT;
      V_VARIANTREF(&references[i]) = &params->rgvarg[i];
    }
    DISPPARAMS forwarded = *params;
    forwarded.rgvarg = references.data();
    return info->Invoke(self.get(), member, flags, &forwarded, result, exception, argumentError);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

// ---- Properties

HRESULT ZuzuravuDazezaObject::putProperty(std::size_t property, const VARIANT& value) {
  return properties_[property].assign(value, true);
}

HRESULT ZuzuravuDazezaObject::putRefProperty(std::size_t property, const VARIANT& value) {
  Variant stored;
  const HRESULT hr = stored.assign(value, true);
  if (FAILED(hr)) return hr;
  if (!isObject(stored.get())) return raise(kObjectRequired, L"Object required");
  properties_[property] = std::move(stored);
  return S_OK;
}

HRESULT ZuzuravuDazezaObject::getProperty(std::size_t property, VARIANT* value) {
  if (value == nullptr) return E_POINTER;
  VariantInit(value);
  return VariantCopy(value, &properties_[property].raw());
}

// ---- Methods

HRESULT ZuzuravuDazezaObject::print(std::span<VARIANT* const> arguments, VARIANT* result, EntryPoint entryPoint) {
  if (result == nullptr) return E_POINTER;
  VariantInit(result);
  const auto self = ComPtr<_ZuzuravuDazeza>::share(this);
  bool printed = false;
  Component* component = nullptr;
  try {
    component = &ControlModule::instance().component();
    std::vector<automation::Value> values;
    values.reserve(arguments.size());
    for (const VARIANT* argument : arguments) {
      if (argument == nullptr) throw automation::AutomationError::invalidArgument();
      values.push_back(toValue(*argument));
    }
    printed = (component->entryPoints().*entryPoint)(values);
  } catch (...) {
    // An argument no automation value can hold: the request ends here, unprinted.
    if (component) component->request().PrintSucceeded = false;
    printed = false;
  }
  V_VT(result) = VT_BOOL;
  V_BOOL(result) = printed ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT ZuzuravuDazezaObject::PrintLabels(VARIANT* ClientType, VARIANT* ClientNumber, VARIANT* PrinterName,
                                          VARIANT* LabelCopies, VARIANT* Barcode, VARIANT* AccessionNumber,
                                          VARIANT* RequisitionNumber, VARIANT* SampleID, VARIANT* PatientID,
                                          VARIANT* PatientName, VARIANT* PatientDOB, VARIANT* PatientGender,
                                          VARIANT* TestNumber, VARIANT* TestName, VARIANT* PhysicianName,
                                          VARIANT* CurrentDate, VARIANT* CurrentTime, VARIANT* Temperature,
                                          VARIANT* SpecimenRequirements, VARIANT* DisplayProperties,
                                          VARIANT* DisplayDebugger, VARIANT* result) {
  VARIANT* const arguments[] = {ClientType,  ClientNumber,      PrinterName,  LabelCopies,   Barcode,
                                AccessionNumber, RequisitionNumber, SampleID, PatientID,     PatientName,
                                PatientDOB,  PatientGender,     TestNumber,   TestName,      PhysicianName,
                                CurrentDate, CurrentTime,       Temperature,  SpecimenRequirements,
                                DisplayProperties, DisplayDebugger};
  static_assert(std::size(arguments) == control::kPrintLabelsParameters.size());
  return print(arguments, result, &control::PrintEntryPoints::PrintLabels);
}

HRESULT ZuzuravuDazezaObject::PrintGENERICLabels(VARIANT* PrinterName, VARIANT* LabelCopies, VARIANT* Line1,
                                                 VARIANT* Line2, VARIANT* Line3, VARIANT* Line4, VARIANT* Line5,
                                                 VARIANT* DisplayProperties, VARIANT* DisplayDebugger,
                                                 VARIANT* result) {
  VARIANT* const arguments[] = {PrinterName, LabelCopies, Line1, Line2, Line3, Line4, Line5,
                                DisplayProperties, DisplayDebugger};
  static_assert(std::size(arguments) == control::kPrintGenericLabelsParameters.size());
  return print(arguments, result, &control::PrintEntryPoints::PrintGENERICLabels);
}

HRESULT ZuzuravuDazezaObject::CloseConnection(VARIANT* result) {
  if (result == nullptr) return E_POINTER;
  VariantInit(result);
  try {
    const auto self = ComPtr<_ZuzuravuDazeza>::share(this);
    ControlModule::instance().component().entryPoints().CloseConnection();
    return S_OK;
  } catch (...) {
    return raise(E_OUTOFMEMORY, L"Out of memory");
  }
}

HRESULT ZuzuravuDazezaObject::GetControlVersion(short* result) {
  if (result == nullptr) return E_POINTER;
  *result = control::PrintEntryPoints::GetControlVersion();
  return S_OK;
}

// ---- IOleObject

HRESULT ZuzuravuDazezaObject::SetClientSite(IOleClientSite* site) {
  site_ = ComPtr<IOleClientSite>::share(site);
  return S_OK;
}

HRESULT ZuzuravuDazezaObject::GetClientSite(IOleClientSite** site) { return hand(site_.get(), site); }

HRESULT ZuzuravuDazezaObject::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

HRESULT ZuzuravuDazezaObject::Close(DWORD) {
  InPlaceDeactivate();
  if (oleAdvise_) oleAdvise_->SendOnClose();
  return S_OK;
}

HRESULT ZuzuravuDazezaObject::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }

HRESULT ZuzuravuDazezaObject::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker == nullptr) return E_POINTER;
  *moniker = nullptr;
  return E_NOTIMPL;
}

HRESULT ZuzuravuDazezaObject::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }

HRESULT ZuzuravuDazezaObject::GetClipboardData(DWORD, IDataObject** data) {
  if (data == nullptr) return E_POINTER;
  *data = nullptr;
  return E_NOTIMPL;
}

HRESULT ZuzuravuDazezaObject::DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND parent,
                                     LPCRECT position) {
  switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
      return activate(false, activeSite, parent, position);
    case OLEIVERB_UIACTIVATE:
      return activate(true, activeSite, parent, position);
    case OLEIVERB_HIDE:
      if (window_) ShowWindow(window_, SW_HIDE);
      return S_OK;
    case OLEIVERB_DISCARDUNDOSTATE:
      return S_OK;
    default:
      if (verb < 0) return E_NOTIMPL;
      // An unknown positive verb runs the primary one.
      const HRESULT hr = activate(false, activeSite, parent, position);
      return FAILED(hr) ? hr : OLEOBJ_S_INVALIDVERB;
  }
}

HRESULT ZuzuravuDazezaObject::EnumVerbs(IEnumOLEVERB** verbs) {
  if (verbs == nullptr) return E_POINTER;
  *verbs = nullptr;
  return OLEOBJ_E_NOVERBS;
}

HRESULT ZuzuravuDazezaObject::Update() { return S_OK; }
HRESULT ZuzuravuDazezaObject::IsUpToDate() { return S_OK; }

HRESULT ZuzuravuDazezaObject::GetUserClassID(CLSID* clsid) { return GetClassID(clsid); }

HRESULT ZuzuravuDazezaObject::GetUserType(DWORD, LPOLESTR* userType) {
  if (userType == nullptr) return E_POINTER;
  *userType = nullptr;
  return OLE_S_USEREG;
}

HRESULT ZuzuravuDazezaObject::SetExtent(DWORD aspect, SIZEL* size) {
  if (size == nullptr) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  extent_ = *size;
  return S_OK;
}

HRESULT ZuzuravuDazezaObject::GetExtent(DWORD aspect, SIZEL* size) {
  if (size == nullptr) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  *size = extent_;
  return S_OK;
}

HRESULT ZuzuravuDazezaObject::Advise(IAdviseSink* sink, DWORD* connection) {
  if (sink == nullptr || connection == nullptr) return E_POINTER;
  if (!oleAdvise_) {
    const HRESULT hr = CreateOleAdviseHolder(oleAdvise_.put());
    if (FAILED(hr)) return hr;
  }
  return oleAdvise_->Advise(sink, connection);
}

HRESULT ZuzuravuDazezaObject::Unadvise(DWORD connection) {
  if (!oleAdvise_) return OLE_E_NOCONNECTION;
  return oleAdvise_->Unadvise(connection);
}

HRESULT ZuzuravuDazezaObject::EnumAdvise(IEnumSTATDATA** advises) {
  if (advises == nullptr) return E_POINTER;
  *advises = nullptr;
  if (!oleAdvise_) return S_OK;  // no connections: no enumerator
  return oleAdvise_->EnumAdvise(advises);
}

HRESULT ZuzuravuDazezaObject::GetMiscStatus(DWORD, DWORD* status) {
  if (status == nullptr) return E_POINTER;
  *status = kMiscStatus;
  return S_OK;
}

HRESULT ZuzuravuDazezaObject::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

// ---- In-place activation

HRESULT ZuzuravuDazezaObject::activate(bool uiActivate, IOleClientSite* activeSite, HWND parent, LPCRECT position) {
  const ComPtr<IOleClientSite> site = activeSite ? ComPtr<IOleClientSite>::share(activeSite) : site_;
  if (!site) return E_UNEXPECTED;
  if (!inPlaceActive_) {
    const auto inPlace = site.as<IOleInPlaceSite>();
    if (!inPlace) return OLEOBJ_S_CANNOT_DOVERB_NOW;  // no out-of-place editing to fall back to
    if (inPlace->CanInPlaceActivate() != S_OK) return E_FAIL;
    inPlace->OnInPlaceActivate();
    inPlaceSite_ = inPlace;
    inPlaceActive_ = true;
  }

  HWND host = nullptr;
  if (FAILED(inPlaceSite_->GetWindow(&host)) || host == nullptr) host = parent;
  RECT placed{};
  RECT clip{};
  OLEINPLACEFRAMEINFO frameInfo{};
  frameInfo.cb = sizeof frameInfo;
  frame_.reset();
  document_.reset();
  if (FAILED(inPlaceSite_->GetWindowContext(frame_.put(), document_.put(), &placed, &clip, &frameInfo))) {
    if (position == nullptr) return E_FAIL;
    placed = *position;
  }
  if (window_ == nullptr && (host == nullptr || !createWindow(host, placed))) {
    InPlaceDeactivate();
    return E_FAIL;
  }
  ShowWindow(window_, SW_SHOWNA);

  if (uiActivate && !uiActive_) {
    uiActive_ = true;
    inPlaceSite_->OnUIActivate();
    if (frame_) frame_->SetActiveObject(this, const_cast<LPOLESTR>(kProgId));
    if (document_) document_->SetActiveObject(this, const_cast<LPOLESTR>(kProgId));
  }
  site->ShowObject();
  return S_OK;
}

bool ZuzuravuDazezaObject::createWindow(HWND parent, const RECT& position) {
  const WindowClass windowClass{kControlWindowClassName, &ZuzuravuDazezaObject::windowProcedure,
                                CS_HREDRAW | CS_VREDRAW};
  if (registerWindowClass(windowClass) == ClassRegistration::Failed) return false;
  window_ = CreateWindowExW(0, kControlWindowClassName, L"", WS_CHILD | WS_CLIPSIBLINGS, position.left, position.top,
                            position.right - position.left, position.bottom - position.top, parent, nullptr,
                            static_cast<HINSTANCE>(ComModule::instance().handle()), this);
  return window_ != nullptr;
}

void ZuzuravuDazezaObject::drawFrame(HDC dc, const RECT& bounds) const {
  FillRect(dc, &bounds, GetSysColorBrush(COLOR_BTNFACE));
  FrameRect(dc, &bounds, GetSysColorBrush(COLOR_BTNSHADOW));
}

LRESULT CALLBACK ZuzuravuDazezaObject::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  const auto* control = reinterpret_cast<const ZuzuravuDazezaObject*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  if (control != nullptr && message == WM_PAINT) {
    PAINTSTRUCT paint;
    if (const HDC dc = BeginPaint(window, &paint)) {
      RECT client{};
      GetClientRect(window, &client);
      control->drawFrame(dc, client);
      EndPaint(window, &paint);
    }
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HRESULT ZuzuravuDazezaObject::GetWindow(HWND* window) {
  if (window == nullptr) return E_POINTER;
  *window = window_;
  return window_ ? S_OK : E_FAIL;
}

HRESULT ZuzuravuDazezaObject::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

HRESULT ZuzuravuDazezaObject::InPlaceDeactivate() {
  if (!inPlaceActive_) return S_OK;
  UIDeactivate();
  inPlaceActive_ = false;
  if (window_) DestroyWindow(std::exchange(window_, nullptr));
  const ComPtr<IOleInPlaceSite> site = std::move(inPlaceSite_);
  frame_.reset();
  document_.reset();
  if (site) site->OnInPlaceDeactivate();
  return S_OK;
}

HRESULT ZuzuravuDazezaObject::UIDeactivate() {
  if (!uiActive_) return S_OK;
  uiActive_ = false;
  if (frame_) frame_->SetActiveObject(nullptr, nullptr);
  if (document_) document_->SetActiveObject(nullptr, nullptr);
  if (inPlaceSite_) inPlaceSite_->OnUIDeactivate(FALSE);
  return S_OK;
}

HRESULT ZuzuravuDazezaObject::SetObjectRects(LPCRECT position, LPCRECT) {
  if (position == nullptr) return E_POINTER;
  if (window_)
    SetWindowPos(window_, nullptr, position->left, position->top, position->right - position->left,
                 position->bottom - position->top, SWP_NOZORDER | SWP_NOACTIVATE);
  return S_OK;
}

HRESULT ZuzuravuDazezaObject::ReactivateAndUndo() { return INPLACE_E_NOTUNDOABLE; }

HRESULT ZuzuravuDazezaObject::TranslateAccelerator(LPMSG) { return S_FALSE; }
HRESULT ZuzuravuDazezaObject::OnFrameWindowActivate(BOOL) { return S_OK; }
HRESULT ZuzuravuDazezaObject::OnDocWindowActivate(BOOL) { return S_OK; }
HRESULT ZuzuravuDazezaObject::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }
HRESULT ZuzuravuDazezaObject::EnableModeless(BOOL) { return S_OK; }

// ---- IViewObject2

HRESULT ZuzuravuDazezaObject::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC drawDc, LPCRECTL bounds,
                                   LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (drawDc == nullptr || bounds == nullptr) return E_INVALIDARG;
  const RECT area{bounds->left, bounds->top, bounds->right, bounds->bottom};
  drawFrame(drawDc, area);
  return S_OK;
}

HRESULT ZuzuravuDazezaObject::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colours) {
  if (colours == nullptr) return E_POINTER;
  *colours = nullptr;
  return S_FALSE;  // no particular colours
}

HRESULT ZuzuravuDazezaObject::Freeze(DWORD, LONG, void*, DWORD* freeze) {
  if (freeze == nullptr) return E_POINTER;
  *freeze = 0;
  return E_NOTIMPL;
}

HRESULT ZuzuravuDazezaObject::Unfreeze(DWORD) { return E_NOTIMPL; }

HRESULT ZuzuravuDazezaObject::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
  viewAspects_ = aspects;
  viewAdviseFlags_ = flags;
  viewSink_ = ComPtr<IAdviseSink>::share(sink);
  return S_OK;
}

HRESULT ZuzuravuDazezaObject::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects) *aspects = viewAspects_;
  if (flags) *flags = viewAdviseFlags_;
  if (sink) return hand(viewSink_.get(), sink);
  return S_OK;
}

HRESULT ZuzuravuDazezaObject::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

// ---- IOleControl

HRESULT ZuzuravuDazezaObject::GetControlInfo(CONTROLINFO* info) {
  if (info == nullptr) return E_POINTER;
  info->hAccel = nullptr;  // no mnemonics
  info->cAccel = 0;
  info->dwFlags = 0;
  return S_OK;
}

HRESULT ZuzuravuDazezaObject::OnMnemonic(MSG*) { return E_NOTIMPL; }
HRESULT ZuzuravuDazezaObject::OnAmbientPropertyChange(DISPID) { return S_OK; }
HRESULT ZuzuravuDazezaObject::FreezeEvents(BOOL) { return S_OK; }

// ---- Persistence: the control saves and loads nothing.

HRESULT ZuzuravuDazezaObject::GetClassID(CLSID* clsid) {
  if (clsid == nullptr) return E_POINTER;
  *clsid = CLSID_ZuzuravuDazeza;
  return S_OK;
}

HRESULT ZuzuravuDazezaObject::IsDirty() { return S_FALSE; }
HRESULT ZuzuravuDazezaObject::Load(LPSTREAM stream) { return stream ? S_OK : E_POINTER; }
HRESULT ZuzuravuDazezaObject::Save(LPSTREAM stream, BOOL) { return stream ? S_OK : E_POINTER; }

HRESULT ZuzuravuDazezaObject::GetSizeMax(ULARGE_INTEGER* size) {
  if (size == nullptr) return E_POINTER;
  size->QuadPart = 0;
  return S_OK;
}

HRESULT ZuzuravuDazezaObject::InitNew() { return S_OK; }
HRESULT ZuzuravuDazezaObject::Load(IPropertyBag* bag, IErrorLog*) { return bag ? S_OK : E_POINTER; }
HRESULT ZuzuravuDazezaObject::Save(IPropertyBag* bag, BOOL, BOOL) { return bag ? S_OK : E_POINTER; }

// ---- IProvideClassInfo2, ISupportErrorInfo

HRESULT ZuzuravuDazezaObject::GetClassInfo(ITypeInfo** typeInfo) {
  if (typeInfo == nullptr) return E_POINTER;
  *typeInfo = nullptr;
  ComPtr<ITypeInfo> info;
  const HRESULT hr = ControlModule::instance().typeInfo(CLSID_ZuzuravuDazeza, info);
  if (FAILED(hr)) return hr;
  *typeInfo = info.detach();
  return S_OK;
}

HRESULT ZuzuravuDazezaObject::GetGUID(DWORD kind, GUID* guid) {
  if (guid == nullptr) return E_POINTER;
  *guid = GUID_NULL;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
  return E_FAIL;  // the control fires no events
}

HRESULT ZuzuravuDazezaObject::InterfaceSupportsErrorInfo(REFIID iid) {
  return iid == IID__ZuzuravuDazeza || iid == IID_IDispatch ? S_OK : S_FALSE;
}

}  // namespace windows
