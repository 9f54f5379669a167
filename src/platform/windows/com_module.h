#pragma once
// What every in-process COM server DLL of ours keeps for the life of its process: which
// module it is, and the count behind DllCanUnloadNow (live objects, foreign references
// held, server locks). One per DLL: each links its own copy.

#include <windows.h>

#include <atomic>
#include <string>

namespace windows {

class ComModule {
 public:
  static ComModule& instance();
  ComModule(const ComModule&) = delete;
  ComModule& operator=(const ComModule&) = delete;

  // The module that holds this code: the server's DLL, or a test program linking it.
  HMODULE handle() const noexcept;
  std::wstring path() const;

  // While any lock is held the DLL must stay loaded.
  void lock() noexcept { ++locks_; }
  void unlock() noexcept { --locks_; }
  long locks() const noexcept { return locks_; }
  bool canUnloadNow() const noexcept { return locks_ == 0; }

 private:
  ComModule() = default;
  std::atomic<long> locks_{0};
};

// Keeps the DLL loaded while it lives (one per live object or foreign reference).
class ModuleLock {
 public:
  ModuleLock() noexcept { ComModule::instance().lock(); }
  ModuleLock(const ModuleLock&) noexcept : ModuleLock() {}
  ModuleLock& operator=(const ModuleLock&) noexcept { return *this; }
  ~ModuleLock() { ComModule::instance().unlock(); }
};

}  // namespace windows
