// Both print entry points with random argument vectors (any length, values of every kind)
// against the recording engine double, which fails where the fuzzer says. Settings dialogs
// close as confirmed, or are played from the fuzzer's bytes as typed input. Neither entry
// point may throw, write into its arguments, or report a print that did not happen.

#include <algorithm>
#include <sstream>

#include "fuzz_values.h"
#include "platform/headless/headless_control.h"
#include "platform/headless/terminal_dialogs.h"
#include "support/recording_engine.h"

namespace {

using fuzzing::Value;

const std::array<std::u16string, 8> kMembers{u"PrintObject", u"Objects",   u"Count",    u"Item",
                                              u"Delete",      u"AddObject", u"LabelInfo", u"PrintLabel"};

testing_support::EngineScript script(FuzzedDataProvider& in) {
  testing_support::EngineScript script;
  if (in.ConsumeBool()) script.startingStock = fuzzing::makeText(in, 24);
  script.objectsAlreadyOnLabel = in.ConsumeIntegralInRange(0, 3);
  script.failCreation = in.ConsumeIntegralInRange(0, 15) == 0;
  script.labelInfoRaises = in.ConsumeIntegralInRange(0, 15) == 0;
  if (in.ConsumeIntegralInRange(0, 3) == 0)
    script.failures[kMembers[in.ConsumeIntegralInRange<std::size_t>(0, kMembers.size() - 1)]] =
        in.ConsumeIntegralInRange(1, 8);
  return script;
}

std::vector<Value> argumentVector(FuzzedDataProvider& in, std::size_t expected) {
  std::size_t count = expected;
  if (in.ConsumeIntegralInRange(0, 15) == 0) count = in.ConsumeIntegralInRange<std::size_t>(0, 30);
  std::vector<Value> arguments;
  for (std::size_t i = 0; i < count; ++i) arguments.push_back(fuzzing::makeValue(in));
  return arguments;
}

bool sameArguments(const std::vector<Value>& a, const std::vector<Value>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const Value& x, const Value& y) { return x.identical(y); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  testing_support::RecordingEngineFactory engines(script(in));
  std::istringstream typed;
  std::ostringstream shown;
  const bool interactive = in.ConsumeIntegralInRange(0, 3) == 0;
  control::LabelRequest request;  // one request for both calls, as in the control's process
  headless::HeadlessControl headlessControl(request, engines, {headless::Diagnostics::Collected});

  for (int call = 0; call < 2 && in.remaining_bytes() > 0; ++call) {
    const bool generic = in.ConsumeBool();
    const auto arguments = argumentVector(in, generic ? control::kPrintGenericLabelsParameters.size()
                                                      : control::kPrintLabelsParameters.size());
    if (interactive) typed.str(in.ConsumeRandomLengthString(256));
    typed.clear();
    headless::useTerminalDialogs(headlessControl.windows(), typed, shown, interactive);
    const auto given = arguments;
    engines.journal.clear();

    const bool printed =
        headlessControl.print(generic ? control::PrintMethod::PrintGENERICLabels : control::PrintMethod::PrintLabels, arguments);

    FUZZ_CHECK(sameArguments(arguments, given));
    FUZZ_CHECK(printed == request.PrintSucceeded);
    if (printed)
      FUZZ_CHECK(std::any_of(engines.journal.begin(), engines.journal.end(),
                             [](const std::string& entry) { return entry.starts_with("engine call PrintLabel("); }));
  }
  return 0;
}
