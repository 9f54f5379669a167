#include "platform/windows/service/engine_printer.h"

#include <fstream>
#include <nlohmann/json.hpp>

#include "automation/text.h"
#include "platform/headless/headless_control.h"
#include "platform/windows/com_object_factory.h"
#include "platform/windows/service/apartment_thread.h"
#include "printing/engine_calls.h"

namespace windows::service {

namespace {

using automation::Argument;
using automation::Object;
using automation::Value;

constexpr headless::ControlOptions kServiceControl{headless::Diagnostics::Collected,
                                                   headless::SettingsDialogs::ClosedAsConfirmed};

bool sameMember(std::u16string_view a, std::u16string_view b) {
  const auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char16_t x, char16_t y) {
           return fold(x) == fold(y);
         });
}

// What one call's engines did: whether one could not be made, and the records they named.
struct CallRecord {
  std::optional<std::string> creationFailure;
  std::vector<std::u16string> records;
};

// The engine as the layouts see it, passed through untouched, noting what PrintLabel answers.
class ObservedEngine final : public Object {
 public:
  ObservedEngine(std::shared_ptr<Object> engine, CallRecord& record) : engine_(std::move(engine)), record_(record) {}

  Value get(std::u16string_view member, std::span<const Argument> args) override { return engine_->get(member, args); }
  void put(std::u16string_view member, const Argument& value) override { engine_->put(member, value); }
  Value call(std::u16string_view member, std::span<const Argument> args) override {
    Value result = engine_->call(member, args);
    if (sameMember(member, u"PrintLabel") && result.isString() && !result.asString().empty())
      record_.records.push_back(result.asString());
    return result;
  }
  Value defaultValue() override { return engine_->defaultValue(); }

 private:
  std::shared_ptr<Object> engine_;
  CallRecord& record_;
};

// The control's engine factory, observed.
class ObservedEngines final : public automation::ObjectFactory {
 public:
  explicit ObservedEngines(CallRecord& record) : record_(record) {}

  std::shared_ptr<Object> create(std::u16string_view progId) override {
    try {
      return std::make_shared<ObservedEngine>(engines_.create(progId), record_);
    } catch (const ObjectCreationError& failure) {
      if (!record_.creationFailure) record_.creationFailure = failure.reason();
      throw;
    } catch (const automation::AutomationError& failure) {
      if (!record_.creationFailure) record_.creationFailure = automation::toUtf8(failure.description());
      throw;
    }
  }

 private:
  ComObjectFactory engines_;
  CallRecord& record_;
};

// A record the engine named, as a printed label: the description, its picture when there is
// one, and the printer and job the description names.
engine::PrintedLabel printedLabel(const std::filesystem::path& folder, const std::u16string& name) {
  engine::PrintedLabel label;
  label.description = folder / std::filesystem::path(std::wstring(name.begin(), name.end())).filename();
  std::filesystem::path picture = label.description;
  picture.replace_extension(".png");
  std::error_code ignored;
  if (std::filesystem::exists(picture, ignored)) label.image = picture;
  std::ifstream in(label.description, std::ios::binary);
  const auto description = nlohmann::json::parse(in, nullptr, false);
  if (description.is_object()) {
    if (const auto job = description.find("job"); job != description.end() && job->is_number_integer())
      label.job = job->get<int>();
    if (const auto where = description.find("destination"); where != description.end() && where->is_string())
      label.destination = where->get<std::string>();
  }
  return label;
}

}  // namespace

EnginePrinter::EnginePrinter(std::filesystem::path folder)
    : folder_(std::move(folder)), apartment_(std::make_unique<ApartmentThread>()) {}

EnginePrinter::~EnginePrinter() = default;

::service::Printed EnginePrinter::print(control::LabelRequest& request, control::PrintMethod method,
                                        std::span<const automation::Value> arguments, const ::service::Rehearsal&) {
  return apartment_->run([&] {
    CallRecord record;
    ObservedEngines engines(record);
    ::service::Printed printed;
    {
      headless::HeadlessControl control(request, engines, kServiceControl);
      printed.result = control.print(method, arguments);
      printed.diagnostics = control.diagnostics();
    }
    if (record.creationFailure) {
      printed.engineUnavailable = "the label engine \"" + automation::toUtf8(printing::kEngineProgId) +
                                  "\" cannot be created: " + *record.creationFailure +
                                  ". Install the label printer's software or Vantory's built-in label engine.";
      return printed;
    }
    for (const auto& name : record.records) printed.labels.push_back(printedLabel(folder_, name));
    return printed;
  });
}

}  // namespace windows::service
