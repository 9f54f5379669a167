#include "host_request.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

#include "automation/text.h"
#include "control/entry_points.h"

namespace host {

namespace {

using automation::Value;
using nlohmann::json;

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// A value quoted in an error message, cut short.
std::string shortened(std::string text) {
  constexpr std::size_t kMost = 60;
  if (text.size() > kMost) text = text.substr(0, kMost) + "...";
  return text;
}

// The canonical spelling of a parameter name given in any letter case.
std::string canonicalName(Method method, const std::string& name) {
  for (const auto& known : parameterNames(method))
    if (lower(known) == lower(name)) return known;
  throw RequestError("unknown parameter '" + shortened(name) + "' (" +
                     (method == Method::PrintLabels ? "PrintLabels" : "PrintGENERICLabels") + " takes " +
                     std::to_string(parameterNames(method).size()) + " parameters, named as the control's)");
}

Value literal(const json& node) {
  switch (node.type()) {
    case json::value_t::string: return Value::string(node.get<std::string>());
    case json::value_t::boolean: return Value::boolean(node.get<bool>());
    case json::value_t::null: return Value::null();
    case json::value_t::number_integer:
    case json::value_t::number_unsigned: {
      if (node.is_number_unsigned() && node.get<std::uint64_t>() > std::numeric_limits<std::int32_t>::max())
        return Value::r8(node.get<double>());
      const auto n = node.get<std::int64_t>();
      if (n >= std::numeric_limits<std::int16_t>::min() && n <= std::numeric_limits<std::int16_t>::max())
        return Value::i2(static_cast<std::int16_t>(n));
      if (n >= std::numeric_limits<std::int32_t>::min() && n <= std::numeric_limits<std::int32_t>::max())
        return Value::i4(static_cast<std::int32_t>(n));
      return Value::r8(static_cast<double>(n));
    }
    case json::value_t::number_float: return Value::r8(node.get<double>());
    case json::value_t::object: break;
    default:
      throw RequestError("unsupported value " + shortened(node.dump(-1, ' ', true)) +
                         ": give a string, a number, true/false, null or {\"type\": ..., \"value\": ...}");
  }
  const std::string type = lower(node.value("type", ""));
  const json value = node.value("value", json());
  try {
    if (type == "empty") return Value{};
    if (type == "null") return Value::null();
    if (type == "missing") return Value::missing();
    if (type == "i2") return Value::i2(value.get<std::int16_t>());
    if (type == "i4") return Value::i4(value.get<std::int32_t>());
    if (type == "r4") return Value::r4(value.get<float>());
    if (type == "r8") return Value::r8(value.get<double>());
    if (type == "bool") return Value::boolean(value.get<bool>());
    if (type == "string") return Value::string(value.get<std::string>());
    if (type == "currency") return Value::currency({std::llround(value.get<double>() * 10000)});
    if (type == "date") return Value::date({value.get<double>()});
  } catch (const json::exception& error) {
    throw RequestError("bad value for type '" + type + "': " + error.what());
  }
  throw RequestError("unknown argument type '" + type + "'");
}

}  // namespace

const std::vector<std::string>& parameterNames(Method method) {
  static const std::vector<std::string> printLabels(control::kPrintLabelsParameters.begin(),
                                                    control::kPrintLabelsParameters.end());
  static const std::vector<std::string> printGeneric(control::kPrintGenericLabelsParameters.begin(),
                                                     control::kPrintGenericLabelsParameters.end());
  return method == Method::PrintLabels ? printLabels : printGeneric;
}

HostRequest parseRequestJson(const std::string& text) {
  json document;
  try {
    document = json::parse(text);
  } catch (const json::exception& error) {
    throw RequestError(std::string("the request is not valid JSON: ") + error.what());
  }
  if (!document.is_object()) throw RequestError("the request must be a JSON object");
  HostRequest request;
  const std::string method = document.value("method", "PrintLabels");
  if (lower(method) == "printlabels") {
    request.method = Method::PrintLabels;
  } else if (lower(method) == "printgenericlabels") {
    request.method = Method::PrintGENERICLabels;
  } else {
    throw RequestError("unknown method '" + method + "'");
  }
  return requestFromArguments(request.method, document.value("arguments", json::object()));
}

HostRequest requestFromArguments(Method method, const json& arguments) {
  if (!arguments.is_object()) throw RequestError("the arguments must be a JSON object");
  HostRequest request;
  request.method = method;
  for (const auto& [name, value] : arguments.items()) {
    const std::string parameter = canonicalName(method, name);
    try {
      request.arguments[parameter] = literal(value);
    } catch (const RequestError& error) {
      throw RequestError(parameter + ": " + error.what());
    }
  }
  return request;
}

HostRequest readRequestFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw RequestError("cannot read " + file.string());
  std::ostringstream text;
  text << in.rdbuf();
  return parseRequestJson(text.str());
}

void setArgument(HostRequest& request, const std::string& name, const std::string& value) {
  request.arguments[canonicalName(request.method, name)] = Value::string(value);
}

std::vector<Value> argumentList(const HostRequest& request) {
  const auto& names = parameterNames(request.method);
  for (const auto& [name, value] : request.arguments)
    if (std::find(names.begin(), names.end(), name) == names.end())
      throw RequestError("parameter '" + name + "' does not belong to this method");
  std::vector<Value> list;
  for (const auto& name : names) {
    const auto given = request.arguments.find(name);
    list.push_back(given == request.arguments.end() ? Value{} : given->second);
  }
  return list;
}

}  // namespace host
