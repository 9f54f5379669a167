#pragma once
// The documents the service serves as they are: its OpenAPI description and the design of
// the settings dialogs (for clients that show them in a web page).

#include <nlohmann/json.hpp>

namespace service {

// openapi.json of this folder, embedded at build time, with this service's address.
nlohmann::json openApiDocument(int port);

// Both settings dialogs: caption, client size, every control with its place in twips, tab
// index and first visibility, and the boxes' parameters with what "Restore &Defaults" stores.
nlohmann::json settingsFormsDocument();

}  // namespace service
