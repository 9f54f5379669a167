#pragma once
// An owning COM interface pointer: every reference the control takes is released by the
// destructor, including on early returns and exceptions.

#include <windows.h>
#include <unknwn.h>

#include <cstddef>
#include <utility>

namespace windows {

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  ComPtr(const ComPtr& other) : p_(other.p_) { addRef(); }
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  template <typename U>
  ComPtr(const ComPtr<U>& other) : p_(other.get()) { addRef(); }
  ~ComPtr() { reset(); }

  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }

  // Takes over a reference the caller already owns.
  static ComPtr adopt(T* p) noexcept {
    ComPtr result;
    result.p_ = p;
    return result;
  }
  // Takes a reference of its own.
  static ComPtr share(T* p) noexcept {
    ComPtr result;
    result.p_ = p;
    result.addRef();
    return result;
  }

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

  // For out-parameters: drops the current reference and hands out the slot.
  T** put() noexcept {
    reset();
    return &p_;
  }
  void** putVoid() noexcept { return reinterpret_cast<void**>(put()); }

  // Gives the reference to the caller (an out-parameter of a COM method).
  T* detach() noexcept { return std::exchange(p_, nullptr); }
  void reset() noexcept {
    if (T* old = std::exchange(p_, nullptr)) old->Release();
  }

  template <typename U>
  ComPtr<U> as() const noexcept {
    ComPtr<U> result;
    if (p_) p_->QueryInterface(__uuidof(U), result.putVoid());
    return result;
  }
  ComPtr<IUnknown> as(REFIID iid) const noexcept {
    ComPtr<IUnknown> result;
    if (p_) p_->QueryInterface(iid, result.putVoid());
    return result;
  }

  friend bool operator==(const ComPtr& a, const ComPtr& b) noexcept { return a.p_ == b.p_; }

 private:
  void addRef() noexcept {
    if (p_) p_->AddRef();
  }
  T* p_ = nullptr;
};

// Hands a new reference to a COM out-parameter, or null.
template <typename T, typename U>
HRESULT hand(U* object, T** out) noexcept {
  if (out == nullptr) return E_POINTER;
  *out = object;
  if (object) object->AddRef();
  return S_OK;
}

}  // namespace windows
