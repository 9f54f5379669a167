#pragma once
// What the Invoke sweep and the Wine soak (tests/soak/wine_soak.cpp) share: the control
// loaded as a plain DLL, a thread that plays the user closing every window the control
// opens, the label folder the virtual engine records into, the reference requests, and the
// process's resource counts.

#include <oaidl.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "platform/windows/com_ptr.h"
#include "platform/windows/variant.h"

namespace sweep {

using windows::ComPtr;
using windows::Variant;

// The control's DLL, loaded with LoadLibrary and used through its exports only.
class ControlLibrary {
 public:
  explicit ControlLibrary(const std::wstring& path);
  ~ControlLibrary();
  ControlLibrary(const ControlLibrary&) = delete;
  ControlLibrary& operator=(const ControlLibrary&) = delete;

  bool loaded() const { return module_ != nullptr; }
  // A new instance of the control, asked for its IDispatch; null when that fails.
  ComPtr<IDispatch> create() const;
  HRESULT canUnloadNow() const;
  // Frees the DLL (only once DllCanUnloadNow agreed); true when it went.
  bool unload();

 private:
  HMODULE module_ = nullptr;
  HRESULT(STDAPICALLTYPE* getClassObject_)(REFCLSID, REFIID, void**) = nullptr;
  HRESULT(STDAPICALLTYPE* canUnloadNow_)() = nullptr;
};

// Plays the user from another thread: clicks the print window's Close link, closes the
// settings dialogs with their close box and presses OK on message boxes, for every such
// window of this process, so that no print call waits out the print window's timer.
class WindowCloser {
 public:
  WindowCloser();
  ~WindowCloser();
  WindowCloser(const WindowCloser&) = delete;
  WindowCloser& operator=(const WindowCloser&) = delete;

  struct Counts {
    long printWindows = 0, settingsDialogs = 0, messageBoxes = 0;
  };
  Counts counts() const { return {printWindows_, settingsDialogs_, messageBoxes_}; }

 private:
  void run();
  std::atomic<bool> stop_{false};
  std::atomic<long> printWindows_{0}, settingsDialogs_{0}, messageBoxes_{0};
  std::thread thread_;
};

// The folder the virtual engine records labels into (VANTORY_LABEL_DIR of this process).
class LabelFolder {
 public:
  explicit LabelFolder(std::wstring path);
  const std::wstring& path() const { return path_; }
  // The number of labels recorded so far.
  std::size_t count() const;
  // Whether label-NNNN.json (1-based) was recorded.
  bool exists(std::size_t number) const;
  // The content of label-NNNN.json (1-based), empty when missing.
  std::string label(std::size_t number) const;
  // Empties the folder.
  void clear() const;

 private:
  std::wstring fileOf(std::size_t number) const;
  std::wstring path_;
};

// A print call by name, in script order, through IDispatch::Invoke.
struct PrintOutcome {
  HRESULT hr = E_FAIL;
  bool printed = false;  // the call returned the Boolean True
};
PrintOutcome invokeByName(IDispatch& control, const wchar_t* member, std::vector<Variant> arguments);

// The reference requests: well-formed, each prints one label.
std::vector<Variant> hospitalRequest();
std::vector<Variant> physicianRequest();
std::vector<Variant> genericRequest();

// The process's GUI objects and private bytes. Wine 8 implements neither GetGuiResources
// nor PrivateUsage: there the GDI count is read from the process's GDI handle table (the
// PEB's GdiSharedHandleTable, Wine's entry layout), the USER count is the number of
// windows the process owns (message-only ones included), and private bytes are
// PagefileUsage (what Windows reports as the same commit charge). resourceSources() says
// which were used.
struct ResourceSample {
  long gdi = -1, user = -1;
  std::uint64_t privateBytes = 0;
};
ResourceSample sampleResources();
std::string resourceSources();

std::string narrow(std::wstring_view text);

// A path as Wine's Windows programs take it: a Linux path on drive Z:.
std::wstring windowsPath(std::wstring path);

}  // namespace sweep
