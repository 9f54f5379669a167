#include "service/options.h"

#include <charconv>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>

#include "service/admission.h"

namespace service {

const char* const kUsage =
    "usage: vantory-service [--port N] [--allow-origin ORIGIN]... [--config FILE] [--cups] [--output DIR]\n"
    "  Serves the label control's PrintLabels and PrintGENERICLabels to web pages and local programs\n"
    "  on http://127.0.0.1:N and http://[::1]:N (default port 41951; 0 picks a free one).\n"
    "  --allow-origin  a web origin (https://lab.example.org) whose pages may print; repeatable\n"
    "  --config FILE   the same settings as JSON: {\"port\", \"allowOrigins\", \"cups\", \"output\"}\n"
    "  --cups          print through CUPS instead of recording label images only\n"
    "  --output DIR    where labels are recorded as label-NNNN.png with label-NNNN.json\n"
    "                  (default $VANTORY_LABEL_DIR, else ./labels)\n";

namespace {

int portNumber(const std::string& text) {
  int port = -1;
  const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), port);
  if (failure != std::errc() || end != text.data() + text.size() || port < 0 || port > 65535)
    throw OptionsError("the port must be a number from 0 to 65535, not '" + text + "'");
  return port;
}

void addOrigin(Settings& settings, const std::string& origin) {
  try {
    settings.allowedOrigins.push_back(checkedOrigin(origin));
  } catch (const std::invalid_argument& failure) {
    throw OptionsError(failure.what());
  }
}

void readConfig(const std::filesystem::path& file, Options& options, std::optional<std::filesystem::path>& output) {
  std::ifstream in(file);
  if (!in) throw OptionsError("cannot read the configuration file " + file.string());
  try {
    const auto config = nlohmann::json::parse(in);
    if (!config.is_object()) throw OptionsError(file.string() + ": the configuration must be a JSON object");
    for (const auto& [key, value] : config.items()) {
      if (key == "port") {
        options.settings.port = portNumber(std::to_string(value.get<int>()));
      } else if (key == "allowOrigins") {
        for (const auto& origin : value) addOrigin(options.settings, origin.get<std::string>());
      } else if (key == "cups") {
        options.cups = value.get<bool>();
      } else if (key == "output") {
        output = value.get<std::string>();
      } else {
        throw OptionsError(file.string() + ": unknown setting '" + key + "' (port, allowOrigins, cups, output)");
      }
    }
  } catch (const nlohmann::json::exception& failure) {
    throw OptionsError(file.string() + ": " + failure.what());
  }
}

}  // namespace

Options parseOptions(const std::vector<std::string>& arguments, const std::filesystem::path& defaultOutput) {
  Options options;
  std::optional<std::filesystem::path> output;
  // The file first, so that flags win over it wherever they stand.
  for (std::size_t i = 0; i + 1 < arguments.size(); ++i)
    if (arguments[i] == "--config") readConfig(arguments[i + 1], options, output);

  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& flag = arguments[i];
    if (flag == "--help" || flag == "-h") {
      options.help = true;
      continue;
    }
    if (flag == "--cups") {
      options.cups = true;
      continue;
    }
    if (flag != "--port" && flag != "--allow-origin" && flag != "--config" && flag != "--output")
      throw OptionsError("unknown option '" + flag + "'");
    if (i + 1 >= arguments.size()) throw OptionsError(flag + " needs a value");
    const std::string& value = arguments[++i];
    if (flag == "--port") options.settings.port = portNumber(value);
    if (flag == "--allow-origin") addOrigin(options.settings, value);
    if (flag == "--output") output = value;
  }
  if (!output) {
    const char* fromEnvironment = std::getenv("VANTORY_LABEL_DIR");
    output = fromEnvironment && *fromEnvironment ? std::filesystem::path(fromEnvironment) : defaultOutput;
  }
  options.output = *output;
  return options;
}

}  // namespace service
