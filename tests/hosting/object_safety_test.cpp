#include "hosting/object_safety.h"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>

namespace {

using hosting::GetInterfaceSafetyOptions;
using hosting::OptionClass;
using hosting::SafetyFlags;
using hosting::SetInterfaceSafetyOptions;

constexpr std::int32_t kOk = hosting::kResultOk;
constexpr std::int32_t kNoInterface = hosting::kResultNoInterface;
constexpr std::int32_t kFail = hosting::kResultFail;
constexpr std::u16string_view kIUnknownText = u"{00000000-0000-0000-C000-000000000046}";

TEST(ObjectSafetyTest, ClassifiesTheFourInterfacesWhateverTheLetterCase) {
  struct Case {
    std::u16string_view text;
    OptionClass expected;
  };
  const Case cases[] = {
      {hosting::kIDispatchText, OptionClass::Scripting},
      {u"{00020400-0000-0000-c000-000000000046}", OptionClass::Scripting},
      {hosting::kIPersistStorageText, OptionClass::Initialisation},
      {u"{0000010a-0000-0000-c000-000000000046}", OptionClass::Initialisation},
      {hosting::kIPersistStreamText, OptionClass::Initialisation},
      {hosting::kIPersistPropertyBagText, OptionClass::Initialisation},
      {u"{37d84f60-42cb-11ce-8135-00aa004bb851}", OptionClass::Initialisation},
      {kIUnknownText, OptionClass::Other},
      // IPersistStreamInit is not one of the three.
      {u"{7FD52380-4E07-101B-AE2D-08002B2EC713}", OptionClass::Other},
      // Compared exactly: no trimming, no missing braces.
      {u"00020400-0000-0000-C000-000000000046", OptionClass::Other},
      {u"{00020400-0000-0000-C000-000000000046} ", OptionClass::Other},
      {u"", OptionClass::Other},
  };
  for (const auto& c : cases) EXPECT_EQ(hosting::classifyInterface(c.text), c.expected);
}

struct GetCase {
  const char* name;
  std::optional<std::u16string_view> riid;
  SafetyFlags flags;
  std::int32_t result;
  std::optional<std::uint32_t> enabled;
};

TEST(ObjectSafetyTest, GetAlwaysReportsBothOptionsSupportedAndEnablesOnlyByTheFlags) {
  const GetCase cases[] = {
      {"null riid", std::nullopt, {}, kOk, std::nullopt},
      {"null riid, flags set", std::nullopt, {true, true}, kOk, std::nullopt},
      {"IDispatch", hosting::kIDispatchText, {}, kOk, 0u},
      {"IDispatch, script safe", hosting::kIDispatchText, {true, false}, kOk, 1u},
      {"IDispatch, only data safe", hosting::kIDispatchText, {false, true}, kOk, 0u},
      {"IPersistStorage", hosting::kIPersistStorageText, {}, kOk, 0u},
      {"IPersistStream", hosting::kIPersistStreamText, {}, kOk, 0u},
      {"IPersistPropertyBag, data safe", hosting::kIPersistPropertyBagText, {false, true}, kOk, 2u},
      {"IPersistStream, only script safe", hosting::kIPersistStreamText, {true, false}, kOk, 0u},
      {"IUnknown", kIUnknownText, {}, kNoInterface, std::nullopt},
      {"IUnknown, flags set", kIUnknownText, {true, true}, kNoInterface, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto answer = GetInterfaceSafetyOptions(c.riid, c.flags);
    EXPECT_EQ(answer.result, c.result);
    EXPECT_EQ(answer.supported, 3u);
    EXPECT_EQ(answer.enabled, c.enabled);
  }
}

struct SetCase {
  const char* name;
  std::optional<std::u16string_view> riid;
  std::uint32_t mask;
  std::uint32_t enabled;
  SafetyFlags flags;
  std::int32_t result;
};

TEST(ObjectSafetyTest, SetGrantsOnlyTheExactOptionAndOnlyWhenTheFlagAlreadyHoldsIt) {
  const SetCase cases[] = {
      {"null riid", std::nullopt, 3, 3, {}, kOk},
      {"IDispatch caller option, flag off", hosting::kIDispatchText, 1, 1, {}, kFail},
      {"IDispatch caller option, flag on", hosting::kIDispatchText, 1, 1, {true, false}, kOk},
      {"IDispatch mask 3 enabled 3 is not exactly 1", hosting::kIDispatchText, 3, 3, {true, true}, kFail},
      {"IDispatch mask 3 enabled 1 ands to 1", hosting::kIDispatchText, 3, 1, {true, false}, kOk},
      {"IDispatch data option", hosting::kIDispatchText, 2, 2, {true, true}, kFail},
      {"IDispatch nothing asked", hosting::kIDispatchText, 0, 0, {true, true}, kFail},
      {"IPersistStream mask 2 enabled 0", hosting::kIPersistStreamText, 2, 0, {false, true}, kFail},
      {"IPersistStream data option, flag off", hosting::kIPersistStreamText, 2, 2, {}, kFail},
      {"IPersistStorage data option, flag on", hosting::kIPersistStorageText, 2, 2, {false, true}, kOk},
      {"IPersistPropertyBag both options", hosting::kIPersistPropertyBagText, 3, 3, {true, true}, kFail},
      {"IPersistPropertyBag data option, only script flag", hosting::kIPersistPropertyBagText, 2, 2, {true, false}, kFail},
      {"IUnknown", kIUnknownText, 1, 1, {true, true}, kNoInterface},
      {"IUnknown nothing asked", kIUnknownText, 0, 0, {}, kNoInterface},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SetInterfaceSafetyOptions(c.riid, c.mask, c.enabled, c.flags), c.result);
  }
}

TEST(ObjectSafetyTest, TheProcessFlagsAreBothFalse) {
  EXPECT_FALSE(hosting::kSafetyFlags.ScriptSafeFlag);
  EXPECT_FALSE(hosting::kSafetyFlags.DataSafeFlag);
  // So every Set for a known interface fails, whatever is asked.
  for (std::uint32_t mask = 0; mask < 4; ++mask)
    for (std::uint32_t enabled = 0; enabled < 4; ++enabled) {
      EXPECT_EQ(SetInterfaceSafetyOptions(hosting::kIDispatchText, mask, enabled), kFail);
      EXPECT_EQ(SetInterfaceSafetyOptions(hosting::kIPersistStreamText, mask, enabled), kFail);
    }
}

}  // namespace
