// The native host's request files: JSON with typed values, read into the argument list an
// automation host would pass, then handed to the entry point they name (against the
// recording engine double). A bad file is a RequestError and nothing else.

#include "fuzz_values.h"
#include "platform/headless/headless_control.h"
#include "requests/host_request.h"
#include "support/recording_engine.h"

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
  FUZZ_CHECK(arguments.size() == control::parameterNames(request.method).size());

  testing_support::RecordingEngineFactory engines;
  control::LabelRequest state;
  headless::HeadlessControl headlessControl(state, engines);
  const bool printed = headlessControl.print(request.method, arguments);
  FUZZ_CHECK(printed == state.PrintSucceeded);
  return 0;
}
