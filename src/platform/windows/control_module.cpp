#include "platform/windows/control_module.h"

#include <string>

#include "platform/windows/com_module.h"
#include "platform/windows/component.h"
#include "platform/windows/control.h"
#include "platform/windows/print_form.h"

namespace windows {

struct ControlModule::State {
  ComPtr<ITypeLib> typeLibrary;
  std::unique_ptr<Component> component;
};

ControlModule::ControlModule() = default;
ControlModule::~ControlModule() = default;

ControlModule& ControlModule::instance() {
  static ControlModule module;
  return module;
}

HRESULT ControlModule::typeLibrary(ComPtr<ITypeLib>& out) {
  try {
    const std::lock_guard guard(mutex_);
    if (!state_) state_ = std::make_unique<State>();
    if (!state_->typeLibrary) {
      const std::wstring file = ComModule::instance().path();
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

HRESULT ControlModule::typeInfo(REFGUID guid, ComPtr<ITypeInfo>& out) {
  ComPtr<ITypeLib> library;
  const HRESULT hr = typeLibrary(library);
  if (FAILED(hr)) return hr;
  return library->GetTypeInfoOfGuid(guid, out.put());
}

Component& ControlModule::component() {
  const std::lock_guard guard(mutex_);
  if (!state_) state_ = std::make_unique<State>();
  if (!state_->component) state_->component = std::make_unique<Component>();
  return *state_->component;
}

void ControlModule::detach(bool processTerminating) noexcept {
  const std::lock_guard guard(mutex_);
  const ComModule& module = ComModule::instance();
  if (processTerminating || !module.canUnloadNow()) {
    // Foreign objects (or our own, still referenced) would need code that may be gone.
    static_cast<void>(state_.release());
    return;
  }
  state_.reset();
  UnregisterClassW(kPrintFormClassName, module.handle());
  UnregisterClassW(kControlWindowClassName, module.handle());
}

}  // namespace windows
