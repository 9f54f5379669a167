#pragma once
// Who the service answers, before any work:
//   - requests addressed to a loopback name with the service's port (a page that rebinds its
//     own host name to 127.0.0.1 is refused);
//   - no request a browser sends for another site's page without an Origin (an <img>, a
//     link, a form, a script: Sec-Fetch-Site cross-site or same-site), so no page can probe
//     or read a label by its address;
//   - web pages only of the allowed origins;
//   - local programs (no Origin) reach what needs trust only with the per-user access token
//     ("Authorization: Bearer ..."); without it they may read the status alone.
// Browsers get the CORS headers: every answer names the origin it is for, an origin that is
// not allowed may read its refusal (so the page can tell its user what to do) and pass the
// preflight that leads to it, and nothing else.

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "service/http_message.h"
#include "service/routes.h"
#include "service/settings.h"

namespace service {

class Admission {
 public:
  explicit Admission(const Settings& settings)
      : port_(settings.port),
        allowedOrigins_(settings.allowedOrigins),
        accessToken_(settings.accessToken),
        accessTokenFile_(settings.accessTokenFile) {}

  // 403 HOST_NOT_ALLOWED unless Host is localhost, 127.0.0.1 or [::1] with our port.
  std::optional<HttpResponse> hostRefusal(const HttpRequest& request) const;
  // 403 CROSS_SITE_REQUEST for what a browser sends from another site without an allowed
  // Origin: Sec-Fetch-Site anything but "same-origin" or "none".
  std::optional<HttpResponse> crossSiteRefusal(const HttpRequest& request) const;
  // 403 ORIGIN_NOT_ALLOWED for an Origin that is not allowed, saying how to allow it.
  std::optional<HttpResponse> originRefusal(const HttpRequest& request) const;
  // 401 ACCESS_TOKEN_REQUIRED for a request without Origin to a trusted resource that does
  // not present the access token.
  std::optional<HttpResponse> accessRefusal(const HttpRequest& request, Access access) const;
  // The answer to a browser's preflight for a resource that answers `methods`.
  HttpResponse preflight(std::span<const std::string> methods) const;
  // The CORS headers every answer carries.
  void addCors(HttpResponse& response, const HttpRequest& request) const;

 private:
  bool allowedOrigin(const std::optional<std::string>& origin) const;

  int port_;
  std::vector<std::string> allowedOrigins_;
  std::string accessToken_;
  std::string accessTokenFile_;
};

// "GET, POST": methods as an Allow header lists them.
std::string methodList(std::span<const std::string> methods);

// An origin as a browser sends it: scheme://host[:port], nothing after. Throws std::invalid_argument.
std::string checkedOrigin(const std::string& origin);

}  // namespace service
