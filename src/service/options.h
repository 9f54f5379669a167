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
  bool portGiven = false;    // else the first free of the documented ports
  bool recordOnly = false;   // record label images only, print nothing (else through CUPS)
  std::filesystem::path output;
  std::filesystem::path tokenFile;  // empty: the platform's place for it
  bool help = false;
};

class OptionsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The --help text (also the man page's).
extern const char* const kUsage;

// --port N, --allow-origin ORIGIN (repeatable), --config FILE, --record-only, --output DIR,
// --token-file FILE, --retention-days N, --help. The file holds {"port": N, "allowOrigins":
// [...], "recordOnly": bool, "output": "DIR", "tokenFile": "FILE", "labelRetentionDays": N};
// flags win over it, and the origins of both are allowed. Without either the output is
// $VANTORY_LABEL_DIR, else `defaultOutput`.
Options parseOptions(const std::vector<std::string>& arguments,
                     const std::filesystem::path& defaultOutput = "labels");

}  // namespace service
