#pragma once
// What the service's GET resources answer: its status, the printers, its OpenAPI
// description, the design of the settings dialogs (for clients that show them in a web
// page), and the recorded labels' files.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "printers/printers.h"
#include "service/http_message.h"
#include "service/settings.h"

namespace service {

// Version, port, how it prints ("cups"; "windows": through the label engine; or "record-only":
// labels recorded, nothing printed) and how many origins are allowed.
nlohmann::json statusDocument(const Settings& settings, const std::string& printing);

// {"mode", "printers": [{name, description, makeAndModel, state, reasons, acceptingJobs, defaultMedia,
// default}]}.
nlohmann::json printersDocument(const std::string& mode, const std::vector<printers::Destination>& destinations);

// Whether a label naming `printer` would print now: {"printer", "ready", "refusal", "destination"}
// with the destination it goes to (null when none is named so), and why not when it would not.
nlohmann::json printerReadinessDocument(const std::string& printer, const printers::Destination* destination,
                                        const std::optional<std::string>& refusal);

// openapi.json of this folder, embedded at build time, with this service's address and
// each print method's parameters from the request fields' table.
nlohmann::json openApiDocument(int port);

// Both settings dialogs: caption, client size, every control with its place in twips, tab
// index and first visibility, and the boxes' parameters with what "Restore &Defaults" stores.
nlohmann::json settingsFormsDocument();

// A recorded label's file, label-NNNN-<random>.png or .json (engine::LabelNames::Unguessable),
// from the folder; 404 for any other name or a label that was not recorded.
HttpResponse labelFile(const std::filesystem::path& folder, const std::string& name);

}  // namespace service
