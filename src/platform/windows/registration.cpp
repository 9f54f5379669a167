#include "platform/windows/registration.h"

#include <olectl.h>

#include <optional>
#include <string>

#include "VantoryActiveX.h"
#include "platform/windows/com_module.h"
#include "platform/windows/control.h"
#include "platform/windows/control_module.h"
#include "platform/windows/registry.h"

namespace windows {

namespace {

constexpr wchar_t kClassName[] = L"VantoryActiveX.ZuzuravuDazeza";
constexpr wchar_t kLibraryVersion[] = L"1.1";
constexpr WORD kLibraryMajor = 1;
constexpr WORD kLibraryMinor = 1;
constexpr LCID kLibraryLocale = 0x409;
#ifdef _WIN64
constexpr SYSKIND kSysKind = SYS_WIN64;
#else
constexpr SYSKIND kSysKind = SYS_WIN32;
#endif

// Without the subkeys only the control has: what unregistering needs.
constexpr InprocClass kControlClass{CLSID_ZuzuravuDazeza, kClassName, kProgId};

}  // namespace

HRESULT registerServer() {
  try {
    const std::wstring file = ComModule::instance().path();
    ComPtr<ITypeLib> library;
    if (file.empty() || FAILED(ControlModule::instance().typeLibrary(library))) return SELFREG_E_TYPELIB;

    const RegistryEntry classSubkeys[] = {
        {L"Control", std::nullopt, {}},
        {L"TypeLib", guidText(LIBID_VantoryActiveX), {}},
        {L"Version", kLibraryVersion, {}},
    };
    const InprocClass control{CLSID_ZuzuravuDazeza, kClassName, kProgId, classSubkeys};
    if (const HRESULT hr = registerInprocClass(control, &unregisterServer); FAILED(hr)) return hr;
    std::wstring path = file;
    if (FAILED(RegisterTypeLib(library.get(), path.data(), nullptr))) {
      unregisterServer();
      return SELFREG_E_TYPELIB;
    }
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT unregisterServer() {
  try {
    bool removed = true;
    // Also removes the interface's registration. Fails harmlessly when it was not registered.
    UnRegisterTypeLib(LIBID_VantoryActiveX, kLibraryMajor, kLibraryMinor, kLibraryLocale, kSysKind);
    removed &= removeRegistryTree(L"TypeLib\\" + guidText(LIBID_VantoryActiveX));
    removed &= removeRegistryTree(L"Interface\\" + guidText(IID__ZuzuravuDazeza));
    const HRESULT classRemoved = unregisterInprocClass(kControlClass);
    if (classRemoved == E_OUTOFMEMORY) return classRemoved;
    return removed && SUCCEEDED(classRemoved) ? S_OK : SELFREG_E_CLASS;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace windows
