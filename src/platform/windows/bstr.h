#pragma once
// An owning BSTR, and the conversions between the automation strings (UTF-16, may hold
// NUL characters) and the Windows wide strings.

#include <windows.h>
#include <oleauto.h>

#include <new>
#include <string>
#include <string_view>
#include <utility>

namespace windows {

// char16_t and wchar_t are both UTF-16 code units here; copied, never reinterpreted.
inline std::wstring toWide(std::u16string_view text) { return {text.begin(), text.end()}; }
inline std::u16string toU16(std::wstring_view text) { return {text.begin(), text.end()}; }

class Bstr {
 public:
  Bstr() = default;
  // Allocates a copy of `text`, embedded NULs included; throws std::bad_alloc when out of memory.
  explicit Bstr(std::wstring_view text) : Bstr(allocate(text.data(), text.size())) {}
  explicit Bstr(std::u16string_view text) : Bstr(toWide(text)) {}
  Bstr(const Bstr& other) : Bstr(other.view()) {}
  Bstr(Bstr&& other) noexcept : b_(std::exchange(other.b_, nullptr)) {}
  Bstr& operator=(Bstr other) noexcept {
    std::swap(b_, other.b_);
    return *this;
  }
  ~Bstr() { SysFreeString(b_); }

  static Bstr adopt(BSTR b) noexcept {
    Bstr result;
    result.b_ = b;
    return result;
  }

  BSTR get() const noexcept { return b_; }
  BSTR* put() noexcept {
    SysFreeString(std::exchange(b_, nullptr));
    return &b_;
  }
  BSTR detach() noexcept { return std::exchange(b_, nullptr); }
  UINT length() const noexcept { return SysStringLen(b_); }
  std::wstring_view view() const noexcept { return b_ ? std::wstring_view(b_, length()) : std::wstring_view(); }
  std::u16string text() const { return toU16(view()); }

 private:
  explicit Bstr(BSTR b) noexcept : b_(b) {}
  static BSTR allocate(const wchar_t* data, std::size_t length) {
    if (length > 0x7FFFFFF0u) throw std::bad_alloc();
    BSTR b = SysAllocStringLen(data, static_cast<UINT>(length));
    if (b == nullptr) throw std::bad_alloc();
    return b;
  }
  BSTR b_ = nullptr;
};

// The text of a BSTR someone else owns (a NULL BSTR is the empty string).
inline std::u16string textOf(BSTR b) { return b ? toU16(std::wstring_view(b, SysStringLen(b))) : std::u16string(); }

}  // namespace windows
