#include "platform/windows/ole_embedding.h"

#include <olectl.h>

#include <utility>

#include "platform/windows/com_object.h"
#include "platform/windows/window.h"

namespace windows {

namespace {

// A control without a size from its container: 32 x 32 pixels at 96 dpi, in HIMETRIC.
constexpr SIZEL kDefaultExtent{847, 847};

constexpr DWORD kMiscStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT |
                              OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST;

}  // namespace

// The control's window in its container: a child window that draws the frame.
class OleEmbedding::ContainerWindow : public Win32Window {
 public:
  explicit ContainerWindow(const OleEmbedding& control) : control_(control) {}
  ~ContainerWindow() override {
    if (const HWND window = releaseWindow()) DestroyWindow(window);
  }

  bool open(const wchar_t* className, HWND parent, const RECT& position) {
    if (registerWindowClass(windowClass(className, CS_HREDRAW | CS_VREDRAW)) == ClassRegistration::Failed) return false;
    return create(0, className, L"", WS_CHILD | WS_CLIPSIBLINGS, position.left, position.top,
                  position.right - position.left, position.bottom - position.top, parent);
  }

 private:
  LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message != WM_PAINT) return DefWindowProcW(window, message, wParam, lParam);
    PAINTSTRUCT paint;
    if (const HDC dc = BeginPaint(window, &paint)) {
      RECT client{};
      GetClientRect(window, &client);
      control_.drawFrame(dc, client);
      EndPaint(window, &paint);
    }
    return 0;
  }

  const OleEmbedding& control_;
};

OleEmbedding::OleEmbedding(const CLSID& clsid, const wchar_t* name)
    : clsid_(clsid), name_(name), extent_(kDefaultExtent) {}

OleEmbedding::~OleEmbedding() = default;

void* OleEmbedding::embeddingInterface(REFIID iid) noexcept {
  if (iid == IID_IOleObject) return static_cast<IOleObject*>(this);
  if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject) return static_cast<IOleInPlaceObject*>(this);
  if (iid == IID_IOleInPlaceActiveObject) return static_cast<IOleInPlaceActiveObject*>(this);
  if (iid == IID_IViewObject || iid == IID_IViewObject2) return static_cast<IViewObject2*>(this);
  if (iid == IID_IOleControl) return static_cast<IOleControl*>(this);
  if (iid == IID_IPersist || iid == IID_IPersistStreamInit) return static_cast<IPersistStreamInit*>(this);
  if (iid == IID_IPersistPropertyBag) return static_cast<IPersistPropertyBag*>(this);
  return nullptr;
}

// ---- IOleObject

HRESULT OleEmbedding::SetClientSite(IOleClientSite* site) {
  site_ = ComPtr<IOleClientSite>::share(site);
  return S_OK;
}

HRESULT OleEmbedding::GetClientSite(IOleClientSite** site) { return hand(site_.get(), site); }

HRESULT OleEmbedding::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

HRESULT OleEmbedding::Close(DWORD) {
  InPlaceDeactivate();
  if (oleAdvise_) oleAdvise_->SendOnClose();
  return S_OK;
}

HRESULT OleEmbedding::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }

HRESULT OleEmbedding::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker == nullptr) return E_POINTER;
  *moniker = nullptr;
  return E_NOTIMPL;
}

HRESULT OleEmbedding::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }

HRESULT OleEmbedding::GetClipboardData(DWORD, IDataObject** data) {
  if (data == nullptr) return E_POINTER;
  *data = nullptr;
  return E_NOTIMPL;
}

