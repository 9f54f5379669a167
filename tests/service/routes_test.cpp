// The routes and the documents they serve, on their own.

#include "service/routes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "control/entry_points.h"
#include "service/documents.h"
#include "support/temporary_folder.h"

namespace service {
namespace {

struct RouteCase {
  std::string path;
  std::optional<Endpoint> endpoint;
};

TEST(Routes, EachPathFindsItsEndpointAndNothingElseDoes) {
  const std::vector<RouteCase> cases{
      {"/v1/status", Endpoint::Status},
      {"/v1/printers", Endpoint::Printers},
      {"/v1/printers/DYMO LabelWriter 450", Endpoint::Printer},
      {"/v1/PrintLabels", Endpoint::PrintLabels},
      {"/v1/PrintGENERICLabels", Endpoint::PrintGENERICLabels},
      {"/v1/labels/label-0001.png", Endpoint::Label},
      {"/v1/labels/anything", Endpoint::Label},  // the label endpoint judges the name
      {"/v1/labels/", std::nullopt},
      {"/v1/printlabels", std::nullopt},
      {"/v1/status/", std::nullopt},
      {"/v2/status", std::nullopt},
      {"/", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    const Route* route = findRoute(c.path);
    EXPECT_EQ(route ? std::optional(route->endpoint) : std::nullopt, c.endpoint) << c.path;
  }
  EXPECT_EQ(findRoute("/v1/preview")->methods, std::vector<std::string>{"POST"});
  EXPECT_EQ(routedMethod("HEAD"), "GET");
  EXPECT_EQ(routedMethod("DELETE"), "DELETE");
  // Only the status is for anyone; everything else needs an allowed page or the token.
  for (const auto& route : routes())
    EXPECT_EQ(route.access, route.endpoint == Endpoint::Status ? Access::Anyone : Access::Trusted) << route.path;
}

TEST(Documents, TheOpenApiDocumentListsEachMethodsParametersFromTheTable) {
  const auto document = openApiDocument(5000);
  EXPECT_EQ(document["servers"][0]["url"], "http://127.0.0.1:5000");
  for (const auto method : {control::PrintMethod::PrintLabels, control::PrintMethod::PrintGENERICLabels}) {
    const auto& schema = document["components"]["schemas"][std::string(control::methodName(method)) + "Parameters"];
    EXPECT_EQ(schema["additionalProperties"], false);
    std::set<std::string> listed;
    for (const auto& [name, property] : schema["properties"].items()) {
      listed.insert(name);
      EXPECT_EQ(property["$ref"], "#/components/schemas/Argument") << name;
    }
    const auto parameters = control::parameterNames(method);
    EXPECT_EQ(listed, std::set<std::string>(parameters.begin(), parameters.end())) << control::methodName(method);
  }
  // Every route is described, and nothing else.
  std::set<std::string> described;  // "/v1/labels/{file}" as the route's prefix "/v1/labels/"
  for (const auto& [path, operations] : document["paths"].items()) described.insert(path.substr(0, path.find('{')));
  std::set<std::string> routed;
  for (const auto& route : routes()) routed.insert(route.path);
  EXPECT_EQ(described, routed);
}

TEST(Documents, TheSettingsFormsNameEachBoxsParameterAndDefault) {
  const auto forms = settingsFormsDocument();
  const auto& patient = forms["forms"][1];
  ASSERT_EQ(patient["fields"].size(), 15u);
  EXPECT_EQ(patient["fields"][0], nlohmann::json({{"box", "txtBarCode"}, {"parameter", "Barcode"}, {"default", "9003948343"}}));
  EXPECT_EQ(patient["fields"][11]["box"], "txtCollectionDate");
  EXPECT_EQ(patient["fields"][11]["parameter"], "CurrentDate");
}

TEST(Documents, LabelFilesAreServedByTheirUnguessableNamesOnly) {
  const engine_test::TemporaryFolder folder;
  const std::string id = "label-0007-0123456789abcdef0123456789abcdef";
  std::ofstream(folder.path() / (id + ".json")) << "{}";
  std::ofstream(folder.path() / "label-0007.json") << "{}";  // as a host that numbers its labels only records them
  std::ofstream(folder.path() / "secret.json") << "{}";
  const auto served = labelFile(folder.path(), id + ".json");
  EXPECT_EQ(served.status, 200);
  EXPECT_EQ(served.contentType, "application/json");
  EXPECT_EQ(served.header("Cache-Control"), "no-store");
  for (const std::string& name : std::vector<std::string>{"label-0007.json", "label-0008-0123456789abcdef0123456789abcdef.json", "secret.json",
                                 "label-7.json", "../" + id + ".json", id + ".json/..", id + ".txt", id + ".png",
                                 "label-0007-0123456789ABCDEF0123456789ABCDEF.json", "label-0007-0123456789abcdef.json"})
    EXPECT_EQ(labelFile(folder.path(), name).status, 404) << name;
}

}  // namespace
}  // namespace service
