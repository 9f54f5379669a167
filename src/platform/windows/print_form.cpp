#include "platform/windows/print_form.h"

#include <cstring>
#include <optional>
#include <string_view>
#include <utility>

#include "hosting/object_safety.h"
#include "platform/windows/bstr.h"
#include "platform/windows/com_module.h"
#include "platform/windows/resource.h"

namespace windows {

PrintForm::~PrintForm() { unload(); }

HRESULT PrintForm::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (iid != IID_IUnknown && iid != kIID_IObjectSafety) return E_NOINTERFACE;
  *object = static_cast<ObjectSafetyInterface*>(this);
  AddRef();
  return S_OK;
}

namespace {

// The identifier's text exactly as StringFromGUID2 gives it, up to its first NUL; none for a null riid.
std::optional<std::u16string> identifierText(const IID* riid) {
  if (riid == nullptr) return std::nullopt;
  GUID record;
  std::memcpy(&record, riid, sizeof record);
  wchar_t buffer[40] = {};
  StringFromGUID2(record, buffer, 40);
  return toU16(std::wstring_view(buffer));
}

std::optional<std::u16string_view> view(const std::optional<std::u16string>& text) {
  if (!text) return std::nullopt;
  return std::u16string_view(*text);
}

}  // namespace

HRESULT PrintForm::GetInterfaceSafetyOptions(const IID* riid, DWORD* pdwSupportedOptions, DWORD* pdwEnabledOptions) {
  if (pdwSupportedOptions == nullptr) return E_POINTER;
  try {
    const auto text = identifierText(riid);
    const auto answer = hosting::GetInterfaceSafetyOptions(view(text));
    *pdwSupportedOptions = answer.supported;
    if (answer.enabled) {
      if (pdwEnabledOptions == nullptr) return E_POINTER;
      *pdwEnabledOptions = *answer.enabled;
    }
    return answer.result;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT PrintForm::SetInterfaceSafetyOptions(const IID* riid, DWORD dwOptionsSetMask, DWORD dwEnabledOptions) {
  try {
    const auto text = identifierText(riid);
    return hosting::SetInterfaceSafetyOptions(view(text), dwOptionsSetMask, dwEnabledOptions);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

void PrintForm::unload() {
  if (const HWND window = releaseWindow()) {
    KillTimer(window, kTimDelayId);
    DestroyWindow(window);
  }
}

void PrintForm::setBarCodeCaption(const std::u16string& caption) {
  const std::wstring text = toWide(caption);
  SetWindowTextW(GetDlgItem(requireWindow(), kLblBarCodeId), text.c_str());
}

void PrintForm::timerChanged() {
  if (!loaded()) return;
  if (timerRunning())  // SetTimer restarts the count, as a new interval does
    SetTimer(window(), kTimDelayId, static_cast<UINT>(timerInterval()), nullptr);
  else
    KillTimer(window(), kTimDelayId);
}

bool PrintForm::load() {
  if (loaded()) return true;
  if (registerWindowClass(formClass(kPrintFormClassName, IDI_FORM)) == ClassRegistration::Failed) return false;
  resetTimer();  // a reload starts from the design values
  if (!createWindow(kPrintFormClassName, kPrintFormCaption, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, 0,
                    kClientWidthTwips, kClientHeightTwips))
    return false;
  createControls();
  return true;
}

void PrintForm::createControls() {
  if (!barCodeFont_) barCodeFont_ = designFont(L"Arial");
  if (!linkFont_) linkFont_ = designFont(L"MS Sans Serif", true);
  if (!picture_)
    picture_.reset(static_cast<HBITMAP>(LoadImageW(static_cast<HINSTANCE>(ComModule::instance().handle()),
                                                   MAKEINTRESOURCEW(IDB_PICTURE1), IMAGE_BITMAP, 0, 0,
                                                   LR_CREATEDIBSECTION)));

  const auto child = [&](const wchar_t* text, DWORD style, const TwipsRect& at, int id, HFONT font) {
    createChild(L"STATIC", text, WS_CHILD | WS_VISIBLE | style, 0, at, id, font);
  };
  child(L"", SS_OWNERDRAW, kPicture1Rect, kPicture1Id, nullptr);
  child(L"999384334", SS_CENTER | SS_NOPREFIX, kLblBarCodeRect, kLblBarCodeId, barCodeFont_.get());
  child(L"Close", SS_CENTER | SS_NOTIFY | SS_NOPREFIX, kCmdExitRect, kCmdExitId, linkFont_.get());
}

void PrintForm::drawPicture(const DRAWITEMSTRUCT& item) const {
  if (!picture_) return;
  BITMAP info{};
  GetObjectW(picture_.get(), sizeof info, &info);
  const MemoryDc source(CreateCompatibleDC(item.hDC));
  if (!source) return;
  const Selection selected(source.get(), picture_.get());
  SetStretchBltMode(item.hDC, COLORONCOLOR);
  StretchBlt(item.hDC, item.rcItem.left, item.rcItem.top, item.rcItem.right - item.rcItem.left,
             item.rcItem.bottom - item.rcItem.top, source.get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
}

LRESULT PrintForm::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CTLCOLORSTATIC: {
      const auto dc = reinterpret_cast<HDC>(wParam);
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      SetTextColor(dc, reinterpret_cast<HWND>(lParam) == GetDlgItem(window, kCmdExitId) ? kLinkColour
                                                                                        : GetSysColor(COLOR_BTNTEXT));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_DRAWITEM:
      if (wParam == kPicture1Id) {
        drawPicture(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
      }
      break;
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wParam) == GetDlgItem(window, kCmdExitId)) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    case WM_COMMAND:
      if (LOWORD(wParam) == kCmdExitId && HIWORD(wParam) == STN_CLICKED) {
        if (onCloseClicked) onCloseClicked();
        return 0;
      }
      break;
    case WM_TIMER:
      if (wParam == kTimDelayId) {
        if (onTimer) onTimer();
        return 0;
      }
      break;
    case WM_CLOSE:  // the caption's close box unloads, as the form has no unload handler of its own
      unload();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace windows
