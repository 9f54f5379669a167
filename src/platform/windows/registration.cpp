#include "platform/windows/registration.h"

#include <olectl.h>

#include <memory>
#include <string>
#include <type_traits>

#include "VantoryActiveX.h"
#include "platform/windows/control.h"
#include "platform/windows/server_module.h"

namespace windows {

namespace {

struct KeyCloser {
  void operator()(HKEY key) const noexcept { RegCloseKey(key); }
};
using RegistryKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

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

std::wstring guidText(REFGUID guid) {
  wchar_t buffer[40] = {};
  StringFromGUID2(guid, buffer, 40);
  return buffer;
}

// Creates (or opens) `path` under HKCR and sets its default value and the named values.
LSTATUS writeKey(const std::wstring& path, const wchar_t* defaultValue,
                 std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> values = {}) {
  HKEY raw = nullptr;
  LSTATUS status = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_SET_VALUE, nullptr, &raw, nullptr);
  if (status != ERROR_SUCCESS) return status;
  const RegistryKey key(raw);
  const auto set = [&](const wchar_t* name, const wchar_t* text) {
    const std::wstring_view view(text);
    return RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>((view.size() + 1) * sizeof(wchar_t)));
  };
  if (defaultValue && (status = set(nullptr, defaultValue)) != ERROR_SUCCESS) return status;
  for (const auto& [name, text] : values)
    if ((status = set(name, text)) != ERROR_SUCCESS) return status;
  return ERROR_SUCCESS;
}

bool removeTree(const std::wstring& path) {
  const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
  if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) {
    RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str());  // RegDeleteTree leaves the key itself
    return true;
  }
  return false;
}

// The default value of HKCR\<path>, or nothing.
std::wstring readDefault(const std::wstring& path) {
  wchar_t buffer[64] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t);
  if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
    return {};
  return buffer;
}

}  // namespace

HRESULT registerServer() {
  try {
    ServerModule& module = ServerModule::instance();
    const std::wstring file = module.path();
    ComPtr<ITypeLib> library;
    if (file.empty() || FAILED(module.typeLibrary(library))) return SELFREG_E_TYPELIB;

    const std::wstring clsid = guidText(CLSID_ZuzuravuDazeza);
    const std::wstring classKey = L"CLSID\\" + clsid;
    const std::wstring libid = guidText(LIBID_VantoryActiveX);
    const bool written =
        writeKey(classKey, kClassName) == ERROR_SUCCESS &&
        writeKey(classKey + L"\\InprocServer32", file.c_str(), {{L"ThreadingModel", L"Apartment"}}) == ERROR_SUCCESS &&
        writeKey(classKey + L"\\Control", nullptr) == ERROR_SUCCESS &&
        writeKey(classKey + L"\\ProgID", kProgId) == ERROR_SUCCESS &&
        writeKey(classKey + L"\\TypeLib", libid.c_str()) == ERROR_SUCCESS &&
        writeKey(classKey + L"\\Version", kLibraryVersion) == ERROR_SUCCESS &&
        writeKey(kProgId, kClassName) == ERROR_SUCCESS &&
        writeKey(std::wstring(kProgId) + L"\\CLSID", clsid.c_str()) == ERROR_SUCCESS;
    if (!written) {
      unregisterServer();
      return SELFREG_E_CLASS;
    }
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
    removed &= removeTree(L"TypeLib\\" + guidText(LIBID_VantoryActiveX));
    removed &= removeTree(L"Interface\\" + guidText(IID__ZuzuravuDazeza));
    removed &= removeTree(L"CLSID\\" + guidText(CLSID_ZuzuravuDazeza));
    const std::wstring progIdClass = std::wstring(kProgId) + L"\\CLSID";
    if (readDefault(progIdClass) == guidText(CLSID_ZuzuravuDazeza)) removed &= removeTree(kProgId);
    return removed ? S_OK : SELFREG_E_CLASS;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace windows
