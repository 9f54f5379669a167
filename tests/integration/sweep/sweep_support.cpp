#include "sweep_support.h"

#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>

#include "platform/windows/bstr.h"
#include "variant_testing.h"

namespace sweep {

namespace {

// ZuzuravuDazeza
constexpr CLSID kControlClass{0xEBD06589, 0xAF80, 0x4F10, {0x83, 0x49, 0xF2, 0x15, 0x9B, 0xA4, 0x3E, 0xE8}};

constexpr wchar_t kPrintWindowClass[] = L"VantoryActiveX.frmGUI";
constexpr wchar_t kPrintParametersClass[] = L"VantoryActiveX.frmPropertyPage";
constexpr wchar_t kPatientDataClass[] = L"VantoryActiveX.frmMoreProperties";
constexpr wchar_t kMessageBoxClass[] = L"#32770";
constexpr int kCmdExitId = 1003;

template <typename F>
F procedure(HMODULE module, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

std::wstring className(HWND window) {
  wchar_t name[128] = {};
  GetClassNameW(window, name, 128);
  return name;
}

struct OwnWindows {
  DWORD process = GetCurrentProcessId();
  std::vector<HWND> found;
};

BOOL CALLBACK collectOwnWindow(HWND window, LPARAM context) {
  auto& own = *reinterpret_cast<OwnWindows*>(context);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == own.process) own.found.push_back(window);
  return TRUE;
}

std::vector<HWND> ownTopLevelWindows() {
  OwnWindows own;
  EnumWindows(&collectOwnWindow, reinterpret_cast<LPARAM>(&own));
  return own.found;
}

BOOL CALLBACK countChild(HWND, LPARAM count) {
  ++*reinterpret_cast<long*>(count);
  return TRUE;
}

// Wine's GDI handle table entry (the same on 32 and 64 bits).
struct GdiHandleEntry {
  std::uint64_t object;
  std::uint32_t owner;
  std::uint16_t unique;
  std::uint8_t type;
  std::uint8_t flags;
  std::uint64_t userPointer;
};
static_assert(sizeof(GdiHandleEntry) == 24);
constexpr std::size_t kGdiHandleCount = 0x10000;

long gdiObjectsFromHandleTable() {
  PROCESS_BASIC_INFORMATION process{};
  if (NtQueryInformationProcess(GetCurrentProcess(), ProcessBasicInformation, &process, sizeof process, nullptr) != 0)
    return -1;
  const auto* peb = reinterpret_cast<const unsigned char*>(process.PebBaseAddress);
  const std::size_t offset = sizeof(void*) == 4 ? 0x94 : 0xF8;  // PEB.GdiSharedHandleTable
  const auto* table = *reinterpret_cast<const GdiHandleEntry* const*>(peb + offset);
  if (table == nullptr) return -1;
  return static_cast<long>(
      std::count_if(table, table + kGdiHandleCount, [](const GdiHandleEntry& entry) { return entry.type != 0; }));
}

// The handle table is trusted only when it sees a brush come and go.
bool handleTableCounts() {
  static const bool counts = [] {
    const long before = gdiObjectsFromHandleTable();
    if (before < 0) return false;
    const HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    const long with = gdiObjectsFromHandleTable();
    DeleteObject(brush);
    return with == before + 1 && gdiObjectsFromHandleTable() == before;
  }();
  return counts;
}

bool guiResourcesImplemented() {
  static const bool implemented = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS) != 0;
  return implemented;
}

}  // namespace

