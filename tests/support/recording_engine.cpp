#include "support/recording_engine.h"

#include <algorithm>

#include "automation/text.h"

namespace testing_support {

using automation::Argument;
using automation::AutomationError;
using automation::Object;
using automation::Value;
using automation::VarType;

struct RecordingEngineFactory::State {
  RecordingEngineFactory* owner;
  std::map<std::u16string, int> seen;
  std::u16string stock;
  int nextHandle = 1;
  std::map<std::int64_t, std::u16string> handles;

  void record(std::string entry) { owner->journal.push_back(std::move(entry)); }
  void maybeFail(std::u16string_view member) {
    const int occurrence = ++seen[std::u16string(member)];
    const auto failure = owner->script.failures.find(std::u16string(member));
    if (failure != owner->script.failures.end() && failure->second == occurrence)
      throw AutomationError(-2147220991, u"engine refused " + std::u16string(member));
  }
};

namespace {

std::string utf8(std::u16string_view s) { return automation::toUtf8(s); }

const Argument& argument(std::span<const Argument> args, std::size_t index) {
  if (index >= args.size()) throw AutomationError(450, u"Wrong number of arguments");
  return args[index];
}

// One handed-out reference; the kinds the layouts hold journal their release.
class Proxy : public Object {
 public:
  Proxy(std::shared_ptr<RecordingEngineFactory::State> state, std::string kind, std::u16string name,
        bool journalRelease)
      : state_(std::move(state)), kind_(std::move(kind)), name_(std::move(name)), journalRelease_(journalRelease) {}
  ~Proxy() override {
    if (journalRelease_) state_->record("release " + label());
  }

  std::string label() const { return name_.empty() ? kind_ : kind_ + ":" + utf8(name_); }
  const std::u16string& name() const { return name_; }

  Value get(std::u16string_view member, std::span<const Argument> args) override {
    state_->record(label() + " get " + utf8(member) + argumentList(args));
    state_->maybeFail(member);
    return answer(member, args);
  }
  void put(std::u16string_view member, const Argument& value) override {
    state_->record(label() + " put " + utf8(member) + " = " + describeArgument(value));
    state_->maybeFail(member);
  }
  Value call(std::u16string_view member, std::span<const Argument> args) override {
    state_->record(label() + " call " + utf8(member) + argumentList(args));
    state_->maybeFail(member);
    return perform(member, args);
  }

 private:
  static std::string argumentList(std::span<const Argument> args) {
    std::string list = "(";
    for (std::size_t i = 0; i < args.size(); ++i) list += (i ? ", " : "") + describeArgument(args[i]);
    return list + ")";
  }
  Value make(std::string kind, std::u16string name, bool journalRelease) {
    return Value::object(std::make_shared<Proxy>(state_, std::move(kind), std::move(name), journalRelease));
  }
  auto& objects() { return state_->owner->labelObjects; }

  Value answer(std::u16string_view member, std::span<const Argument> args) {
    if (kind_ == "engine" && member == u"PrintObject") return make("PrintObject", {}, false);
    if (kind_ == "engine" && member == u"LabelInfo") {
      if (state_->owner->script.labelInfoRaises) throw AutomationError(-2147220990, u"no label information");
      return make("LabelInfo", {}, false);
    }
    if (kind_ == "LabelInfo" && member == u"LabelName") return Value::string(state_->stock);
    if (kind_ == "PrintObject" && member == u"Objects") return make("Objects", {}, false);
    if (kind_ == "Objects" && member == u"Count") return Value::i4(static_cast<std::int32_t>(objects().size()));
    if (kind_ == "Objects" && member == u"Item") {
      const auto index = static_cast<std::size_t>(argument(args, 0).value().asSigned());
      return make("item", objects().at(index - 1), false);
    }
    if (kind_ == "PrintObject" && member == u"LabelObject") {
      const auto handle = argument(args, 0).value().asSigned();
      return make("object", state_->handles.at(handle), true);
    }
    if (kind_ == "object" && member == u"TextAttributes") return make("attributes", name_, true);
    throw AutomationError(438, u"unknown member " + std::u16string(member));
  }

  Value perform(std::u16string_view member, std::span<const Argument> args) {
    if (kind_ == "engine" && member == u"NewLabel") {
      const auto& stock = argument(args, 0).value().asString();
      if (state_->owner->script.knownStocks.count(stock)) state_->stock = stock;
      return {};
    }
    if (kind_ == "PrintObject" && member == u"Delete") {
      const auto* item = dynamic_cast<Proxy*>(argument(args, 0).value().asObject().get());
      auto& list = objects();
      list.erase(std::find(list.begin(), list.end(), item->name()));
      return {};
    }
    if (kind_ == "PrintObject" && member == u"AddObject") {
      const auto handle = state_->nextHandle++;
      state_->handles[handle] = automation::textOf(argument(args, 1).value());
      objects().push_back(automation::textOf(argument(args, 1).value()));
      return Value::i4(handle);
    }
    if (kind_ == "engine" && member == u"PrintLabel") return {};
    throw AutomationError(438, u"unknown member " + std::u16string(member));
  }

  std::shared_ptr<RecordingEngineFactory::State> state_;
  std::string kind_;
  std::u16string name_;
  bool journalRelease_;
};

}  // namespace

std::string describeValue(const Value& value) {
  const std::string type = automation::varTypeName(value.type());
  if (value.isObject()) {
    const auto* proxy = dynamic_cast<const Proxy*>(value.asObject().get());
    return type + ":" + (proxy ? proxy->label() : "object");
  }
  if (value.isString()) return type + ":\"" + utf8(value.asString()) + "\"";
  if (value.isEmpty() || value.isNull()) return type;
  const auto text = automation::tryTextOf(value);
  return type + ":" + (text ? utf8(*text) : "?");
}

std::string describeArgument(const Argument& argument) {
  switch (argument.passing()) {
    case Argument::Passing::ByValue: return describeValue(argument.value());
    case Argument::Passing::ByReference: return "VT_BYREF|VT_VARIANT:" + describeValue(argument.value());
    case Argument::Passing::ByTypedReference: return "VT_BYREF|" + describeValue(argument.value());
  }
  return "?";
}

RecordingEngineFactory::RecordingEngineFactory(EngineScript s) : script(std::move(s)) {}

std::shared_ptr<Object> RecordingEngineFactory::create(std::u16string_view progId) {
  journal.push_back("create " + utf8(progId));
  if (script.failCreation) throw AutomationError::cannotCreateObject();
  state_ = std::make_shared<State>();
  state_->owner = this;
  state_->stock = script.startingStock;
  labelObjects.clear();
  for (int i = 1; i <= script.objectsAlreadyOnLabel; ++i)
    labelObjects.push_back(u"old" + automation::fromUtf8(std::to_string(i)));
  return std::make_shared<Proxy>(state_, "engine", std::u16string{}, true);
}

}  // namespace testing_support
