#include "engine/engine.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>

#include "automation/text.h"
#include "engine/arguments.h"
#include "engine/barcode_data.h"

namespace engine {

namespace {

using automation::Argument;
using automation::Value;
using Args = std::span<const Argument>;

struct Member {
  std::u16string_view name;
  bool writable;
};

bool sameName(std::u16string_view a, std::u16string_view b) {
  // Member names are ASCII; IDispatch matches them without regard to case.
  const auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char16_t x, char16_t y) {
           return fold(x) == fold(y);
         });
}

std::string utf8(std::u16string_view text) { return automation::toUtf8(text); }

// Member lookup by name shared by every engine object. A property read and a method call
// are the same to it, as late-bound Basic mixes the two.
class Dispatcher : public automation::Object {
 public:
  Value get(std::u16string_view member, Args args) final { return read(lookup(member, false), args); }
  Value call(std::u16string_view member, Args args) final { return read(lookup(member, false), args); }
  void put(std::u16string_view member, const Argument& value) final { write(lookup(member, true), value.value()); }

  virtual std::span<const Member> members() const = 0;

 protected:
  virtual std::string_view typeName() const = 0;
  virtual Value read(std::size_t member, Args args) = 0;
  virtual void write(std::size_t /*member*/, const Value& /*value*/) {}

  Place place(std::size_t member, int position = 0, std::string_view name = {}) const {
    memberName_ = utf8(members()[member].name);
    return {memberName_, position, name};
  }

 private:
  std::size_t lookup(std::u16string_view name, bool forPut) const {
    const auto list = members();
    for (std::size_t i = 0; i < list.size(); ++i) {
      if (!sameName(list[i].name, name)) continue;
      if (forPut && !list[i].writable)
        raise(error::kUnknownMember, utf8(list[i].name) + " of the " + std::string(typeName()) + " cannot be assigned");
      return i;
    }
    raise(error::kUnknownMember,
          "the " + std::string(typeName()) + " has no member '" + automation::abbreviated(utf8(name)) + "'");
  }

  mutable std::string memberName_;  // backs the Place of the call in progress
};

class LabelItem : public Dispatcher, public std::enable_shared_from_this<LabelItem> {
 public:
  LabelItem(std::int32_t handle, LabelObject data) : data_(std::move(data)), handle_(handle) {}

  std::int32_t handle() const noexcept { return handle_; }
  const LabelObject& data() const noexcept { return data_; }
  void detach() noexcept { onLabel_ = false; }

  void requireOnLabel() const {
    if (!onLabel_) raise(error::kInvalidArgument,
            "the object \"" + automation::abbreviated(data_.name) + "\" is no longer on the label");
  }

 protected:
  LabelObject data_;

 private:
  std::int32_t handle_;
  bool onLabel_ = true;
};

struct LabelState {
  explicit LabelState(std::vector<LabelStock> known) : stocks(std::move(known)), stock(stocks.front()) {}

  void clear() {
    for (const auto& item : items) item->detach();
    items.clear();
  }
  std::shared_ptr<LabelItem> byHandle(std::int32_t handle) const {
    const auto it = std::find_if(items.begin(), items.end(), [&](const auto& item) { return item->handle() == handle; });
    return it == items.end() ? nullptr : *it;
  }

  std::vector<LabelStock> stocks;
  LabelStock stock;
  std::vector<std::shared_ptr<LabelItem>> items;
  std::int32_t lastHandle = 0;
};

std::string choices(std::initializer_list<const char*> list) {
  std::string result;
  for (const char* choice : list) result += (result.empty() ? "" : ", ") + std::string(choice);
  return result;
}

// An attribute number checked against its range.
int attribute(const Value& value, const Place& place, bool (*valid)(std::int64_t), const std::string& allowed) {
  const std::int32_t number = wholeNumber(value, place);
  if (!valid(number))
    raise(error::kInvalidArgument,
          place.describe() + " is " + std::to_string(number) + "; it must be " + allowed);
  return number;
}

std::string font(const Value& value, const Place& place) {
  std::string result = text(value, place);
  if (!parseFont(result))
    raise(error::kInvalidArgument, place.describe() + " \"" + automation::abbreviated(result) +
                                       "\" is not a font such as \"Times New Roman, 8\" or \"Arial, 10, Bold, Italic\"");
  return result;
}