HRESULT OleEmbedding::DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND parent,
                                     LPCRECT position) {
  switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
      return activate(false, activeSite, parent, position);
    case OLEIVERB_UIACTIVATE:
      return activate(true, activeSite, parent, position);
    case OLEIVERB_HIDE:
      if (window_) ShowWindow(window_->window(), SW_HIDE);
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

HRESULT OleEmbedding::EnumVerbs(IEnumOLEVERB** verbs) {
  if (verbs == nullptr) return E_POINTER;
  *verbs = nullptr;
  return OLEOBJ_E_NOVERBS;
}

HRESULT OleEmbedding::Update() { return S_OK; }
HRESULT OleEmbedding::IsUpToDate() { return S_OK; }

HRESULT OleEmbedding::GetUserClassID(CLSID* clsid) { return GetClassID(clsid); }

HRESULT OleEmbedding::GetUserType(DWORD, LPOLESTR* userType) {
  if (userType == nullptr) return E_POINTER;
  *userType = nullptr;
  return OLE_S_USEREG;
}

HRESULT OleEmbedding::SetExtent(DWORD aspect, SIZEL* size) {
  if (size == nullptr) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  extent_ = *size;
  return S_OK;
}

HRESULT OleEmbedding::GetExtent(DWORD aspect, SIZEL* size) {
  if (size == nullptr) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  *size = extent_;
  return S_OK;
}

HRESULT OleEmbedding::Advise(IAdviseSink* sink, DWORD* connection) {
  if (sink == nullptr || connection == nullptr) return E_POINTER;
  if (!oleAdvise_) {
    const HRESULT hr = CreateOleAdviseHolder(oleAdvise_.put());
    if (FAILED(hr)) return hr;
  }
  return oleAdvise_->Advise(sink, connection);
}

HRESULT OleEmbedding::Unadvise(DWORD connection) {
  if (!oleAdvise_) return OLE_E_NOCONNECTION;
  return oleAdvise_->Unadvise(connection);
}

HRESULT OleEmbedding::EnumAdvise(IEnumSTATDATA** advises) {
  if (advises == nullptr) return E_POINTER;
  *advises = nullptr;
  if (!oleAdvise_) return S_OK;  // no connections: no enumerator
  return oleAdvise_->EnumAdvise(advises);
}

HRESULT OleEmbedding::GetMiscStatus(DWORD, DWORD* status) {
  if (status == nullptr) return E_POINTER;
  *status = kMiscStatus;
  return S_OK;
}

HRESULT OleEmbedding::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

// ---- In-place activation

HRESULT OleEmbedding::activate(bool uiActivate, IOleClientSite* activeSite, HWND parent, LPCRECT position) {
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
  ShowWindow(window_->window(), SW_SHOWNA);

  if (uiActivate && !uiActive_) {
    uiActive_ = true;
    inPlaceSite_->OnUIActivate();
    if (frame_) frame_->SetActiveObject(this, const_cast<LPOLESTR>(name_));
    if (document_) document_->SetActiveObject(this, const_cast<LPOLESTR>(name_));
  }
  site->ShowObject();
  return S_OK;
}

bool OleEmbedding::createWindow(HWND parent, const RECT& position) {
  auto window = std::make_unique<ContainerWindow>(*this);
  if (!window->open(name_, parent, position)) return false;
  window_ = std::move(window);
  return true;
}

void OleEmbedding::drawFrame(HDC dc, const RECT& bounds) const {
  FillRect(dc, &bounds, GetSysColorBrush(COLOR_BTNFACE));
  FrameRect(dc, &bounds, GetSysColorBrush(COLOR_BTNSHADOW));
}

HRESULT OleEmbedding::GetWindow(HWND* window) {
  if (window == nullptr) return E_POINTER;
  *window = window_ ? window_->window() : nullptr;
  return *window ? S_OK : E_FAIL;
}

HRESULT OleEmbedding::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

HRESULT OleEmbedding::InPlaceDeactivate() {
  if (!inPlaceActive_) return S_OK;
  UIDeactivate();
  inPlaceActive_ = false;
  window_.reset();
  const ComPtr<IOleInPlaceSite> site = std::move(inPlaceSite_);
  frame_.reset();
  document_.reset();
  if (site) site->OnInPlaceDeactivate();
  return S_OK;
}

HRESULT OleEmbedding::UIDeactivate() {
  if (!uiActive_) return S_OK;
  uiActive_ = false;
  if (frame_) frame_->SetActiveObject(nullptr, nullptr);
  if (document_) document_->SetActiveObject(nullptr, nullptr);
  if (inPlaceSite_) inPlaceSite_->OnUIDeactivate(FALSE);
  return S_OK;
}

HRESULT OleEmbedding::SetObjectRects(LPCRECT position, LPCRECT) {
  if (position == nullptr) return E_POINTER;
  if (window_)
    SetWindowPos(window_->window(), nullptr, position->left, position->top, position->right - position->left,
                 position->bottom - position->top, SWP_NOZORDER | SWP_NOACTIVATE);
  return S_OK;
}

HRESULT OleEmbedding::ReactivateAndUndo() { return INPLACE_E_NOTUNDOABLE; }

HRESULT OleEmbedding::TranslateAccelerator(LPMSG) { return S_FALSE; }
HRESULT OleEmbedding::OnFrameWindowActivate(BOOL) { return S_OK; }
HRESULT OleEmbedding::OnDocWindowActivate(BOOL) { return S_OK; }
HRESULT OleEmbedding::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }
HRESULT OleEmbedding::EnableModeless(BOOL) { return S_OK; }

