#pragma once
// What a modal window does to the rest of its thread's windows while it is shown.

#include <windows.h>

#include <vector>

namespace windows {

// A modal display disables the thread's other top-level windows, as a modal form does,
// and gives them back when it ends.
class ThreadWindowsDisabled {
 public:
  explicit ThreadWindowsDisabled(HWND modal) : modal_(modal) {
    EnumThreadWindows(GetCurrentThreadId(), &ThreadWindowsDisabled::disable, reinterpret_cast<LPARAM>(this));
  }
  ThreadWindowsDisabled(const ThreadWindowsDisabled&) = delete;
  ThreadWindowsDisabled& operator=(const ThreadWindowsDisabled&) = delete;
  ~ThreadWindowsDisabled() {
    for (HWND window : disabled_)
      if (IsWindow(window)) EnableWindow(window, TRUE);
  }

 private:
  static BOOL CALLBACK disable(HWND window, LPARAM self) {
    auto* me = reinterpret_cast<ThreadWindowsDisabled*>(self);
    try {
      if (window != me->modal_ && IsWindowVisible(window) && IsWindowEnabled(window)) {
        me->disabled_.push_back(window);
        EnableWindow(window, FALSE);
      }
    } catch (...) {  // out of memory: leave the rest enabled
      return FALSE;
    }
    return TRUE;
  }
  HWND modal_;
  std::vector<HWND> disabled_;
};

// Runs the thread's pending messages once, as a slide-out step needs; a WM_QUIT is put
// back for the message loop that owns it.
inline void pumpPendingMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));  // for the loop that owns it
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace windows
