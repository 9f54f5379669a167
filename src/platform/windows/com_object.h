#pragma once
// Reference counting for our own COM objects. They are created only through
// makeCom and destroyed by their last Release; each keeps the DLL loaded while it lives,
// except objects the component itself owns for the life of the process.

#include <atomic>
#include <utility>

#include "platform/windows/com_ptr.h"
#include "platform/windows/com_module.h"

namespace windows {

struct NoModuleLock {};

template <typename Derived, typename Lock = ModuleLock>
class RefCounted {
 public:
  RefCounted(const RefCounted&) = delete;
  RefCounted& operator=(const RefCounted&) = delete;

 protected:
  RefCounted() = default;
  ~RefCounted() = default;
  ULONG addRef() noexcept { return ++refs_; }
  ULONG release() noexcept {
    const ULONG remaining = --refs_;
    if (remaining == 0) delete static_cast<Derived*>(this);
    return remaining;
  }

 private:
  std::atomic<ULONG> refs_{1};
  [[no_unique_address]] Lock moduleLock_;
};

// The one place a COM object is allocated: the caller receives its first reference.
template <typename T, typename... Args>
ComPtr<T> makeCom(Args&&... args) {
  return ComPtr<T>::adopt(new T(std::forward<Args>(args)...));
}

}  // namespace windows
