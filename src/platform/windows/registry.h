#pragma once
// Self-registration's registry side, shared by the DLLs: each server describes its class
// and what it writes under HKEY_CLASSES_ROOT beyond the usual keys as a table of keys,
// which one routine writes; removal takes a key with everything under it.

#include <windows.h>

#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace windows {

// A key under HKCR, its default value (none: left unset) and its named values, all REG_SZ.
struct RegistryEntry {
  std::wstring path;
  std::optional<std::wstring> defaultValue;
  std::vector<std::pair<const wchar_t*, std::wstring>> values;
};

// An in-process, apartment-threaded class known by a ProgID, as it is registered:
//
//   HKCR\CLSID\{clsid}          name
//     InprocServer32            <this module's file>, ThreadingModel = Apartment
//     ProgID                    progId
//     <classSubkeys>
//   HKCR\<progId>               name
//     CLSID                     {clsid}
struct InprocClass {
  const CLSID& clsid;
  const wchar_t* name;
  const wchar_t* progId;
  std::span<const RegistryEntry> classSubkeys = {};  // paths relative to CLSID\{clsid}
};

// DllRegisterServer's work for the class: writes its keys (registering again rewrites the
// same values). When one cannot be written, runs `unregister`, which removes what a
// registration writes, and answers SELFREG_E_CLASS; E_OUTOFMEMORY when memory ran out.
HRESULT registerInprocClass(const InprocClass& inprocClass, HRESULT (*unregister)()) noexcept;

// Removes the class's key, and its ProgID's only while the ProgID still names this class.
// SELFREG_E_CLASS when something could not be removed; E_OUTOFMEMORY when memory ran out.
HRESULT unregisterInprocClass(const InprocClass& inprocClass) noexcept;

// Removes HKCR\<path> and everything under it; true once it is gone, or was never there.
bool removeRegistryTree(const std::wstring& path);

// "{XXXXXXXX-XXXX-...}", as the registry spells a GUID.
std::wstring guidText(REFGUID guid);

}  // namespace windows