const std::string kJustifyChoices = choices({"0 (left)", "1 (centre)", "2 (right)"});
const std::string kVJustifyChoices = "0 (top), 1 (middle), 2 (bottom) or negative (top)";
const std::string kColorChoices = "a colour from 0 to 16777215 (&HFFFFFF), or negative for none";

class TextItem;

class TextAttributesObject final : public Dispatcher {
 public:
  explicit TextAttributesObject(std::shared_ptr<TextItem> item) : item_(std::move(item)) {}

  std::span<const Member> members() const override { return kMembers; }

 protected:
  std::string_view typeName() const override { return "text attributes"; }
  Value read(std::size_t member, Args args) override;
  void write(std::size_t member, const Value& value) override;

 private:
  enum : std::size_t { Text, Font1, Font2, VJustify, Justify, TextColor, BackGroundColor, Mirrored, Vertical };
  static constexpr std::array<Member, 9> kMembers{{{u"Text", true},
                                                  {u"Font_1", true},
                                                  {u"Font_2", true},
                                                  {u"VJustify", true},
                                                  {u"Justify", true},
                                                  {u"TextColor", true},
                                                  {u"BackGroundColor", true},
                                                  {u"Mirrored", true},
                                                  {u"Vertical", true}}};
  TextContent& content();
  std::shared_ptr<TextItem> item_;
};

class TextItem final : public LabelItem {
 public:
  using LabelItem::LabelItem;
  std::span<const Member> members() const override { return kMembers; }
  TextContent& content() { return std::get<TextContent>(data_.content); }

 protected:
  std::string_view typeName() const override { return "text object"; }
  Value read(std::size_t member, Args args) override {
    requireOnLabel();
    expectArgumentCount(args, 0, utf8(kMembers[member].name));
    return Value::object(
        std::make_shared<TextAttributesObject>(std::static_pointer_cast<TextItem>(shared_from_this())));
  }

 private:
  static constexpr std::array<Member, 1> kMembers{{{u"TextAttributes", false}}};
};

TextContent& TextAttributesObject::content() {
  item_->requireOnLabel();
  return item_->content();
}

Value TextAttributesObject::read(std::size_t member, Args args) {
  expectArgumentCount(args, 0, utf8(kMembers[member].name));
  const TextContent& text = content();
  switch (member) {
    case Text: return Value::string(text.text);
    case Font1: return Value::string(text.font1);
    case Font2: return Value::string(text.font2);
    case VJustify: return Value::i2(static_cast<std::int16_t>(text.vJustify));
    case Justify: return Value::i2(static_cast<std::int16_t>(text.justify));
    case TextColor: return Value::i4(text.textColor);
    case BackGroundColor: return Value::i4(text.backgroundColor);
    case Mirrored: return Value::boolean(text.mirrored);
    case Vertical: return Value::boolean(text.vertical);
    default: return {};
  }
}

void TextAttributesObject::write(std::size_t member, const Value& value) {
  TextContent& text = content();
  const Place at = place(member);
  switch (member) {
    case Text: text.text = engine::text(value, at); break;
    case Font1: text.font1 = font(value, at); break;
    case Font2: text.font2 = font(value, at); break;
    case VJustify: {
      // Far below the range would not fit the recorded 16-bit value; any negative means top.
      const int number = attribute(value, at, validVJustify, kVJustifyChoices);
      text.vJustify = std::max(number, -32768);
      break;
    }
    case Justify: text.justify = attribute(value, at, validJustify, kJustifyChoices); break;
    case TextColor: text.textColor = attribute(value, at, validColor, kColorChoices); break;
    case BackGroundColor: text.backgroundColor = attribute(value, at, validColor, kColorChoices); break;
    case Mirrored: text.mirrored = boolean(value, at); break;
    case Vertical: text.vertical = boolean(value, at); break;
    default: break;
  }
}

class BarcodeItem final : public LabelItem {
 public:
  using LabelItem::LabelItem;
  std::span<const Member> members() const override { return kMembers; }

 protected:
  std::string_view typeName() const override { return "bar code object"; }

