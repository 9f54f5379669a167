#include "service/routes.h"

namespace service {

const std::vector<Route>& routes() {
  static const std::vector<Route> table{
      {"/v1/status", {"GET"}, Endpoint::Status, Access::Anyone},
      {"/v1/printers", {"GET"}, Endpoint::Printers},
      {"/v1/printers/", {"GET"}, Endpoint::Printer},
      {"/v1/openapi.json", {"GET"}, Endpoint::OpenApi},
      {"/v1/settings-forms", {"GET"}, Endpoint::SettingsForms},
      {"/v1/PrintLabels", {"POST"}, Endpoint::PrintLabels},
      {"/v1/PrintGENERICLabels", {"POST"}, Endpoint::PrintGENERICLabels},
      {"/v1/preview", {"POST"}, Endpoint::Preview},
      {"/v1/labels/", {"GET"}, Endpoint::Label},
  };
  return table;
}

const Route* findRoute(std::string_view path) {
  for (const auto& route : routes())
    if (route.path.ends_with('/') ? path.starts_with(route.path) && path.size() > route.path.size()
                                  : path == route.path)
      return &route;
  return nullptr;
}

std::string routedMethod(const std::string& method) { return method == "HEAD" ? "GET" : method; }

}  // namespace service
