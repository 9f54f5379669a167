#pragma once
// Who the service answers, before any work: requests addressed to a loopback name with the
// service's port (a page that rebinds its own host name to 127.0.0.1 is refused), and web
// pages only of the allowed origins; programs on this machine send no Origin and are
// served. Browsers get the CORS headers: every answer names the origin it is for, an origin
// that is not allowed may read its refusal (so the page can tell its user what to do) and
// pass the preflight that leads to it, and nothing else.

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "service/http_message.h"
#include "service/settings.h"

namespace service {

class Admission {
 public:
  explicit Admission(const Settings& settings) : port_(settings.port), allowedOrigins_(settings.allowedOrigins) {}

  // 403 HOST_NOT_ALLOWED unless Host is localhost, 127.0.0.1 or [::1] with our port.
  std::optional<HttpResponse> hostRefusal(const HttpRequest& request) const;
  // 403 ORIGIN_NOT_ALLOWED for an Origin that is not allowed, saying how to allow it.
  std::optional<HttpResponse> originRefusal(const HttpRequest& request) const;
  // The answer to a browser's preflight for a resource that answers `methods`.
  HttpResponse preflight(std::span<const std::string> methods) const;
  // The CORS headers every answer carries.
  void addCors(HttpResponse& response, const HttpRequest& request) const;

 private:
  int port_;
  std::vector<std::string> allowedOrigins_;
};

// "GET, POST": methods as an Allow header lists them.
std::string methodList(std::span<const std::string> methods);

// An origin as a browser sends it: scheme://host[:port], nothing after. Throws std::invalid_argument.
std::string checkedOrigin(const std::string& origin);

}  // namespace service