  Value read(std::size_t member, Args args) override {
    requireOnLabel();
    expectArgumentCount(args, 0, utf8(kMembers[member].name));
    const BarcodeContent& code = content();
    switch (member) {
      case Text: return Value::string(code.text);
      case Font: return Value::string(code.font);
      case TextPos: return Value::i2(static_cast<std::int16_t>(code.textPos));
      case BCType: return Value::i2(static_cast<std::int16_t>(code.bcType));
      case Size: return Value::i2(static_cast<std::int16_t>(code.size));
      case Justify: return Value::i2(static_cast<std::int16_t>(code.justify));
      case Link: return Value::i2(static_cast<std::int16_t>(code.link));
      default: return {};
    }
  }

  void write(std::size_t member, const Value& value) override {
    requireOnLabel();
    BarcodeContent& code = content();
    const Place at = place(member);
    switch (member) {
      case Text: code.text = engine::text(value, at); break;
      case Font: code.font = font(value, at); break;
      case TextPos:
        code.textPos = attribute(value, at, validTextPos, choices({"0 (no text)", "1 (above)", "2 (below)"}));
        break;
      case BCType:
        code.bcType = attribute(value, at, [](std::int64_t v) { return symbologyOf(v).has_value(); },
                                "0 or 1 (Code 39), 2 to 5 (Code 128), 7 (UPC-A), 8 (UPC-E), 9 (EAN-8), "
                                "10 (EAN-13) or 11 (Codabar)");
        break;
      case Size: code.size = attribute(value, at, validBarcodeSize, "0, 1 or 2 (narrow to wide)"); break;
      case Justify: code.justify = attribute(value, at, validJustify, kJustifyChoices); break;
      case Link: code.link = attribute(value, at, validLink, "0 (bar codes are not linked to other objects)"); break;
      default: break;
    }
  }

 private:
  enum : std::size_t { Text, Font, TextPos, BCType, Size, Justify, Link };
  static constexpr std::array<Member, 7> kMembers{{{u"Text", true},
                                                  {u"Font", true},
                                                  {u"TextPos", true},
                                                  {u"BCType", true},
                                                  {u"Size", true},
                                                  {u"Justify", true},
                                                  {u"Link", true}}};
  BarcodeContent& content() { return std::get<BarcodeContent>(data_.content); }
};

class ObjectsCollection final : public Dispatcher {
 public:
  explicit ObjectsCollection(std::shared_ptr<LabelState> state) : state_(std::move(state)) {}
  std::span<const Member> members() const override { return kMembers; }

 protected:
  std::string_view typeName() const override { return "Objects collection"; }

  Value read(std::size_t member, Args args) override {
    if (member == Count) {
      expectArgumentCount(args, 0, "Count");
      return Value::i4(static_cast<std::int32_t>(state_->items.size()));
    }
    expectArgumentCount(args, 1, "Item");
    const std::int32_t index = wholeNumber(args[0].value(), {"Item", 1, "index"});
    const auto count = static_cast<std::int32_t>(state_->items.size());
    if (index < 1 || index > count)
      raise(error::kSubscriptOutOfRange, "Item(" + std::to_string(index) + "): the label holds " +
                                             std::to_string(count) + (count == 1 ? " object" : " objects") +
                                             ", numbered from 1");
    return Value::object(state_->items[static_cast<std::size_t>(index - 1)]);
  }

 private:
  enum : std::size_t { Count, Item };
  static constexpr std::array<Member, 2> kMembers{{{u"Count", false}, {u"Item", false}}};
  std::shared_ptr<LabelState> state_;
};

class PrintObject final : public Dispatcher {
 public:
  explicit PrintObject(std::shared_ptr<LabelState> state)
      : state_(std::move(state)), objects_(std::make_shared<ObjectsCollection>(state_)) {}
  std::span<const Member> members() const override { return kMembers; }

 protected:
  std::string_view typeName() const override { return "PrintObject"; }

  Value read(std::size_t member, Args args) override {
    switch (member) {
      case Objects: expectArgumentCount(args, 0, "Objects"); return Value::object(objects_);
      case Delete: remove(args); return {};
      case AddObject: return add(args);
      default: return labelObject(args);
    }
  }

 private:
  enum : std::size_t { Objects, Delete, AddObject, LabelObject };
  static constexpr std::array<Member, 4> kMembers{
      {{u"Objects", false}, {u"Delete", false}, {u"AddObject", false}, {u"LabelObject", false}}};

