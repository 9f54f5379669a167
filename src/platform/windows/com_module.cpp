#include "platform/windows/com_module.h"

#include <vector>

namespace windows {

namespace {
const char kModuleMarker = 0;  // an address inside this module
}  // namespace

ComModule& ComModule::instance() {
  static ComModule module;
  return module;
}

HMODULE ComModule::handle() const noexcept {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&kModuleMarker), &module);
  return module;
}

std::wstring ComModule::path() const {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(handle(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace windows
