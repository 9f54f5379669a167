// The GENERIC line markup ("TXT^text", "TXTBOLD^text", "BCD^data"): up to five lines from
// the fuzzer's bytes, one line a row, parsed one by one onto the virtual engine and then
// printed through the GENERIC layout.

#include "checking_sink.h"
#include "control/diagnostics.h"
#include "control/label_request.h"
#include "engine/engine.h"
#include "printing/engine_calls.h"
#include "printing/layouts.h"

namespace {

using automation::AutomationError;
using fuzzing::Value;

double objectCount(automation::Object& engine) {
  return printing::numberOf(printing::getObject(*printing::printObjectOf(engine), u"Objects")->get(u"Count"));
}

bool isMarkupToken(std::u16string_view token) { return token == u"TXT" || token == u"TXTBOLD" || token == u"BCD"; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string text = automation::fromUtf8({reinterpret_cast<const char*>(data), size});
  control::LabelRequest request;
  request.PrinterName = Value::string(u"LabelWriter");
  request.LabelCopies = Value::i2(1);
  for (int number = 1; number <= 5; ++number) request.line(number) = Value::string(u"");
  std::size_t start = 0;
  for (int number = 1; number <= 5 && start <= text.size(); ++number) {
    const std::size_t end = std::min(text.find(u'\n', start), text.size());
    request.line(number) = Value::string(text.substr(start, end - start));
    start = end + 1;
  }

  auto sink = std::make_shared<fuzzing::CheckingSink>();
  engine::EngineFactory engines(sink);
  const auto engine = engines.create(engine::kProgId);
  Value top = Value::i2(18);
  for (int number = 1; number <= 5; ++number) {
    const Value& line = request.line(number);
    const std::u16string& marked = line.asString();
    const auto separator = marked.find(u'^');
    const double before = objectCount(*engine);
    try {
      printing::ParseGenericLine(*engine, Value::string(u"Line"), line, top);
      // A line adds an object exactly when it carries one of the three tokens.
      const bool adds = separator != std::u16string::npos && isMarkupToken(std::u16string_view(marked).substr(0, separator));
      FUZZ_CHECK(objectCount(*engine) == before + (adds ? 1 : 0));
    } catch (const AutomationError&) {
      FUZZ_CHECK(separator == std::u16string::npos && !marked.empty());  // the only refusal
    }
  }

  control::Diagnostics quiet;
  control::PrintCall call{request, quiet};
  request.PrintSucceeded = true;
  printing::PrintGENERICLabels({engines, call});
  FUZZ_CHECK(request.PrintSucceeded == (sink->printed == 1));
  return 0;
}
