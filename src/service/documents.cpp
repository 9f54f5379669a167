#include "service/documents.h"

#include <fstream>
#include <regex>
#include <sstream>

#include "automation/text.h"
#include "control/entry_points.h"
#include "control/version.h"
#include "forms/settings_forms.h"

namespace service {

// openapi.json as it is kept in the tree (openapi_document.cpp.in).
nlohmann::json embeddedOpenApiDocument();

namespace {

using nlohmann::json;

const char* kindName(forms::ControlKind kind) {
  switch (kind) {
    case forms::ControlKind::Label:
      return "label";
    case forms::ControlKind::TextBox:
      return "textbox";
    case forms::ControlKind::Button:
      return "button";
  }
  return "";
}

json formJson(forms::SettingsDialog dialog, const char* id) {
  const auto& design = forms::designOf(dialog);
  json controls = json::array();
  for (const auto& control : design.controls)
    controls.push_back({{"name", control.name},
                        {"kind", kindName(control.kind)},
                        {"caption", automation::toUtf8(control.caption)},
                        {"left", control.left},
                        {"top", control.top},
                        {"width", control.width},
                        {"height", control.height},
                        {"tabIndex", control.tabIndex},
                        {"visible", control.visible}});
  json fields = json::array();
  for (const auto& field : forms::fieldsOf(dialog))
    fields.push_back({{"box", field.box},
                      {"parameter", control::fieldOf(field.field).parameter},
                      {"default", automation::toUtf8(field.defaultValue)}});
  json form{{"id", id},
            {"name", design.name},
            {"clientWidth", design.clientWidth},
            {"clientHeight", design.clientHeight},
            {"initialFocus", design.initialFocus},
            {"controls", controls},
            {"fields", fields}};
  if (dialog == forms::SettingsDialog::PrintParameters) {
    // Shown for the GENERIC client type in place of the client number; never stored.
    form["genericLines"] = {{"hide", {"lblClientNumber", "txtClientNumber"}},
                            {"show", {"lblInput"}},
                            {"boxes",
                             {{{"box", "txtLine1"}, {"parameter", "Line1"}},
                              {{"box", "txtLine2"}, {"parameter", "Line2"}},
                              {{"box", "txtLine3"}, {"parameter", "Line3"}},
                              {{"box", "txtLine4"}, {"parameter", "Line4"}},
                              {{"box", "txtLine5"}, {"parameter", "Line5"}}}}};
  }
  return form;
}

}  // namespace

json statusDocument(const Settings& settings, const std::string& printing) {
  const std::string version = std::to_string(control::kVersionMajor) + "." + std::to_string(control::kVersionMinor) +
                              "." + std::to_string(control::kVersionRevision);
  return {{"service", "vantory-service"},
          {"version", version},
          {"controlVersion", control::kControlVersion},
          {"port", settings.port},
          {"cups", printing == "cups"},
          {"printing", printing},
          {"recordOnly", printing == "record-only"},
          {"allowedOrigins", settings.allowedOrigins.size()}};
}

namespace {

json destinationJson(const printers::Destination& printer) {
  return {{"name", printer.name},
          {"description", printer.description},
          {"makeAndModel", printer.makeAndModel},
          {"state", printer.state},
          {"reasons", printer.reasons},
          {"acceptingJobs", printer.acceptingJobs},
          {"defaultMedia", printer.defaultMedia},
          {"default", printer.isDefault}};
}

}  // namespace

json printersDocument(const std::string& mode, const std::vector<printers::Destination>& destinations) {
  json list = json::array();
  for (const auto& printer : destinations) list.push_back(destinationJson(printer));
  return {{"mode", mode}, {"printers", list}};
}

json printerReadinessDocument(const std::string& printer, const printers::Destination* destination,
                              const std::optional<std::string>& refusal) {
  return {{"printer", printer},
          {"ready", !refusal},
          {"refusal", refusal ? json(*refusal) : json(nullptr)},
          {"destination", destination ? destinationJson(*destination) : json(nullptr)}};
}

json openApiDocument(int port) {
  json document = embeddedOpenApiDocument();
  document["servers"] = {{{"url", "http://127.0.0.1:" + std::to_string(port)}}};
  // Each method's parameters, in order, as the control names them.
  for (const auto method : {control::PrintMethod::PrintLabels, control::PrintMethod::PrintGENERICLabels}) {
    json& properties = document["components"]["schemas"][std::string(control::methodName(method)) + "Parameters"]["properties"];
    for (const auto parameter : control::parameterNames(method))
      properties[std::string(parameter)] = {{"$ref", "#/components/schemas/Argument"}};
  }
  return document;
}

HttpResponse labelFile(const std::filesystem::path& folder, const std::string& name) {
  static const std::regex kLabelFile(R"((label-[0-9]{4,9}-[0-9a-f]{32})\.(png|json))");
  std::smatch parts;
  if (!std::regex_match(name, parts, kLabelFile))
    return errorAnswer(kNotFound, "no such label: labels are named as print answers name them");
  std::ifstream in(folder / name, std::ios::binary);
  if (!in) return errorAnswer(kNotFound, "no label " + name + " was recorded");
  std::ostringstream bytes;
  bytes << in.rdbuf();
  // Patient data: no browser or proxy keeps a copy.
  return {200, parts[2] == "png" ? "image/png" : "application/json", bytes.str(), {{"Cache-Control", "no-store"}}};
}

json settingsFormsDocument() {
  return {{"caption", automation::toUtf8(control::applicationVersionText())},
          {"genericClientType", automation::toUtf8(forms::kGenericClientType)},
          {"saveButton", forms::kSaveButton},
          {"restoreDefaultsButton", forms::kRestoreDefaultsButton},
          {"forms",
           {formJson(forms::SettingsDialog::PrintParameters, "PrintParameters"),
            formJson(forms::SettingsDialog::PatientData, "PatientData")}}};
}

}  // namespace service