  void remove(Args args) {
    expectArgumentCount(args, 1, "Delete");
    const Value& item = args[0].value();
    if (!item.isObject()) raise(error::kTypeMismatch, "Delete takes an object from Objects.Item, not " + describeValue(item));
    auto& items = state_->items;
    const auto it = std::find_if(items.begin(), items.end(),
                                 [&](const auto& candidate) { return candidate.get() == item.asObject().get(); });
    if (it == items.end()) raise(error::kInvalidArgument, "Delete: the object is not on this label");
    (*it)->detach();
    items.erase(it);
  }

  Value add(Args args) {
    expectArgumentCount(args, 7, "AddObject");
    const auto number = [&](int position, std::string_view name) {
      return wholeNumber(args[static_cast<std::size_t>(position - 1)].value(), {"AddObject", position, name});
    };
    const std::int32_t kind = number(1, "kind");
    if (!validKind(kind))
      raise(error::kInvalidArgument,
            "AddObject argument 1 (kind) is " + std::to_string(kind) + "; it must be 0 (text) or 5 (bar code)");
    engine::LabelObject object;
    object.name = text(args[1].value(), {"AddObject", 2, "name"});
    object.left = number(3, "left");
    object.top = number(4, "top");
    object.width = number(5, "width");
    object.height = number(6, "height");
    object.rotation = number(7, "rotation");
    if (object.width < 0 || object.height < 0)
      raise(error::kInvalidArgument, "AddObject: the width and height of \"" + automation::abbreviated(object.name) +
                                         "\" must not be negative (" + std::to_string(object.width) + " x " +
                                         std::to_string(object.height) + ")");
    if (!validRotation(object.rotation))
      raise(error::kInvalidArgument, "AddObject argument 7 (rotation) is " + std::to_string(object.rotation) +
                                         "; it must be 0, 90, 180 or 270");

    const std::int32_t handle = ++state_->lastHandle;
    std::shared_ptr<LabelItem> item;
    if (kind == static_cast<int>(ObjectKind::Text)) {
      object.content = TextContent{};
      item = std::make_shared<TextItem>(handle, std::move(object));
    } else {
      object.content = BarcodeContent{};
      item = std::make_shared<BarcodeItem>(handle, std::move(object));
    }
    state_->items.push_back(std::move(item));
    return Value::i4(handle);
  }

  Value labelObject(Args args) {
    expectArgumentCount(args, 1, "LabelObject");
    const std::int32_t handle = wholeNumber(args[0].value(), {"LabelObject", 1, "handle"});
    auto item = state_->byHandle(handle);
    if (!item)
      raise(error::kInvalidArgument,
            "LabelObject: no object on the label has the handle " + std::to_string(handle));
    return Value::object(std::move(item));
  }

  std::shared_ptr<LabelState> state_;
  std::shared_ptr<ObjectsCollection> objects_;
};

class LabelInfoObject final : public Dispatcher {
 public:
  explicit LabelInfoObject(std::shared_ptr<LabelState> state) : state_(std::move(state)) {}
  std::span<const Member> members() const override { return kMembers; }

 protected:
  std::string_view typeName() const override { return "LabelInfo object"; }
  Value read(std::size_t, Args args) override {
    expectArgumentCount(args, 0, "LabelName");
    return Value::string(state_->stock.name);
  }

 private:
  static constexpr std::array<Member, 1> kMembers{{{u"LabelName", false}}};
  std::shared_ptr<LabelState> state_;
};

class Engine final : public Dispatcher {
 public:
  Engine(std::shared_ptr<PrintSink> sink, std::vector<LabelStock> stocks)
      : sink_(std::move(sink)),
        state_(std::make_shared<LabelState>(std::move(stocks))),
        printObject_(std::make_shared<PrintObject>(state_)) {}
  std::span<const Member> members() const override { return kMembers; }

 protected:
  std::string_view typeName() const override { return "label engine"; }

  Value read(std::size_t member, Args args) override {
    switch (member) {
      case PrintObjectMember: expectArgumentCount(args, 0, "PrintObject"); return Value::object(printObject_);
      case NewLabel: newLabel(args); return {};
      case LabelInfo:
        expectArgumentCount(args, 0, "LabelInfo");
        return Value::object(std::make_shared<LabelInfoObject>(state_));
      default: return printLabel(args);
    }
  }

