#pragma once
// frmGUI as a Win32 window: the print window's view for the portable behaviour
// (printing::PrintWindow), and the COM object behind it, which answers IObjectSafety.
//
// The window is created hidden by load(), so that Form_Load runs before it is ever
// visible; runModal() shows it and dispatches messages until it unloads. Geometry is in
// twips at the screen's DPI (Win32Form).

#include <windows.h>

#include <functional>
#include <string>

#include "platform/windows/com_object.h"
#include "platform/windows/gdi.h"
#include "platform/windows/object_safety_interface.h"
#include "platform/windows/win32_form.h"
#include "printing/print_window.h"

namespace windows {

// Child control identifiers (GetDlgItem), in the design's order.
inline constexpr int kPicture1Id = 1001;
inline constexpr int kLblBarCodeId = 1002;
inline constexpr int kCmdExitId = 1003;
inline constexpr UINT_PTR kTimDelayId = 1;

inline constexpr wchar_t kPrintFormClassName[] = L"VantoryActiveX.frmGUI";
inline constexpr wchar_t kPrintFormCaption[] = L"Vantory ActiveX";

// Design sizes in twips: the client area and the controls.
inline constexpr int kClientWidthTwips = 3165;
inline constexpr int kClientHeightTwips = 825;
inline constexpr TwipsRect kPicture1Rect{720, 120, 1500, 450};
inline constexpr TwipsRect kLblBarCodeRect{240, 600, 2415, 255};
inline constexpr TwipsRect kCmdExitRect{2400, 600, 735, 255};
inline constexpr COLORREF kLinkColour = RGB(0, 0, 255);

// Owned by the component for the life of the process, so it does not hold the DLL.
class PrintForm final : public ObjectSafetyInterface,
                        public Win32Form,
                        public printing::PrintWindowView,
                        public RefCounted<PrintForm, NoModuleLock> {
 public:
  PrintForm() = default;
  ~PrintForm();

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return addRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return release(); }
  // IObjectSafety
  HRESULT STDMETHODCALLTYPE GetInterfaceSafetyOptions(const IID* riid, DWORD* pdwSupportedOptions,
                                                      DWORD* pdwEnabledOptions) override;
  HRESULT STDMETHODCALLTYPE SetInterfaceSafetyOptions(const IID* riid, DWORD dwOptionsSetMask,
                                                      DWORD dwEnabledOptions) override;

  // forms::FormWindow (the geometry is Win32Form's)
  void unload() override;

  // printing::PrintWindowView
  void setBarCodeCaption(const std::u16string& caption) override;

  // Creates the window and its controls with their design values, hidden. Loading a loaded
  // window does nothing. False when the window cannot be created.
  bool load();
  // Shows the window, modal to the thread's other windows, until it unloads.
  void runModal() { runModalLoop(); }

  // The window's events; the owner routes them to the print window's behaviour.
  std::function<void()> onTimer;
  std::function<void()> onCloseClicked;

 private:
  LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void createControls();
  void drawPicture(const DRAWITEMSTRUCT& item) const;
  void timerChanged() override;

  GdiObject<HFONT> barCodeFont_;
  GdiObject<HFONT> linkFont_;
  GdiObject<HBITMAP> picture_;
};

}  // namespace windows
