#include "engine/description_json.h"

#include <cstdint>
#include <limits>

#include <nlohmann/json.hpp>

#include "automation/text.h"
#include "engine/barcode_data.h"

namespace engine {

namespace {

using Json = nlohmann::ordered_json;

// A description nests three levels; anything far deeper is refused while it is read.
constexpr int kDeepestNesting = 64;

Json objectJson(const LabelObject& object) {
  Json json;
  json["name"] = object.name;
  json["kind"] = object.kind() == ObjectKind::Text ? "text" : "barcode";
  json["left"] = object.left;
  json["top"] = object.top;
  json["width"] = object.width;
  json["height"] = object.height;
  json["rotation"] = object.rotation;
  if (const auto* text = std::get_if<TextContent>(&object.content)) {
    json["text"] = text->text;
    json["font1"] = text->font1;
    json["font2"] = text->font2;
    json["justify"] = text->justify;
    json["vJustify"] = text->vJustify;
    json["textColor"] = text->textColor;
    json["backgroundColor"] = text->backgroundColor;
    json["mirrored"] = text->mirrored;
    json["vertical"] = text->vertical;
  } else {
    const auto& code = std::get<BarcodeContent>(object.content);
    json["text"] = code.text;
    json["font"] = code.font;
    json["textPos"] = code.textPos;
    json["bcType"] = code.bcType;
    const auto symbology = symbologyOf(code.bcType);
    json["symbology"] = symbology ? symbologyName(*symbology) : "unknown";
    json["size"] = code.size;
    json["justify"] = code.justify;
    json["link"] = code.link;
  }
  return json;
}

// Field readers that name the field in their complaint.
class Reader {
 public:
  Reader(const Json& json, std::string where) : json_(json), where_(std::move(where)) {
    if (!json_.is_object()) fail("is not a JSON object");
  }

  const Json& field(const char* key) const {
    const auto it = json_.find(key);
    if (it == json_.end()) fail(std::string("has no \"") + key + "\"");
    return *it;
  }
  std::string text(const char* key) const {
    const Json& value = field(key);
    if (!value.is_string()) fail(std::string("\"") + key + "\" is not a string");
    return value.get<std::string>();
  }
  std::int64_t number(const char* key, bool (*valid)(std::int64_t) = nullptr) const {
    const Json& value = field(key);
    if (!value.is_number_integer()) fail(std::string("\"") + key + "\" is not a whole number");
    if (value.is_number_unsigned() && value.get<std::uint64_t>() > std::numeric_limits<std::int32_t>::max())
      fail(std::string("\"") + key + "\" has the value " + value.dump() + ", which the engine refuses");
    const auto result = value.get<std::int64_t>();
    if (result < std::numeric_limits<std::int32_t>::min() || result > std::numeric_limits<std::int32_t>::max() || (valid && !valid(result)))
      fail(std::string("\"") + key + "\" has the value " + std::to_string(result) + ", which the engine refuses");
    return result;
  }
  bool boolean(const char* key) const {
    const Json& value = field(key);
    if (!value.is_boolean()) fail(std::string("\"") + key + "\" is not true or false");
    return value.get<bool>();
  }
  std::string font(const char* key) const {
    std::string value = text(key);
    if (!parseFont(value))
      fail(std::string("\"") + key + "\" (\"" + automation::abbreviated(value) + "\") is not a font such as \"Arial, 10, Bold\"");
    return value;
  }
  [[noreturn]] void fail(const std::string& what) const { throw DescriptionError(where_ + " " + what); }

