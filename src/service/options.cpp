#include "service/options.h"

#include <charconv>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>

#include "service/admission.h"

namespace service {

const char* const kUsage =
    "Usage: vantory-service [OPTION]...\n"
    "Serves the Vantory label control's PrintLabels and PrintGENERICLabels to the lab's ordering page\n"
    "and to local programs over HTTP on this computer's loopback addresses (127.0.0.1 and [::1]), and\n"
    "prints the labels through CUPS.\n"
    "\n"
    "Options:\n"
    "  --allow-origin ORIGIN   a web origin (https://orders.lab.example.org) whose pages may print;\n"
    "                          repeatable. Pages of other origins are refused.\n"
    "  --config FILE           the same settings as JSON: {\"allowOrigins\": [...], \"port\": N,\n"
    "                          \"recordOnly\": bool, \"output\": \"DIR\", \"tokenFile\": \"FILE\",\n"
    "                          \"labelRetentionDays\": N}; options on the command line win over it\n"
    "  --port N                listen on port N (0 picks a free one); by default the first free of\n"
    "                          41951 to 41955, where the JavaScript client looks for the service\n"
    "  --record-only           record each label's image and description only; print nothing.\n"
    "                          /v1/status and every print answer then say \"recordOnly\": true\n"
    "  --output DIR            where labels are recorded (label-NNNN-<random>.png and .json);\n"
    "                          default $VANTORY_LABEL_DIR, else ./labels\n"
    "  --token-file FILE       the access token local programs present as \"Authorization: Bearer\n"
    "                          <token>\"; made at the first start, readable by this user only;\n"
    "                          default $XDG_STATE_HOME/vantory/access-token\n"
    "                          (~/.local/state/vantory/access-token)\n"
    "  --retention-days N      remove recorded labels after N days (default 7)\n"
    "  --help                  show this help and exit\n"
    "\n"
    "Printing: by default every label goes to the CUPS queue whose name or description equals the\n"
    "label's printer name (CUPS_SERVER and ~/.cups/client.conf choose the server, as for lp); a\n"
    "stopped queue or one not accepting jobs refuses the label at once. Every printed label is\n"
    "also recorded in the output folder.\n"
    "\n"
    "Who may print: pages of the allowed origins, and local programs that present the access\n"
    "token; everyone else may read /v1/status only. A page of another site cannot read or probe a\n"
    "label. The API is described at /v1/openapi.json.\n"
    "\n"
    "Example:\n"
    "  curl -H \"Authorization: Bearer $(cat ~/.local/state/vantory/access-token)\" \\\n"
    "       http://127.0.0.1:41951/v1/printers\n"
    "\n"
    "Files:\n"
    "  /etc/vantory/service.json                 the settings the packaged systemd user unit reads\n"
    "  /usr/lib/systemd/user/vantory-service.service   the unit: systemctl --user status vantory-service\n";

namespace {

int portNumber(const std::string& text) {
  int port = -1;
  const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), port);
  if (failure != std::errc() || end != text.data() + text.size() || port < 0 || port > 65535)
    throw OptionsError("the port must be a number from 0 to 65535, not '" + text + "'");
  return port;
}

std::chrono::hours retentionDays(long long days) {
  if (days < 1 || days > 3650) throw OptionsError("the label retention must be 1 to 3650 days, not " + std::to_string(days));
  return std::chrono::hours(24 * days);
}

void addOrigin(Settings& settings, const std::string& origin) {
  try {
    settings.allowedOrigins.push_back(checkedOrigin(origin));
  } catch (const std::invalid_argument& failure) {
    throw OptionsError(failure.what());
  }
}

// What flags and the file set alike; flags win, so the file is read first.
struct Given {
  std::optional<std::filesystem::path> output, tokenFile;
};

void readConfig(const std::filesystem::path& file, Options& options, Given& given) {
  std::ifstream in(file);
  if (!in) throw OptionsError("cannot read the configuration file " + file.string());
  try {
    const auto config = nlohmann::json::parse(in);
    if (!config.is_object()) throw OptionsError(file.string() + ": the configuration must be a JSON object");
    for (const auto& [key, value] : config.items()) {
      if (key == "port") {
        options.settings.port = portNumber(std::to_string(value.get<int>()));
        options.portGiven = true;
      } else if (key == "allowOrigins") {
        for (const auto& origin : value) addOrigin(options.settings, origin.get<std::string>());
      } else if (key == "recordOnly") {
        options.recordOnly = value.get<bool>();
      } else if (key == "output") {
        given.output = value.get<std::string>();
      } else if (key == "tokenFile") {
        given.tokenFile = value.get<std::string>();
      } else if (key == "labelRetentionDays") {
        options.settings.labelRetention = retentionDays(value.get<long long>());
      } else {
        throw OptionsError(file.string() + ": unknown setting '" + key +
                           "' (allowOrigins, port, recordOnly, output, tokenFile, labelRetentionDays)");
      }
    }
  } catch (const nlohmann::json::exception& failure) {
    throw OptionsError(file.string() + ": " + failure.what());
  }
}

long long wholeNumber(const std::string& flag, const std::string& text) {
  long long number = 0;
  const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (failure != std::errc() || end != text.data() + text.size())
    throw OptionsError(flag + " takes a whole number, not '" + text + "'");
  return number;
}

}  // namespace

Options parseOptions(const std::vector<std::string>& arguments, const std::filesystem::path& defaultOutput) {
  Options options;
  Given given;
  // The file first, so that flags win over it wherever they stand.
  for (std::size_t i = 0; i + 1 < arguments.size(); ++i)
    if (arguments[i] == "--config") readConfig(arguments[i + 1], options, given);

  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& flag = arguments[i];
    if (flag == "--help" || flag == "-h") {
      options.help = true;
      continue;
    }
    if (flag == "--record-only") {
      options.recordOnly = true;
      continue;
    }
    if (flag != "--port" && flag != "--allow-origin" && flag != "--config" && flag != "--output" &&
        flag != "--token-file" && flag != "--retention-days")
      throw OptionsError("unknown option '" + flag + "'");
    if (i + 1 >= arguments.size()) throw OptionsError(flag + " needs a value");
    const std::string& value = arguments[++i];
    if (flag == "--port") {
      options.settings.port = portNumber(value);
      options.portGiven = true;
    }
    if (flag == "--allow-origin") addOrigin(options.settings, value);
    if (flag == "--output") given.output = value;
    if (flag == "--token-file") given.tokenFile = value;
    if (flag == "--retention-days") options.settings.labelRetention = retentionDays(wholeNumber(flag, value));
  }
  if (!given.output) {
    const char* fromEnvironment = std::getenv("VANTORY_LABEL_DIR");
    given.output = fromEnvironment && *fromEnvironment ? std::filesystem::path(fromEnvironment) : defaultOutput;
  }
  options.output = *given.output;
  options.tokenFile = given.tokenFile.value_or(std::filesystem::path());
  return options;
}

}  // namespace service
