// Watches the windows a script's control calls open, in another process: for each print
// window it reports what it shows and where, then clicks its Close link (so prints need
// not wait out the timer); for each message box, its title and text, then presses OK.
// Runs until stopped. Prints "READY" first, then one line per window:
//   WINDOW caption=... barcode=... link=... left=... top=... width=... height=... screen=WxH
//   MESSAGE title=... text=...
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr wchar_t kPrintWindowClass[] = L"VantoryActiveX.frmGUI";
constexpr wchar_t kDialogClass[] = L"#32770";
constexpr int kLblBarCodeId = 1002;
constexpr int kCmdExitId = 1003;

std::string narrow(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

std::wstring textOf(HWND window) {
  wchar_t buffer[1024] = {};
  GetWindowTextW(window, buffer, 1024);
  return buffer;
}

void waitUntilGone(HWND window);

void reportPrintWindow(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  std::printf("WINDOW caption=%s barcode=%s link=%s left=%ld top=%ld width=%ld height=%ld screen=%dx%d\n",
              narrow(textOf(window)).c_str(), narrow(textOf(GetDlgItem(window, kLblBarCodeId))).c_str(),
              narrow(textOf(GetDlgItem(window, kCmdExitId))).c_str(), rect.left, rect.top, rect.right - rect.left,
              rect.bottom - rect.top, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  std::fflush(stdout);
  const HWND link = GetDlgItem(window, kCmdExitId);
  PostMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  PostMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  waitUntilGone(window);
}

BOOL CALLBACK longestStaticText(HWND child, LPARAM found) {
  wchar_t name[32] = {};
  GetClassNameW(child, name, 32);
  auto& text = *reinterpret_cast<std::wstring*>(found);
  if (_wcsicmp(name, L"Static") == 0) {
    const std::wstring candidate = textOf(child);
    if (candidate.size() > text.size()) text = candidate;
  }
  return TRUE;
}

void reportMessageBox(HWND dialog) {
  std::wstring text;
  EnumChildWindows(dialog, &longestStaticText, reinterpret_cast<LPARAM>(&text));
  std::printf("MESSAGE title=%s text=%s\n", narrow(textOf(dialog)).c_str(), narrow(text).c_str());
  std::fflush(stdout);
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  while (IsWindow(dialog)) Sleep(10);
}

// The print window may show message boxes before the click reaches it (a failing print
// reports from its load step): answer them while waiting, or both sides would wait forever.
void waitUntilGone(HWND window) {
  while (IsWindow(window)) {
    if (const HWND dialog = FindWindowW(kDialogClass, nullptr); dialog && IsWindowVisible(dialog))
      reportMessageBox(dialog);
    else
      Sleep(10);
  }
}

}  // namespace

int main() {
  std::printf("READY\n");
  std::fflush(stdout);
  for (;;) {
    if (const HWND window = FindWindowW(kPrintWindowClass, nullptr); window && IsWindowVisible(window))
      reportPrintWindow(window);
    else if (const HWND dialog = FindWindowW(kDialogClass, nullptr); dialog && IsWindowVisible(dialog))
      reportMessageBox(dialog);
    else
      Sleep(10);
  }
}