 private:
  const Json& json_;
  std::string where_;
};

bool nonNegative(std::int64_t value) { return value >= 0; }
bool positive(std::int64_t value) { return value > 0; }
bool copyCount(std::int64_t value) { return value >= 1 && value <= 999; }
bool knownBcType(std::int64_t value) { return symbologyOf(value).has_value(); }

LabelObject readObject(const Json& json, std::size_t index) {
  const Reader in(json, "object " + std::to_string(index + 1));
  LabelObject object;
  object.name = in.text("name");
  const std::string kind = in.text("kind");
  object.left = static_cast<int>(in.number("left"));
  object.top = static_cast<int>(in.number("top"));
  object.width = static_cast<int>(in.number("width", nonNegative));
  object.height = static_cast<int>(in.number("height", nonNegative));
  object.rotation = static_cast<int>(in.number("rotation", validRotation));
  if (kind == "text") {
    TextContent text;
    text.text = in.text("text");
    text.font1 = in.font("font1");
    text.font2 = in.font("font2");
    text.justify = static_cast<int>(in.number("justify", validJustify));
    text.vJustify = static_cast<int>(in.number("vJustify", validVJustify));
    text.textColor = static_cast<std::int32_t>(in.number("textColor", validColor));
    text.backgroundColor = static_cast<std::int32_t>(in.number("backgroundColor", validColor));
    text.mirrored = in.boolean("mirrored");
    text.vertical = in.boolean("vertical");
    object.content = std::move(text);
  } else if (kind == "barcode") {
    BarcodeContent code;
    code.text = in.text("text");
    code.font = in.font("font");
    code.textPos = static_cast<int>(in.number("textPos", validTextPos));
    code.bcType = static_cast<int>(in.number("bcType", knownBcType));
    code.size = static_cast<int>(in.number("size", validBarcodeSize));
    code.justify = static_cast<int>(in.number("justify", validJustify));
    code.link = static_cast<int>(in.number("link", validLink));
    if (auto problem = barcodeProblem(*symbologyOf(code.bcType), code.text)) in.fail(*problem);
    object.content = std::move(code);
  } else {
    in.fail("has the kind \"" + automation::abbreviated(kind) + "\"; only \"text\" and \"barcode\" exist");
  }
  return object;
}

}  // namespace

namespace {

Json describe(const LabelDescription& label) {
  Json json;
  json["version"] = kDescriptionVersion;
  json["stock"] = {{"name", label.stock.name}, {"width", label.stock.width}, {"height", label.stock.height}};
  json["objects"] = Json::array();
  for (const auto& object : label.objects) json["objects"].push_back(objectJson(object));
  json["printer"] = label.printer;
  json["port"] = label.port;
  json["copies"] = label.copies;
  json["showDialog"] = label.showDialog;
  return json;
}

std::string text(const Json& json) { return json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n"; }

}  // namespace

std::string toJson(const LabelDescription& label) { return text(describe(label)); }

std::string toJson(const LabelDescription& label, const Delivery& delivery) {
  Json json = describe(label);
  json["destination"] = delivery.destination;
  json["job"] = delivery.job;
  json["time"] = delivery.time;
  return text(json);
}

LabelDescription fromJson(std::string_view text) {
  Json json;
  try {
    json = Json::parse(text.begin(), text.end(), [](int depth, Json::parse_event_t, Json&) {
      if (depth > kDeepestNesting)
        throw DescriptionError("the description nests deeper than " + std::to_string(kDeepestNesting) + " levels");
      return true;
    });
  } catch (const Json::exception& error) {
    throw DescriptionError("not JSON: " + automation::abbreviated(error.what(), 300));
  }
  const Reader in(json, "the label");
  if (in.number("version") != kDescriptionVersion)
    in.fail("has version " + json["version"].dump() + "; this program reads version " +
            std::to_string(kDescriptionVersion));

  LabelDescription label;
  const Reader stock(in.field("stock"), "the stock");
  label.stock.name = stock.text("name");
  label.stock.width = static_cast<int>(stock.number("width", positive));
  label.stock.height = static_cast<int>(stock.number("height", positive));

  const Json& objects = in.field("objects");
  if (!objects.is_array()) in.fail("\"objects\" is not a list");
  for (std::size_t i = 0; i < objects.size(); ++i) label.objects.push_back(readObject(objects[i], i));

  label.printer = in.text("printer");
  label.port = in.text("port");
  label.copies = static_cast<int>(in.number("copies", copyCount));
  label.showDialog = in.boolean("showDialog");
  return label;
}

}  // namespace engine
