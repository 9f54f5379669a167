#pragma once
// The control DLL's one process-wide state beside its COM module (ComModule): its type
// library and the component (request, print window, sinks, engine factory), each created
// on first use. Nothing else in the control is global and mutable.

#include <windows.h>
#include <oaidl.h>

#include <memory>
#include <mutex>

#include "platform/windows/com_ptr.h"

namespace windows {

class Component;

class ControlModule {
 public:
  static ControlModule& instance();

  // The type library embedded as resource 1 of the module, loaded once.
  HRESULT typeLibrary(ComPtr<ITypeLib>& out);
  HRESULT typeInfo(REFGUID guid, ComPtr<ITypeInfo>& out);

  // Throws std::bad_alloc or std::system_error when it cannot be created.
  Component& component();

  // At DLL_PROCESS_DETACH. Objects are released only when that is safe (an unload after
  // DllCanUnloadNow agreed); at process exit the host's objects may already be gone.
  void detach(bool processTerminating) noexcept;

 private:
  ControlModule();
  ~ControlModule();
  struct State;

  std::mutex mutex_;
  std::unique_ptr<State> state_;
};

}  // namespace windows
