#include "hosting/object_safety.h"

#include <string>

namespace hosting {

OptionClass classifyInterface(std::u16string_view identifierText) {
  std::u16string upper(identifierText);
  for (auto& c : upper)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  if (upper == kIDispatchText) return OptionClass::Scripting;
  if (upper == kIPersistStorageText || upper == kIPersistStreamText || upper == kIPersistPropertyBagText)
    return OptionClass::Initialisation;
  return OptionClass::Other;
}

SafetyOptions GetInterfaceSafetyOptions(std::optional<std::u16string_view> interfaceText, SafetyFlags flags) {
  SafetyOptions answer;
  if (!interfaceText) return answer;
  switch (classifyInterface(*interfaceText)) {
    case OptionClass::Scripting:
      answer.enabled = flags.ScriptSafeFlag ? kForUntrustedCaller : 0;
      break;
    case OptionClass::Initialisation:
      answer.enabled = flags.DataSafeFlag ? kForUntrustedData : 0;
      break;
    case OptionClass::Other:
      answer.result = kResultNoInterface;
      break;
  }
  return answer;
}

std::int32_t SetInterfaceSafetyOptions(std::optional<std::u16string_view> interfaceText,
                                       std::uint32_t dwOptionsSetMask, std::uint32_t dwEnabledOptions,
                                       SafetyFlags flags) {
  if (!interfaceText) return kResultOk;
  // Only the one matching option, exactly, may be asked for; it is granted only when the
  // flag already says so (nothing is ever stored).
  const std::uint32_t asked = dwOptionsSetMask & dwEnabledOptions;
  switch (classifyInterface(*interfaceText)) {
    case OptionClass::Scripting:
      if (asked != kForUntrustedCaller) return kResultFail;
      return flags.ScriptSafeFlag ? kResultOk : kResultFail;
    case OptionClass::Initialisation:
      if (asked != kForUntrustedData) return kResultFail;
      return flags.DataSafeFlag ? kResultOk : kResultFail;
    case OptionClass::Other:
      break;
  }
  return kResultNoInterface;
}

}  // namespace hosting
