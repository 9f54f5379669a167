#include "platform/windows/registry.h"

#include <objbase.h>
#include <olectl.h>

#include <algorithm>
#include <memory>
#include <string_view>
#include <type_traits>

#include "platform/windows/com_module.h"

namespace windows {

namespace {

struct KeyCloser {
  void operator()(HKEY key) const noexcept { RegCloseKey(key); }
};
using RegistryKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

bool setText(HKEY key, const wchar_t* name, std::wstring_view text) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()),
                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool writeEntry(const RegistryEntry& entry) {
  HKEY raw = nullptr;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, entry.path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                      nullptr, &raw, nullptr) != ERROR_SUCCESS)
    return false;
  const RegistryKey key(raw);
  if (entry.defaultValue && !setText(key.get(), nullptr, *entry.defaultValue)) return false;
  for (const auto& [name, text] : entry.values)
    if (!setText(key.get(), name, text)) return false;
  return true;
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

std::wstring guidText(REFGUID guid) {
  wchar_t buffer[40] = {};
  StringFromGUID2(guid, buffer, 40);
  return buffer;
}

HRESULT registerInprocClass(const InprocClass& inprocClass, HRESULT (*unregister)()) noexcept {
  try {
    const std::wstring file = ComModule::instance().path();
    if (file.empty()) return SELFREG_E_CLASS;
    const std::wstring clsid = guidText(inprocClass.clsid);
    const std::wstring classKey = L"CLSID\\" + clsid;
    std::vector<RegistryEntry> entries{
        {classKey, inprocClass.name, {}},
        {classKey + L"\\InprocServer32", file, {{L"ThreadingModel", L"Apartment"}}},
        {classKey + L"\\ProgID", inprocClass.progId, {}},
        {inprocClass.progId, inprocClass.name, {}},
        {std::wstring(inprocClass.progId) + L"\\CLSID", clsid, {}},
    };
    for (const RegistryEntry& subkey : inprocClass.classSubkeys)
      entries.push_back({classKey + L"\\" + subkey.path, subkey.defaultValue, subkey.values});
    if (std::ranges::all_of(entries, writeEntry)) return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  unregister();
  return SELFREG_E_CLASS;
}

HRESULT unregisterInprocClass(const InprocClass& inprocClass) noexcept {
  try {
    const std::wstring clsid = guidText(inprocClass.clsid);
    bool removed = removeRegistryTree(L"CLSID\\" + clsid);
    if (readDefault(std::wstring(inprocClass.progId) + L"\\CLSID") == clsid)
      removed &= removeRegistryTree(inprocClass.progId);
    return removed ? S_OK : SELFREG_E_CLASS;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

bool removeRegistryTree(const std::wstring& path) {
  const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return false;
  RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str());  // RegDeleteTree leaves the key itself
  return true;
}

}  // namespace windows
