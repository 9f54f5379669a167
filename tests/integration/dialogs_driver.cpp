// Plays the user of the settings dialogs and the print window from outside the process
// that shows them, as a list of steps given on the command line, and checks what it sees.
// Prints "READY" first, one line per step, "FAIL: ..." for each check that does not hold,
// and last "DRIVER: PASS" or "DRIVER: FAIL (n)". After the last step it closes any window
// that still opens, as a failure, until the script has ended.
//
//   dialogs_driver ARTIFACT_FOLDER SCRIPT_ENDED STEP...
//
// Steps (a window step waits for its window, a check for its condition; either gives up
// once the file SCRIPT_ENDED exists, as the script's windows are gone with it, or after a
// minute, so that a broken dialog fails instead of hanging; the steps after it are skipped):
//   dialog:FORM            the next settings dialog, FORM its name (frmPropertyPage...): its
//                          caption, centred, the focus on "&Ok" at the start
//   expect:CONTROL=TEXT    the control's text;  shown:CONTROL, hidden:CONTROL
//   focus:CONTROL          the control has the keyboard focus
//   set:CONTROL=TEXT       replaces the box's text (WM_SETTEXT)
//   keys:KEYS              keyboard input to the dialog: text, {TAB}, {ESC}, {ENTER}, {ALT+x}
//   click:CONTROL          presses the button (BM_CLICK)
//   close                  the close box (SC_CLOSE)
//   gone                   waits until the dialog has closed; prints its SLIDE line (where it
//                          stood, its X11 window, the screen) for the slide-out check
//   print-window:BARCODE   the next print window, showing BARCODE
//   close-print-window     clicks its Close link and waits until it has gone
//   message:TITLE:TEXT     the next message box, then presses its OK
//   snap:NAME              the current window's picture as ARTIFACT_FOLDER\NAME.bmp
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "forms/settings_design.h"
#include "platform/windows/print_form.h"
#include "platform/windows/settings_window.h"

