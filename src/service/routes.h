#pragma once
// The service's resources: each path with the methods it answers and the endpoint behind it.

#include <string>
#include <string_view>
#include <vector>

namespace service {

enum class Endpoint { Status, Printers, OpenApi, SettingsForms, PrintLabels, PrintGENERICLabels, Preview, Label };

struct Route {
  std::string path;  // exact, or a prefix ending in '/' followed by a name
  std::vector<std::string> methods;
  Endpoint endpoint;
};

// Every route.
const std::vector<Route>& routes();

// The route of a path, or none.
const Route* findRoute(std::string_view path);

// HEAD is answered as GET.
std::string routedMethod(const std::string& method);

}  // namespace service
