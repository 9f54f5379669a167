#pragma once
// The IObjectSafety answers of the print window object, as a pure function of the
// interface identifier's text, the option sets and the two safety flags, so they can be
// checked without the platform. The COM side only turns the riid into its text.

#include <cstdint>
#include <optional>
#include <string_view>

namespace hosting {

// Option bits (the published names are macros on Windows, hence these names).
inline constexpr std::uint32_t kForUntrustedCaller = 1;  // INTERFACESAFE_FOR_UNTRUSTED_CALLER
inline constexpr std::uint32_t kForUntrustedData = 2;    // INTERFACESAFE_FOR_UNTRUSTED_DATA
inline constexpr std::uint32_t kSupportedOptions = kForUntrustedCaller | kForUntrustedData;

// HRESULTs (S_OK, E_NOINTERFACE, E_FAIL), named apart from the Windows macros.
inline constexpr std::int32_t kResultOk = 0;
inline constexpr std::int32_t kResultNoInterface = static_cast<std::int32_t>(0x80004002);
inline constexpr std::int32_t kResultFail = static_cast<std::int32_t>(0x80004005);

// The interfaces asked about, in registry text form (braces, upper-case hexadecimal).
inline constexpr std::u16string_view kIDispatchText = u"{00020400-0000-0000-C000-000000000046}";
inline constexpr std::u16string_view kIPersistStorageText = u"{0000010A-0000-0000-C000-000000000046}";
inline constexpr std::u16string_view kIPersistStreamText = u"{00000109-0000-0000-C000-000000000046}";
inline constexpr std::u16string_view kIPersistPropertyBagText = u"{37D84F60-42CB-11CE-8135-00AA004BB851}";

// basSafeCtl's flags. Nothing sets them, so they are constants; the functions take them as
// parameters so both answers stay testable.
struct SafetyFlags {
  bool ScriptSafeFlag = false;
  bool DataSafeFlag = false;
};
inline constexpr SafetyFlags kSafetyFlags{};

enum class OptionClass { Scripting, Initialisation, Other };

// The class of an identifier's text, compared after upper-casing it.
OptionClass classifyInterface(std::u16string_view identifierText);

struct SafetyOptions {
  std::int32_t result = kResultOk;
  std::uint32_t supported = kSupportedOptions;  // always written
  std::optional<std::uint32_t> enabled;        // written only when present
};

// `interfaceText` is empty (nullopt) for a null riid.
SafetyOptions GetInterfaceSafetyOptions(std::optional<std::u16string_view> interfaceText,
                                        SafetyFlags flags = kSafetyFlags);
std::int32_t SetInterfaceSafetyOptions(std::optional<std::u16string_view> interfaceText,
                                       std::uint32_t dwOptionsSetMask, std::uint32_t dwEnabledOptions,
                                       SafetyFlags flags = kSafetyFlags);

}  // namespace hosting
