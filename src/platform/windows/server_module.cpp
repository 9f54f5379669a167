#include "platform/windows/server_module.h"

#include <vector>

#include "platform/windows/component.h"
#include "platform/windows/control.h"
#include "platform/windows/print_form.h"

namespace windows {

namespace {
const char kModuleMarker = 0;  // an address inside this module
}  // namespace

struct ServerModule::State {
  ComPtr<ITypeLib> typeLibrary;
  std::unique_ptr<Component> component;
};

ServerModule::ServerModule() = default;
ServerModule::~ServerModule() = default;

ServerModule& ServerModule::instance() {
  static ServerModule module;
  return module;
}

HMODULE ServerModule::handle() const noexcept {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&kModuleMarker), &module);
  return module;
}

std::wstring ServerModule::path() const {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(handle(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

HRESULT ServerModule::typeLibrary(ComPtr<ITypeLib>& out) {
  try {
    const std::lock_guard guard(mutex_);
    if (!state_) state_ = std::make_unique<State>();
    if (!state_->typeLibrary) {
      const std::wstring file = path();
      if (file.empty()) return HRESULT_FROM_WIN32(GetLastError());
      ComPtr<ITypeLib> loaded;
      const HRESULT hr = LoadTypeLibEx(file.c_str(), REGKIND_NONE, loaded.put());
      if (FAILED(hr)) return hr;
      state_->typeLibrary = loaded;
    }
    out = state_->typeLibrary;
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT ServerModule::typeInfo(REFGUID guid, ComPtr<ITypeInfo>& out) {
  ComPtr<ITypeLib> library;
  const HRESULT hr = typeLibrary(library);
  if (FAILED(hr)) return hr;
  return library->GetTypeInfoOfGuid(guid, out.put());
}

Component& ServerModule::component() {
  const std::lock_guard guard(mutex_);
  if (!state_) state_ = std::make_unique<State>();
  if (!state_->component) state_->component = std::make_unique<Component>();
  return *state_->component;
}

void ServerModule::detach(bool processTerminating) noexcept {
  const std::lock_guard guard(mutex_);
  if (processTerminating || locks_ != 0) {
    // Foreign objects (or our own, still referenced) would need code that may be gone.
    static_cast<void>(state_.release());
    return;
  }
  state_.reset();
  UnregisterClassW(kPrintFormClassName, handle());
  UnregisterClassW(kControlWindowClassName, handle());
}

}  // namespace windows
