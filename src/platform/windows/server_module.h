#pragma once
// The DLL's one process-wide state: its counters for DllCanUnloadNow, its type library
// and the component (request, print window, sinks, engine factory), each created on
// first use. Nothing else in the control is global and mutable.

#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "platform/windows/com_ptr.h"

namespace windows {

class Component;

class ServerModule {
 public:
  static ServerModule& instance();

  // The module that holds this code: the control's DLL, or a test program linking it.
  HMODULE handle() const noexcept;
  std::wstring path() const;

  // Live objects, foreign references held and server locks: while any exist the DLL must stay.
  void lock() noexcept { ++locks_; }
  void unlock() noexcept { --locks_; }
  long locks() const noexcept { return locks_; }

  // The type library embedded as resource 1 of the module, loaded once.
  HRESULT typeLibrary(ComPtr<ITypeLib>& out);
  HRESULT typeInfo(REFGUID guid, ComPtr<ITypeInfo>& out);

  // Throws std::bad_alloc or std::system_error when it cannot be created.
  Component& component();

  // At DLL_PROCESS_DETACH. Objects are released only when that is safe (an unload after
  // DllCanUnloadNow agreed); at process exit the host's objects may already be gone.
  void detach(bool processTerminating) noexcept;

 private:
  ServerModule();
  ~ServerModule();
  struct State;

  std::atomic<long> locks_{0};
  std::mutex mutex_;
  std::unique_ptr<State> state_;
};

// Keeps the DLL loaded while it lives (one per live object or foreign reference).
class ModuleLock {
 public:
  ModuleLock() noexcept { ServerModule::instance().lock(); }
  ModuleLock(const ModuleLock&) noexcept : ModuleLock() {}
  ModuleLock& operator=(const ModuleLock&) noexcept { return *this; }
  ~ModuleLock() { ServerModule::instance().unlock(); }
};

}  // namespace windows
