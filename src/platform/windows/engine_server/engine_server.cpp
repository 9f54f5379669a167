#include "platform/windows/engine_server/engine_server.h"

#include <olectl.h>

#include <memory>
#include <new>
#include <string>
#include <type_traits>

#include "engine/engine.h"
#include "engine/print_sink.h"
#include "platform/windows/engine_server/engine_dispatch.h"
#include "platform/windows/server_module.h"

namespace windows::engine_server {

namespace {

constexpr wchar_t kClassName[] = L"Vantory virtual label engine";
constexpr wchar_t kFolderVariable[] = L"VANTORY_LABEL_DIR";

struct KeyCloser {
  void operator()(HKEY key) const noexcept { RegCloseKey(key); }
};
using RegistryKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

std::wstring guidText(REFGUID guid) {
  wchar_t buffer[40] = {};
  StringFromGUID2(guid, buffer, 40);
  return buffer;
}

bool setText(HKEY key, const wchar_t* name, const std::wstring& text) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

// Creates (or opens) HKCR\<path> and sets its default value and the named ones.
bool writeKey(const std::wstring& path, const std::wstring& defaultValue,
              std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> values = {}) {
  HKEY raw = nullptr;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                      &raw, nullptr) != ERROR_SUCCESS)
    return false;
  const RegistryKey key(raw);
  if (!setText(key.get(), nullptr, defaultValue)) return false;
  for (const auto& [name, text] : values)
    if (!setText(key.get(), name, text)) return false;
  return true;
}

bool removeTree(const std::wstring& path) {
  const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return false;
  RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str());  // RegDeleteTree leaves the key itself
  return true;
}

std::wstring readDefault(const std::wstring& path) {
  wchar_t buffer[64] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t);
  if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
    return {};
  return buffer;
}

std::wstring environmentVariable(const wchar_t* name) {
  std::wstring value(64, L'\0');
  for (;;) {
    const DWORD length = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    if (length == 0) return {};
    if (length < value.size()) {
      value.resize(length);
      return value;
    }
    value.resize(length);  // the size asked for, terminator included
  }
}

}  // namespace

std::filesystem::path labelFolder() {
  if (std::wstring configured = environmentVariable(kFolderVariable); !configured.empty()) return configured;
  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  const std::filesystem::path base = length > 0 && length <= MAX_PATH ? std::filesystem::path(temp) : L"C:\\";
  return base / L"VantoryLabels";
}

HRESULT EngineClassFactory::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
  *object = static_cast<IClassFactory*>(this);
  AddRef();
  return S_OK;
}

HRESULT EngineClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  try {
    // A sink per engine: it finds the next free label number when the engine prints.
    auto sink = std::make_shared<engine::LabelFolderSink>(labelFolder());
    const ComPtr<IDispatch> created = EngineDispatch::forEngine(engine::createEngine(std::move(sink)));
    return created->QueryInterface(iid, object);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT EngineClassFactory::LockServer(BOOL lock) {
  if (lock)
    ServerModule::instance().lock();
  else
    ServerModule::instance().unlock();
  return S_OK;
}

HRESULT getClassObject(REFCLSID clsid, REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (clsid != kClsidVirtualLabelEngine) return CLASS_E_CLASSNOTAVAILABLE;
  try {
    return makeCom<EngineClassFactory>()->QueryInterface(iid, object);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

bool canUnloadNow() noexcept { return ServerModule::instance().locks() == 0; }

HRESULT registerServer() {
  try {
    const std::wstring file = ServerModule::instance().path();
    if (file.empty()) return SELFREG_E_CLASS;
    const std::wstring clsid = guidText(kClsidVirtualLabelEngine);
    const std::wstring classKey = L"CLSID\\" + clsid;
    const bool written = writeKey(classKey, kClassName) &&
                         writeKey(classKey + L"\\InprocServer32", file, {{L"ThreadingModel", L"Apartment"}}) &&
                         writeKey(classKey + L"\\ProgID", kProgId) && writeKey(kProgId, kClassName) &&
                         writeKey(std::wstring(kProgId) + L"\\CLSID", clsid);
    if (!written) {
      unregisterServer();
      return SELFREG_E_CLASS;
    }
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT unregisterServer() {
  try {
    const std::wstring clsid = guidText(kClsidVirtualLabelEngine);
    bool removed = removeTree(L"CLSID\\" + clsid);
    if (readDefault(std::wstring(kProgId) + L"\\CLSID") == clsid) removed &= removeTree(kProgId);
    return removed ? S_OK : SELFREG_E_CLASS;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace windows::engine_server