namespace {

constexpr wchar_t kDialogCaption[] = L"Vantory ActiveX v.1.3.5";
constexpr wchar_t kMessageBoxClass[] = L"#32770";
constexpr DWORD kGiveUpMilliseconds = 60000;

int failures = 0;
std::wstring scriptEnded;
// Set once a wait has given up: the steps no longer match the windows, so the rest are skipped.
bool outOfStep = false;

bool scriptHasEnded() { return GetFileAttributesW(scriptEnded.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string narrow(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

std::wstring widen(const std::string& text) {
  if (text.empty()) return {};
  const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
  return out;
}

void say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

void fail(const std::string& what) {
  ++failures;
  say("FAIL: " + what);
}

// Another process's control: its text only by message, which the system carries across.
std::wstring textOf(HWND window) {
  const auto length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const auto copied = SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(copied));
  return text;
}

std::wstring classOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

// Waits until `found` gives a result; nullopt once it cannot come any more.
template <typename T>
std::optional<T> waitFor(const std::function<std::optional<T>()>& found) {
  const DWORD start = GetTickCount();
  for (;;) {
    const bool last = scriptHasEnded() || GetTickCount() - start > kGiveUpMilliseconds;
    if (auto result = found()) return result;
    if (last) {
      outOfStep = true;
      return std::nullopt;
    }
    Sleep(5);
  }
}

bool waitUntil(const std::function<bool()>& holds) {
  return waitFor<bool>([&]() -> std::optional<bool> { return holds() ? std::optional<bool>(true) : std::nullopt; })
      .has_value();
}

HWND visibleWindow(const wchar_t* className, const wchar_t* caption) {
  const HWND window = FindWindowW(className, caption);
  return window && IsWindowVisible(window) ? window : nullptr;
}

HWND focusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

// The picture of the screen where the window stands, as a 24-bit BMP file.
bool snap(HWND window, const std::wstring& path) {
  RECT rect{};
  GetWindowRect(window, &rect);
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool written = false;
  if (bitmap && bits) {
    const HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    SelectObject(memory, previous);
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD size = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + size;
    std::ofstream out(path.c_str(), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(static_cast<const char*>(bits), size);
    written = static_cast<bool>(out);
  }
  if (bitmap) DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return written;
}

void sendKey(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &input, sizeof input);
}

void pressKey(WORD key) {
  sendKey(key, false);
  sendKey(key, true);
}

void typeCharacter(wchar_t character) {
  INPUT input[2]{};
  for (auto& one : input) {
    one.type = INPUT_KEYBOARD;
    one.ki.wScan = character;
    one.ki.dwFlags = KEYEVENTF_UNICODE;
  }
  input[1].ki.dwFlags |= KEYEVENTF_KEYUP;
  SendInput(2, input, sizeof input[0]);
}

// Text and {TAB}, {ESC}, {ENTER}, {ALT+x} to whatever has the focus.
bool typeKeys(const std::wstring& keys) {
  for (std::size_t at = 0; at < keys.size();) {
    if (keys[at] != L'{') {
      typeCharacter(keys[at++]);
      continue;
    }
    const std::size_t end = keys.find(L'}', at);
    if (end == std::wstring::npos) return false;
    const std::wstring name = keys.substr(at + 1, end - at - 1);
    at = end + 1;
    if (name == L"TAB") {
      pressKey(VK_TAB);
    } else if (name == L"ESC") {
      pressKey(VK_ESCAPE);
    } else if (name == L"ENTER") {
      pressKey(VK_RETURN);
    } else if (name.size() == 5 && name.starts_with(L"ALT+")) {
      sendKey(VK_MENU, false);
      pressKey(static_cast<WORD>(towupper(name[4])));
      sendKey(VK_MENU, true);
    } else {
      return false;
    }
  }
  return true;
}

// A message box's text: its longest static control.
BOOL CALLBACK longestStaticText(HWND child, LPARAM found) {
  auto& text = *reinterpret_cast<std::wstring*>(found);
  if (classOf(child) == L"Static") {
    const std::wstring candidate = textOf(child);
    if (candidate.size() > text.size()) text = candidate;
  }
  return TRUE;
}

class Driver {
 public:
  explicit Driver(std::wstring artifacts) : artifacts_(std::move(artifacts)) {}

  // Whatever opens once the steps are done is not expected: closed, so the script can end.
  void closeTheRest() {
    while (!scriptHasEnded()) {
      if (const HWND dialog = visibleWindow(nullptr, kDialogCaption)) {
        fail("a dialog " + narrow(classOf(dialog)) + " opened after the last step");
        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        waitUntil([&] { return !IsWindow(dialog); });
      } else if (const HWND print = visibleWindow(windows::kPrintFormClassName, nullptr)) {
        fail("a print window opened after the last step");
        printWindow_ = print;
        closePrintWindow();
      } else if (const HWND message = visibleWindow(kMessageBoxClass, nullptr)) {
        fail("a message box \"" + narrow(textOf(message)) + "\" opened after the last step");
        PostMessageW(message, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        waitUntil([&] { return !IsWindow(message); });
      } else {
        Sleep(10);
      }
    }
  }

  void run(const std::string& step) {
    if (outOfStep) return say("SKIPPED " + step);
    say("STEP " + step);
    const auto colon = step.find(':');
    const std::string verb = step.substr(0, colon);
    const std::string argument = colon == std::string::npos ? std::string() : step.substr(colon + 1);
    if (verb == "dialog") return findDialog(argument);
    if (verb == "print-window") return findPrintWindow(argument);
    if (verb == "message") return answerMessage(argument);
    if (verb == "snap") return snapWindow(argument);
    if (verb == "close-print-window") return closePrintWindow();
    if (!dialog_) return fail(step + ": no dialog is open");
    if (verb == "expect") return expectText(argument);
    if (verb == "shown" || verb == "hidden") return expectVisible(argument, verb == "shown");
    if (verb == "focus") return expectFocus(argument);
    if (verb == "set") return setText(argument);
    if (verb == "keys") return keys(argument);
    if (verb == "click") return click(argument);
    if (verb == "close") return closeBox();
    if (verb == "gone") return gone();
    fail("unknown step " + step);
  }

 private:
  // The named control of the open dialog; null (and a failure) when the form has none.
  HWND control(const std::string& name) {
    const int id = windows::settingsControlId(*design_, name);
    const HWND child = id ? GetDlgItem(dialog_, id) : nullptr;
    if (!child) fail(std::string(design_->name) + " has no control " + name);
    return child;
  }

  static std::pair<std::string, std::string> split(const std::string& argument, char at) {
    const auto found = argument.find(at);
    if (found == std::string::npos) return {argument, {}};
    return {argument.substr(0, found), argument.substr(found + 1)};
  }

  void findDialog(const std::string& form) {
    const forms::FormDesign* design = nullptr;
    for (const auto* candidate : {&forms::kPropertyPageDesign, &forms::kMorePropertiesDesign})
      if (candidate->name == form) design = candidate;
    dialog_ = nullptr;
    if (!design) return fail("no form " + form);
    const auto found = waitFor<HWND>([]() -> std::optional<HWND> {
      if (const HWND window = visibleWindow(nullptr, kDialogCaption)) return window;
      return std::nullopt;
    });
    if (!found) return fail("no dialog \"" + narrow(kDialogCaption) + "\" appeared");
    dialog_ = *found;
    design_ = design;
    current_ = dialog_;
    if (classOf(dialog_) != windows::settingsWindowClass(*design))
      fail("the dialog is " + narrow(classOf(dialog_)) + ", not " + form);

    GetWindowRect(dialog_, &shownAt_);
    const int width = shownAt_.right - shownAt_.left, height = shownAt_.bottom - shownAt_.top;
    const int dx = shownAt_.left - (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int dy = shownAt_.top - (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    if (dx * dx > 1 || dy * dy > 1) fail(form + " is not centred");

    // The focus reaches a control once the modal loop has started: it must be "&Ok".
    const HWND start = control(std::string(design->initialFocus));
    const bool focused = waitUntil([&] {
      const HWND focus = focusOf(dialog_);
      return focus && IsChild(dialog_, focus);
    });
    if (!focused || focusOf(dialog_) != start) fail(form + " does not start with the focus on \"&Ok\"");
    say("DIALOG " + form + " caption=" + narrow(textOf(dialog_)));
  }

  void expectText(const std::string& argument) {
    const auto [name, want] = split(argument, '=');
    const HWND box = control(name);
    if (!box) return;
    std::wstring seen;
    if (!waitUntil([&] { return (seen = textOf(box)) == widen(want); }))
      fail(name + " shows \"" + narrow(seen) + "\", not \"" + want + "\"");
  }

  void expectVisible(const std::string& name, bool shown) {
    const HWND child = control(name);
    if (child && (IsWindowVisible(child) != FALSE) != shown) fail(name + (shown ? " is hidden" : " is shown"));
  }

  void expectFocus(const std::string& name) {
    const HWND want = control(name);
    if (want && !waitUntil([&] { return focusOf(dialog_) == want; })) fail("the focus is not on " + name);
  }

  void setText(const std::string& argument) {
    const auto [name, text] = split(argument, '=');
    const std::wstring wide = widen(text);
    if (const HWND box = control(name)) SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  }

  void keys(const std::string& keys) {
    SetForegroundWindow(dialog_);
    if (!waitUntil([&] { return GetForegroundWindow() == dialog_; })) return fail("the dialog did not come to the front");
    if (!typeKeys(widen(keys))) fail("cannot type " + keys);
  }

  void click(const std::string& name) {
    // Posted: the click's handler runs the whole slide-out before it returns.
    if (const HWND button = control(name)) PostMessageW(button, BM_CLICK, 0, 0);
  }

  void closeBox() { PostMessageW(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0); }

  void gone() {
    // Where it stood and its X11 window, read while it is still there.
    const auto xWindow = reinterpret_cast<std::uintptr_t>(GetPropW(dialog_, L"__wine_x11_whole_window"));
    const HWND closing = dialog_;
    dialog_ = nullptr;
    if (!waitUntil([&] { return !IsWindow(closing); })) return fail(std::string(design_->name) + " did not close");
    const HDC screen = GetDC(nullptr);
    const int dpiX = GetDeviceCaps(screen, LOGPIXELSX), dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    char line[256];
    std::snprintf(line, sizeof line, "SLIDE form=%s xwindow=0x%llx left=%ld top=%ld width=%ld height=%ld screen=%dx%d dpi=%dx%d",
                  std::string(design_->name).c_str(), static_cast<unsigned long long>(xWindow), shownAt_.left,
                  shownAt_.top, shownAt_.right - shownAt_.left, shownAt_.bottom - shownAt_.top,
                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), dpiX, dpiY);
    say(line);
  }

  void findPrintWindow(const std::string& barCode) {
    const auto found = waitFor<HWND>([]() -> std::optional<HWND> {
      if (const HWND window = visibleWindow(windows::kPrintFormClassName, nullptr)) return window;
      return std::nullopt;
    });
    if (!found) return fail("no print window appeared");
    printWindow_ = current_ = *found;
    const std::wstring shown = textOf(GetDlgItem(printWindow_, windows::kLblBarCodeId));
    if (shown != widen(barCode)) fail("the print window shows \"" + narrow(shown) + "\", not \"" + barCode + "\"");
  }

  void closePrintWindow() {
    if (!printWindow_) return fail("no print window is open");
    const HWND link = GetDlgItem(printWindow_, windows::kCmdExitId);
    PostMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    const HWND closing = std::exchange(printWindow_, nullptr);
    if (!waitUntil([&] { return !IsWindowVisible(closing); })) fail("the print window did not close");
  }

  void answerMessage(const std::string& argument) {
    const auto [title, text] = split(argument, ':');
    const auto found = waitFor<HWND>([]() -> std::optional<HWND> {
      if (const HWND window = visibleWindow(kMessageBoxClass, nullptr)) return window;
      return std::nullopt;
    });
    if (!found) return fail("no message box appeared");
    current_ = *found;
    std::wstring longest;
    EnumChildWindows(*found, &longestStaticText, reinterpret_cast<LPARAM>(&longest));
    const std::wstring caption = textOf(*found);
    if (caption != widen(title) || longest != widen(text))
      fail("the message is \"" + narrow(caption) + "\": \"" + narrow(longest) + "\"");
    PostMessageW(*found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    const HWND closing = *found;
    if (!waitUntil([&] { return !IsWindow(closing); })) fail("the message box did not close");
  }

  void snapWindow(const std::string& name) {
    if (!current_ || !IsWindow(current_)) return fail("nothing to snap for " + name);
    // Whatever the last step changed is painted before the picture is taken.
    RedrawWindow(current_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    if (!snap(current_, artifacts_ + L"\\" + widen(name) + L".bmp")) fail("cannot write the picture " + name);
  }

  std::wstring artifacts_;
  const forms::FormDesign* design_ = nullptr;
  HWND dialog_ = nullptr;
  HWND printWindow_ = nullptr;
  HWND current_ = nullptr;
  RECT shownAt_{};
};

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || argc < 3) {
    std::fprintf(stderr, "usage: dialogs_driver ARTIFACT_FOLDER SCRIPT_ENDED STEP...\n");
    return 2;
  }
  scriptEnded = argv[2];
  say("READY");
  Driver driver(argv[1]);
  for (int i = 3; i < argc; ++i) driver.run(narrow(argv[i]));
  driver.closeTheRest();
  say(failures == 0 ? "DRIVER: PASS" : "DRIVER: FAIL (" + std::to_string(failures) + ")");
  return failures == 0 ? 0 : 1;
}
