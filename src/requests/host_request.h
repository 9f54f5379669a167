#pragma once
// A print request for the native host, read from command-line flags or a JSON file and
// turned into the argument list an automation host would pass.

#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "automation/value.h"
#include "control/entry_points.h"

namespace host {

using Method = control::PrintMethod;

struct HostRequest {
  Method method = Method::PrintLabels;
  // Arguments by parameter name; a parameter not given is passed as Empty.
  std::map<std::string, automation::Value> arguments;
};

class RequestError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// JSON: {"method": "PrintLabels", "arguments": {"ClientType": "HOSPITAL", "LabelCopies": 1, ...}}.
// Strings stay strings; whole numbers become 16-bit integers when they fit, else 32-bit, as a
// script literal would; other numbers doubles; true/false Booleans; null Null; and
// {"type": "I4", "value": 7} gives any other type ("Empty", "Null", "Missing", "I2", "I4",
// "R4", "R8", "Bool", "String", "Currency", "Date").
HostRequest parseRequestJson(const std::string& json);
// The same typing for an arguments object alone, members named as the method's parameters
// (any letter case). A RequestError names the member and says what is wrong with it.
HostRequest requestFromArguments(Method method, const nlohmann::json& arguments);
HostRequest readRequestFile(const std::filesystem::path& file);

// JSON text as a document, refusing invalid JSON and nesting far deeper than any request
// needs (which would cost deep recursion later) with a RequestError naming `what`.
nlohmann::json parseJson(const std::string& text, const std::string& what);

// Sets one argument from a flag value (always a string, as a web form would send it).
void setArgument(HostRequest& request, const std::string& name, const std::string& value);

// The argument list in parameter order. Throws RequestError for a name the method does not take.
std::vector<automation::Value> argumentList(const HostRequest& request);

}  // namespace host