 private:
  enum : std::size_t { PrintObjectMember, NewLabel, LabelInfo, PrintLabel };
  static constexpr std::array<Member, 4> kMembers{
      {{u"PrintObject", false}, {u"NewLabel", false}, {u"LabelInfo", false}, {u"PrintLabel", false}}};

  void newLabel(Args args) {
    expectArgumentCount(args, 1, "NewLabel");
    const std::string name = text(args[0].value(), {"NewLabel", 1, "label name"});
    // An unknown stock leaves the label as it is; LabelInfo tells the caller.
    if (const LabelStock* stock = findStock(state_->stocks, name)) {
      state_->clear();
      state_->stock = *stock;
    }
  }

  // Answers the name of the record the sink wrote (label-NNNN.json), or Empty when it writes none.
  Value printLabel(Args args) {
    expectArgumentCount(args, 4, "PrintLabel");
    LabelDescription label;
    label.printer = text(args[0].value(), {"PrintLabel", 1, "printer"});
    if (label.printer.empty()) raise(error::kInvalidArgument, "PrintLabel: the printer name is empty");
    label.port = text(args[1].value(), {"PrintLabel", 2, "port"});
    const Place copiesPlace{"PrintLabel", 3, "copies"};
    label.copies = wholeNumber(args[2].value(), copiesPlace);
    if (label.copies < 1 || label.copies > 999)
      raise(error::kInvalidArgument,
            copiesPlace.describe() + " is " + std::to_string(label.copies) + "; it must be from 1 to 999");
    label.showDialog = boolean(args[3].value(), {"PrintLabel", 4, "show dialog"});

    label.stock = state_->stock;
    for (const auto& item : state_->items) {
      const engine::LabelObject& object = item->data();
      if (const auto* code = std::get_if<BarcodeContent>(&object.content)) {
        const Symbology symbology = *symbologyOf(code->bcType);
        if (auto problem = barcodeProblem(symbology, code->text))
          raise(error::kInvalidArgument, "PrintLabel: bar code \"" + automation::abbreviated(object.name) + "\" (" +
                                             std::string(symbologyName(symbology)) + "): " + *problem);
      }
      label.objects.push_back(object);
    }

    try {
      sink_->print(label);
    } catch (const automation::AutomationError&) {
      throw;
    } catch (const std::exception& failure) {
      raise(error::kPrinterError, std::string("the label could not be printed: ") + failure.what());
    }
    const std::filesystem::path record = sink_->lastRecord();
    if (record.empty()) return {};
    const std::u8string name = record.filename().u8string();
    return Value::string(automation::fromUtf8(std::string(name.begin(), name.end())));
  }

  std::shared_ptr<PrintSink> sink_;
  std::shared_ptr<LabelState> state_;
  std::shared_ptr<PrintObject> printObject_;
};

}  // namespace

std::shared_ptr<automation::Object> createEngine(std::shared_ptr<PrintSink> sink, EngineOptions options) {
  if (!sink) throw std::invalid_argument("the label engine needs a print sink");
  if (options.stocks.empty()) throw std::invalid_argument("the label engine needs at least one label stock");
  return std::make_shared<Engine>(std::move(sink), std::move(options.stocks));
}

std::vector<std::u16string_view> memberNames(const automation::Object& object) {
  std::vector<std::u16string_view> names;
  if (const auto* dispatcher = dynamic_cast<const Dispatcher*>(&object))
    for (const Member& member : dispatcher->members()) names.push_back(member.name);
  return names;
}

EngineFactory::EngineFactory(std::shared_ptr<PrintSink> sink, EngineOptions options)
    : sink_(std::move(sink)), options_(std::move(options)) {
  if (!sink_) throw std::invalid_argument("the label engine factory needs a print sink");
}

std::shared_ptr<automation::Object> EngineFactory::create(std::u16string_view progId) {
  if (!sameName(progId, kProgId))
    raise(error::kCannotCreateObject, "no class is registered for the ProgID \"" + automation::abbreviated(utf8(progId)) + "\"");
  return createEngine(sink_, options_);
}

}  // namespace engine
