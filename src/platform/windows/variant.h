#pragma once
// An owning VARIANT: cleared on destruction, deep-copied on copy.

#include <windows.h>
#include <oleauto.h>

#include <new>
#include <utility>

namespace windows {

class Variant {
 public:
  Variant() noexcept { VariantInit(&v_); }
  Variant(const Variant& other) : Variant() { copyFrom(other.v_); }
  Variant(Variant&& other) noexcept : v_(other.v_) { VariantInit(&other.v_); }
  Variant& operator=(Variant other) noexcept {
    std::swap(v_, other.v_);
    return *this;
  }
  ~Variant() { VariantClear(&v_); }

  // Replaces the value with a deep copy of `source` (by-reference values dereferenced when
  // asked); on failure the value is kept and the error returned.
  HRESULT assign(const VARIANT& source, bool dereference) noexcept {
    // oleaut32 follows a reference without looking: one to nowhere is refused here.
    if (dereference && (V_VT(&source) & VT_BYREF) && V_BYREF(&source) == nullptr) return E_INVALIDARG;
    Variant copy;
    // The copy functions take the source as non-const but only read it.
    auto* from = const_cast<VARIANT*>(&source);
    const HRESULT hr = dereference ? VariantCopyInd(&copy.v_, from) : VariantCopy(&copy.v_, from);
    if (SUCCEEDED(hr)) std::swap(v_, copy.v_);
    return hr;
  }
  // Takes over a VARIANT the caller owns; `source` is left VT_EMPTY.
  static Variant adopt(VARIANT& source) noexcept {
    Variant result;
    result.v_ = source;
    VariantInit(&source);
    return result;
  }

  const VARIANT& get() const noexcept { return v_; }
  VARIANT& raw() noexcept { return v_; }
  VARIANT* put() noexcept {
    VariantClear(&v_);
    return &v_;
  }
  VARTYPE type() const noexcept { return V_VT(&v_); }
  // Moves the value into a caller's out-parameter.
  void detachTo(VARIANT* out) noexcept {
    *out = v_;
    VariantInit(&v_);
  }

 private:
  void copyFrom(const VARIANT& source) {
    if (FAILED(VariantCopy(&v_, const_cast<VARIANT*>(&source)))) throw std::bad_alloc();
  }

  VARIANT v_;
};

}  // namespace windows
