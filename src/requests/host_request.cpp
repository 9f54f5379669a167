#include "requests/host_request.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

#include "automation/text.h"

namespace host {

namespace {

using automation::Value;
using nlohmann::json;

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// Requests nest three levels; anything far deeper is refused before it costs a deep recursion.
constexpr int kDeepestNesting = 64;

// The canonical spelling of a parameter name given in any letter case.
std::string canonicalName(Method method, const std::string& name) {
  for (const auto known : control::parameterNames(method))
    if (known.size() == name.size() && lower(std::string(known)) == lower(name)) return std::string(known);
  throw RequestError("unknown parameter '" + automation::abbreviated(name) + "' (" +
                     std::string(control::methodName(method)) + " takes " +
                     std::to_string(control::parameterNames(method).size()) + " parameters, named as the control's)");
}

// A JSON number as the integer type's value; anything else, or beyond its range, is refused.
template <typename Int>
Int integerOf(const json& value, const std::string& type) {
  constexpr auto lowest = static_cast<double>(std::numeric_limits<Int>::min());
  constexpr auto highest = static_cast<double>(std::numeric_limits<Int>::max());
  if (value.is_number_unsigned() && value.get<std::uint64_t>() <= static_cast<std::uint64_t>(highest))
    return static_cast<Int>(value.get<std::uint64_t>());
  if (value.is_number_integer() && !value.is_number_unsigned() && value.get<std::int64_t>() >= lowest &&
      value.get<std::int64_t>() <= highest)
    return static_cast<Int>(value.get<std::int64_t>());
  if (value.is_number_float()) {
    const double number = value.get<double>();
    if (std::trunc(number) == number && number >= lowest && number <= highest) return static_cast<Int>(number);
  }
  throw RequestError("the value " + automation::abbreviated(value.dump()) + " is not a whole number of type '" + type + "'");
}

double numberOf(const json& value, const std::string& type, double largest) {
  const double number = value.get<double>();  // a JSON number is always finite
  if (std::fabs(number) > largest)
    throw RequestError("the value " + automation::abbreviated(value.dump()) + " is beyond the range of type '" + type + "'");
  return number;
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
      // An array is not dumped whole: it may nest as deep as the document allowed.
      throw RequestError(std::string("unsupported value (") + (node.is_array() ? "an array" : node.type_name()) +
                         "): give a string, a number, true/false, null or {\"type\": ..., \"value\": ...}");
  }
  const std::string type = lower(node.value("type", ""));
  const json value = node.value("value", json());
  try {
    if (type == "empty") return Value{};
    if (type == "null") return Value::null();
    if (type == "missing") return Value::missing();
    if (type == "i2") return Value::i2(integerOf<std::int16_t>(value, type));
    if (type == "i4") return Value::i4(integerOf<std::int32_t>(value, type));
    if (type == "r4") return Value::r4(static_cast<float>(numberOf(value, type, std::numeric_limits<float>::max())));
    if (type == "r8") return Value::r8(value.get<double>());
    if (type == "bool") return Value::boolean(value.get<bool>());
    if (type == "string") return Value::string(value.get<std::string>());
    if (type == "currency") {
      // Currency counts ten-thousandths in 64 bits.
      constexpr double kLargest = 922337203685477.0;
      return Value::currency({std::llround(numberOf(value, type, kLargest) * 10000)});
    }
    if (type == "date") return Value::date({value.get<double>()});
  } catch (const json::exception& error) {
    throw RequestError("bad value for type '" + automation::abbreviated(type) + "': " +
                       automation::abbreviated(error.what(), 300));
  }
  throw RequestError("unknown argument type '" + automation::abbreviated(type) + "'");
}

}  // namespace

json parseJson(const std::string& text, const std::string& what) {
  try {
    return json::parse(text, [&what](int depth, json::parse_event_t, json&) {
      if (depth > kDeepestNesting)
        throw RequestError(what + " nests deeper than " + std::to_string(kDeepestNesting) + " levels");
      return true;
    });
  } catch (const json::exception& error) {
    throw RequestError(what + " is not valid JSON: " + automation::abbreviated(error.what(), 300));
  }
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

HostRequest parseRequestJson(const std::string& text) {
  const json document = parseJson(text, "the request");
  if (!document.is_object()) throw RequestError("the request must be a JSON object");
  try {
    HostRequest request;
    const std::string method = document.value("method", "PrintLabels");
    if (lower(method) == lower(std::string(control::methodName(Method::PrintLabels)))) {
      request.method = Method::PrintLabels;
    } else if (lower(method) == lower(std::string(control::methodName(Method::PrintGENERICLabels)))) {
      request.method = Method::PrintGENERICLabels;
    } else {
      throw RequestError("unknown method '" + automation::abbreviated(method) + "'");
    }
    const json none = json::object();
    const auto given = document.find("arguments");
    const json& arguments = given != document.end() ? *given : none;
    if (!arguments.is_object()) throw RequestError("\"arguments\" must be a JSON object");
    request.arguments = requestFromArguments(request.method, arguments).arguments;
    return request;
  } catch (const json::exception& error) {  // a field of the wrong JSON type
    throw RequestError("the request has a field of the wrong type: " + automation::abbreviated(error.what(), 300));
  }
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
  const auto names = control::parameterNames(request.method);
  for (const auto& [name, value] : request.arguments)
    if (std::find(names.begin(), names.end(), name) == names.end())
      throw RequestError("parameter '" + automation::abbreviated(name) + "' does not belong to this method");
  std::vector<Value> list;
  for (const auto& name : names) {
    const auto given = request.arguments.find(std::string(name));
    list.push_back(given == request.arguments.end() ? Value{} : given->second);
  }
  return list;
}

}  // namespace host
