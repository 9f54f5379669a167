#pragma once
// The virtual label engine: an automation object answering, by member name, the object
// model of the vendor's "Dymo.LabelEngine", and handing every printed label to a PrintSink.
// README.md beside this file gives the meaning of every member and value.

#include <memory>
#include <string_view>
#include <vector>

#include "automation/value.h"
#include "engine/label.h"
#include "engine/print_sink.h"

namespace engine {

inline constexpr std::u16string_view kProgId = u"Dymo.LabelEngine";

struct EngineOptions {
  // The stocks NewLabel accepts; the engine starts on the first.
  std::vector<LabelStock> stocks = builtInStocks();
};

// A fresh engine holding an empty label. Throws std::invalid_argument without a sink or
// without stocks.
std::shared_ptr<automation::Object> createEngine(std::shared_ptr<PrintSink> sink, EngineOptions options = {});

// The members an object handed out by an engine answers (for an IDispatch adapter that
// must hand out DISPIDs before the call); empty for any other object.
std::vector<std::u16string_view> memberNames(const automation::Object& object);

// Creates a fresh engine for the ProgID "Dymo.LabelEngine" (in any letter case) and
// refuses every other ProgID with AutomationError 429. All its engines share one sink.
class EngineFactory : public automation::ObjectFactory {
 public:
  explicit EngineFactory(std::shared_ptr<PrintSink> sink, EngineOptions options = {});
  std::shared_ptr<automation::Object> create(std::u16string_view progId) override;

 private:
  std::shared_ptr<PrintSink> sink_;
  EngineOptions options_;
};

}  // namespace engine
