// The native host's request files: JSON with typed values, read into the argument list an
// automation host would pass, then handed to the entry point they name (against the
// recording engine double). A bad file is a RequestError and nothing else.

#include "control/entry_points.h"
#include "fuzz_values.h"
#include "host_request.h"
#include "platform/headless/headless_windows.h"
#include "support/recording_engine.h"
#include "support/test_doubles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  host::HostRequest request;
  std::vector<automation::Value> arguments;
  try {
    request = host::parseRequestJson(std::string(reinterpret_cast<const char*>(data), size));
    arguments = host::argumentList(request);
  } catch (const host::RequestError& error) {
    FUZZ_CHECK(*error.what() != '\0');
    return 0;
  }
  FUZZ_CHECK(arguments.size() == host::parameterNames(request.method).size());

  testing_support::RecordingEngineFactory engines;
  headless::VirtualClock clock;
  headless::HeadlessRequestWindows windows(engines, clock);
  testing_support::RecordingSink diagnostics;
  control::LabelRequest state;
  control::PrintEntryPoints control(state, windows, diagnostics);
  const bool printed = request.method == host::Method::PrintLabels ? control.PrintLabels(arguments)
                                                                   : control.PrintGENERICLabels(arguments);
  FUZZ_CHECK(printed == state.PrintSucceeded);
  return 0;
}