// ---- IViewObject2

HRESULT OleEmbedding::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC drawDc, LPCRECTL bounds,
                                   LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (drawDc == nullptr || bounds == nullptr) return E_INVALIDARG;
  const RECT area{bounds->left, bounds->top, bounds->right, bounds->bottom};
  drawFrame(drawDc, area);
  return S_OK;
}

HRESULT OleEmbedding::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colours) {
  if (colours == nullptr) return E_POINTER;
  *colours = nullptr;
  return S_FALSE;  // no particular colours
}

HRESULT OleEmbedding::Freeze(DWORD, LONG, void*, DWORD* freeze) {
  if (freeze == nullptr) return E_POINTER;
  *freeze = 0;
  return E_NOTIMPL;
}

HRESULT OleEmbedding::Unfreeze(DWORD) { return E_NOTIMPL; }

HRESULT OleEmbedding::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
  viewAspects_ = aspects;
  viewAdviseFlags_ = flags;
  viewSink_ = ComPtr<IAdviseSink>::share(sink);
  return S_OK;
}

HRESULT OleEmbedding::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects) *aspects = viewAspects_;
  if (flags) *flags = viewAdviseFlags_;
  if (sink) return hand(viewSink_.get(), sink);
  return S_OK;
}

HRESULT OleEmbedding::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

// ---- IOleControl

HRESULT OleEmbedding::GetControlInfo(CONTROLINFO* info) {
  if (info == nullptr) return E_POINTER;
  info->hAccel = nullptr;  // no mnemonics
  info->cAccel = 0;
  info->dwFlags = 0;
  return S_OK;
}

HRESULT OleEmbedding::OnMnemonic(MSG*) { return E_NOTIMPL; }
HRESULT OleEmbedding::OnAmbientPropertyChange(DISPID) { return S_OK; }
HRESULT OleEmbedding::FreezeEvents(BOOL) { return S_OK; }

// ---- Persistence: the control saves and loads nothing.

HRESULT OleEmbedding::GetClassID(CLSID* clsid) {
  if (clsid == nullptr) return E_POINTER;
  *clsid = clsid_;
  return S_OK;
}

HRESULT OleEmbedding::IsDirty() { return S_FALSE; }
HRESULT OleEmbedding::Load(LPSTREAM stream) { return stream ? S_OK : E_POINTER; }
HRESULT OleEmbedding::Save(LPSTREAM stream, BOOL) { return stream ? S_OK : E_POINTER; }

HRESULT OleEmbedding::GetSizeMax(ULARGE_INTEGER* size) {
  if (size == nullptr) return E_POINTER;
  size->QuadPart = 0;
  return S_OK;
}

HRESULT OleEmbedding::InitNew() { return S_OK; }
HRESULT OleEmbedding::Load(IPropertyBag* bag, IErrorLog*) { return bag ? S_OK : E_POINTER; }
HRESULT OleEmbedding::Save(IPropertyBag* bag, BOOL, BOOL) { return bag ? S_OK : E_POINTER; }

}  // namespace windows
