#pragma once
// The service's resources: each path with the methods it answers, who may use it, and the
// endpoint behind it.

#include <string>
#include <string_view>
#include <vector>

namespace service {

enum class Endpoint { Status, Printers, Printer, OpenApi, SettingsForms, PrintLabels, PrintGENERICLabels, Preview, Label };

// Who may use a resource: anyone who passed admission, or only pages of the allowed origins
// and local programs that present the access token.
enum class Access { Anyone, Trusted };

struct Route {
  std::string path;  // exact, or a prefix ending in '/' followed by a name
  std::vector<std::string> methods;
  Endpoint endpoint;
  Access access = Access::Trusted;
};

// Every route.
const std::vector<Route>& routes();

// The route of a path, or none.
const Route* findRoute(std::string_view path);

// HEAD is answered as GET.
std::string routedMethod(const std::string& method);

}  // namespace service
