#include "service/admission.h"

#include <algorithm>
#include <cctype>
#include <regex>
#include <stdexcept>

namespace service {

namespace {

std::string lower(std::string text) {
  std::ranges::transform(text, text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// Compares in a time that does not depend on where the texts differ, so a client cannot
// learn the token a character at a time.
bool sameSecret(const std::string& given, const std::string& secret) {
  unsigned char difference = given.size() == secret.size() ? 0 : 1;
  for (std::size_t i = 0; i < given.size(); ++i)
    difference |= static_cast<unsigned char>(given[i] ^ (secret.empty() ? 0 : secret[i % secret.size()]));
  return difference == 0 && !secret.empty();
}

}  // namespace

bool Admission::allowedOrigin(const std::optional<std::string>& origin) const {
  return origin && std::ranges::find(allowedOrigins_, *origin) != allowedOrigins_.end();
}

std::optional<HttpResponse> Admission::hostRefusal(const HttpRequest& request) const {
  const std::string port = ":" + std::to_string(port_);
  if (const auto host = request.header("Host"))
    for (const char* name : {"localhost", "127.0.0.1", "[::1]"})
      if (lower(*host) == name + port) return std::nullopt;
  return errorAnswer(kHostNotAllowed, "this service answers only requests addressed to localhost" + port +
                                          ", 127.0.0.1" + port + " or [::1]" + port);
}

std::optional<HttpResponse> Admission::crossSiteRefusal(const HttpRequest& request) const {
  const auto site = request.header("Sec-Fetch-Site");
  if (!site || *site == "same-origin" || *site == "none") return std::nullopt;
  const auto origin = request.header("Origin");
  // A page's own request with its Origin is judged by the origin (and may read why it is refused).
  if (origin) return std::nullopt;
  return errorAnswer(kCrossSiteRequest,
                     "requests a web page makes without naming its origin (images, links, forms) are not served; "
                     "pages use the service through the JavaScript client");
}

std::optional<HttpResponse> Admission::originRefusal(const HttpRequest& request) const {
  const auto origin = request.header("Origin");
  if (!origin || allowedOrigin(origin)) return std::nullopt;
  return errorAnswer(kOriginNotAllowed, "web pages from " + *origin +
                                            " may not use this print service. An administrator allows them by "
                                            "starting vantory-service with --allow-origin " +
                                            *origin + " or by adding it to \"allowOrigins\" in the --config file");
}

std::optional<HttpResponse> Admission::accessRefusal(const HttpRequest& request, Access access) const {
  if (access == Access::Anyone || allowedOrigin(request.header("Origin"))) return std::nullopt;
  if (const auto authorization = request.header("Authorization")) {
    constexpr std::string_view scheme = "bearer ";
    if (authorization->size() > scheme.size() && lower(authorization->substr(0, scheme.size())) == scheme &&
        sameSecret(authorization->substr(scheme.size()), accessToken_))
      return std::nullopt;
  }
  auto refusal = errorAnswer(
      kAccessTokenRequired,
      "local programs present the access token of the user who runs vantory-service as \"Authorization: Bearer "
      "<token>\"" +
          (accessTokenFile_.empty() ? std::string() : ", from the file " + accessTokenFile_ + ",") +
          " for everything but /v1/status");
  refusal.headers.emplace_back("WWW-Authenticate", "Bearer realm=\"vantory-service\"");
  return refusal;
}

HttpResponse Admission::preflight(std::span<const std::string> methods) const {
  std::vector<std::string> allowed(methods.begin(), methods.end());
  allowed.push_back("OPTIONS");
  HttpResponse response{204, "", "", {}};
  response.headers.emplace_back("Access-Control-Allow-Methods", methodList(allowed));
  response.headers.emplace_back("Access-Control-Allow-Headers", "Content-Type, Idempotency-Key");
  response.headers.emplace_back("Access-Control-Allow-Private-Network", "true");
  response.headers.emplace_back("Access-Control-Max-Age", "600");
  response.headers.emplace_back("Allow", methodList(allowed));
  return response;
}

void Admission::addCors(HttpResponse& response, const HttpRequest& request) const {
  response.headers.emplace_back("Vary", "Origin");
  const auto origin = request.header("Origin");
  if (!origin) return;
  response.headers.emplace_back("Access-Control-Allow-Origin", *origin);
  response.headers.emplace_back("Access-Control-Expose-Headers", "Idempotent-Replayed, Retry-After");
}

std::string methodList(std::span<const std::string> methods) {
  std::string text;
  for (const auto& method : methods) text += (text.empty() ? "" : ", ") + method;
  return text;
}

std::string checkedOrigin(const std::string& origin) {
  static const std::regex kOrigin(R"((https?)://([a-z0-9.-]+|\[[0-9a-f:.]+\])(:[0-9]{1,5})?)");
  if (!std::regex_match(origin, kOrigin))
    throw std::invalid_argument("'" + origin +
                                "' is not a web origin: write scheme://host[:port] in lower case, nothing after it "
                                "(for example https://lab.example.org)");
  return origin;
}

}  // namespace service
