#pragma once
// vantory-service's settings: the command line over an administrator's JSON file.

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "service/settings.h"

namespace service {

struct Options {
  Settings settings;
  bool cups = false;
  std::filesystem::path output;
  bool help = false;
};

class OptionsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

extern const char* const kUsage;

// --port N, --allow-origin ORIGIN (repeatable), --config FILE, --cups, --output DIR, --help.
// The file holds {"port": N, "allowOrigins": [...], "cups": bool, "output": "DIR"}; flags win
// over it, and the origins of both are allowed. Without either the output is
// $VANTORY_LABEL_DIR, else `defaultOutput`.
Options parseOptions(const std::vector<std::string>& arguments,
                     const std::filesystem::path& defaultOutput = "labels");

}  // namespace service
