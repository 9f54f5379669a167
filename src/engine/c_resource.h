#pragma once
// An object of a C library (or a Windows handle) owned by a std::unique_ptr and freed by the
// library's own function:  using Symbol = CResource<zint_symbol, ZBarcode_Delete>;

#include <memory>

namespace engine {

template <auto Free>
struct FreeWith {
  template <typename T>
  void operator()(T* pointer) const noexcept {
    Free(pointer);
  }
};

template <typename T, auto Free>
using CResource = std::unique_ptr<T, FreeWith<Free>>;

}  // namespace engine