std::string narrow(std::wstring_view text) {
  if (text.empty()) return {};
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

// ---- ControlLibrary

ControlLibrary::ControlLibrary(const std::wstring& path) : module_(LoadLibraryW(path.c_str())) {
  if (!module_) return;
  getClassObject_ = procedure<decltype(getClassObject_)>(module_, "DllGetClassObject");
  canUnloadNow_ = procedure<decltype(canUnloadNow_)>(module_, "DllCanUnloadNow");
  if (!getClassObject_ || !canUnloadNow_) FreeLibrary(std::exchange(module_, nullptr));
}

ControlLibrary::~ControlLibrary() {
  if (module_) FreeLibrary(module_);
}

ComPtr<IDispatch> ControlLibrary::create() const {
  ComPtr<IClassFactory> factory;
  if (!module_ || FAILED(getClassObject_(kControlClass, IID_IClassFactory, factory.putVoid()))) return nullptr;
  ComPtr<IDispatch> control;
  if (FAILED(factory->CreateInstance(nullptr, IID_IDispatch, control.putVoid()))) return nullptr;
  return control;
}

HRESULT ControlLibrary::canUnloadNow() const { return module_ ? canUnloadNow_() : E_UNEXPECTED; }

bool ControlLibrary::unload() {
  if (!module_ || canUnloadNow() != S_OK) return false;
  return FreeLibrary(std::exchange(module_, nullptr)) != FALSE;
}

// ---- WindowCloser

WindowCloser::WindowCloser() : thread_([this] { run(); }) {}

WindowCloser::~WindowCloser() {
  stop_ = true;
  thread_.join();
}

void WindowCloser::run() {
  while (!stop_) {
    bool closed = false;
    for (const HWND window : ownTopLevelWindows()) {
      if (!IsWindowVisible(window)) continue;
      const std::wstring name = className(window);
      if (name == kPrintWindowClass) {
        const HWND link = GetDlgItem(window, kCmdExitId);
        PostMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        PostMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        ++printWindows_;
      } else if (name == kPrintParametersClass || name == kPatientDataClass) {
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        ++settingsDialogs_;
      } else if (name == kMessageBoxClass) {
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        ++messageBoxes_;
      } else {
        continue;
      }
      // Once: wait until it has gone (or hidden) before looking again.
      for (int waited = 0; waited < 5000 && IsWindow(window) && IsWindowVisible(window) && !stop_; waited += 1)
        Sleep(1);
      closed = true;
    }
    if (!closed) Sleep(5);
  }
}

// ---- LabelFolder

LabelFolder::LabelFolder(std::wstring path) : path_(std::move(path)) {
  CreateDirectoryW(path_.c_str(), nullptr);
  SetEnvironmentVariableW(L"VANTORY_LABEL_DIR", path_.c_str());
}

std::size_t LabelFolder::count() const {
  WIN32_FIND_DATAW data;
  const HANDLE find = FindFirstFileW((path_ + L"\\label-*.json").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  std::size_t count = 0;
  do ++count;
  while (FindNextFileW(find, &data));
  FindClose(find);
  return count;
}

std::wstring LabelFolder::fileOf(std::size_t number) const {
  wchar_t name[32];
  swprintf(name, 32, L"\\label-%04u.json", static_cast<unsigned>(number));
  return path_ + name;
}

bool LabelFolder::exists(std::size_t number) const {
  return GetFileAttributesW(fileOf(number).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string LabelFolder::label(std::size_t number) const {
  std::string content;
  FILE* file = _wfopen(fileOf(number).c_str(), L"rb");
  if (file == nullptr) return content;
  char buffer[4096];
  for (std::size_t read; (read = std::fread(buffer, 1, sizeof buffer, file)) > 0;) content.append(buffer, read);
  std::fclose(file);
  return content;
}

void LabelFolder::clear() const {
  WIN32_FIND_DATAW data;
  const HANDLE find = FindFirstFileW((path_ + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((path_ + L"\\" + data.cFileName).c_str());
  } while (FindNextFileW(find, &data));
  FindClose(find);
}

// ---- Requests

namespace {
using windows::testing::boolean;
using windows::testing::i2;
Variant text(const wchar_t* value) { return windows::testing::bstr(value); }

std::vector<Variant> specimenRequest(const wchar_t* clientType, short copies) {
  return {text(clientType),
          text(L"EQ39064"),
          text(L"DYMO LabelWriter 450"),
          i2(copies),
          text(L"9003948343"),
          text(L"7493843"),
          text(L"9003948343"),
          text(L"9498394001"),
          text(L"9600"),
          text(L"ROWE, SAM, K."),
          text(L"05/20/1944"),
          text(L"M"),
          text(L"55293N"),
          text(L"Catecholamines + VMA, 24 hr Ur"),
          text(L"Dr. Kay"),
          text(L"08/27/2001"),
          text(L"17:14:22"),
          text(L"F"),
          text(L"20RFU"),
          boolean(false),
          text(L"false")};
}
}  // namespace

std::vector<Variant> hospitalRequest() { return specimenRequest(L"HOSPITAL", 1); }
std::vector<Variant> physicianRequest() { return specimenRequest(L"PHYSICIAN", 2); }

std::vector<Variant> genericRequest() {
  return {text(L"DYMO LabelWriter 450"),
          i2(1),
          text(L"TXTBOLD^Sample 42"),
          text(L"TXT^Serum, 5 mL"),
          text(L"BCD^S42-7"),
          text(L""),
          text(L"TXT^Keep cold"),
          text(L"false"),
          boolean(false)};
}

PrintOutcome invokeByName(IDispatch& control, const wchar_t* member, std::vector<Variant> arguments) {
  PrintOutcome outcome;
  DISPID id = DISPID_UNKNOWN;
  auto* name = const_cast<LPOLESTR>(member);
  outcome.hr = control.GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(outcome.hr)) return outcome;
  std::vector<VARIANT> reversed;
  for (auto it = arguments.rbegin(); it != arguments.rend(); ++it) reversed.push_back(it->get());
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  Variant result;
  outcome.hr =
      control.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result.put(), nullptr, nullptr);
  outcome.printed = SUCCEEDED(outcome.hr) && result.type() == VT_BOOL && V_BOOL(&result.get()) == VARIANT_TRUE;
  return outcome;
}

// ---- Resources

ResourceSample sampleResources() {
  ResourceSample sample;
  if (guiResourcesImplemented()) {
    sample.gdi = static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
    sample.user = static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
  } else {
    sample.gdi = handleTableCounts() ? gdiObjectsFromHandleTable() : -1;
    long windows = 0;
    for (const HWND window : ownTopLevelWindows()) {
      ++windows;
      EnumChildWindows(window, &countChild, reinterpret_cast<LPARAM>(&windows));
    }
    // Message-only windows (COM's, a timer's) are not top-level: they are counted too.
    for (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); window;
         window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr)) {
      DWORD process = 0;
      GetWindowThreadProcessId(window, &process);
      if (process == GetCurrentProcessId()) ++windows;
    }
    sample.user = windows;
  }
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory))
    sample.privateBytes = memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage;
  return sample;
}

std::string resourceSources() {
  if (guiResourcesImplemented()) return "GetGuiResources (GDI, USER); PrivateUsage";
  return std::string(handleTableCounts() ? "GDI: the process's GDI handle table" : "GDI: unavailable") +
         "; USER: the process's windows, message-only ones included (GetGuiResources is not implemented "
         "here); private bytes: "
         "PrivateUsage, else PagefileUsage";
}

std::wstring windowsPath(std::wstring path) {
  if (!path.empty() && path[0] == L'/') path = L"Z:" + path;
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

}  // namespace sweep
