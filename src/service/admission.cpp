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

}  // namespace

std::optional<HttpResponse> Admission::hostRefusal(const HttpRequest& request) const {
  const std::string port = ":" + std::to_string(port_);
  if (const auto host = request.header("Host"))
    for (const char* name : {"localhost", "127.0.0.1", "[::1]"})
      if (lower(*host) == name + port) return std::nullopt;
  return errorAnswer(kHostNotAllowed, "this service answers only requests addressed to localhost" + port +
                                          ", 127.0.0.1" + port + " or [::1]" + port);
}

std::optional<HttpResponse> Admission::originRefusal(const HttpRequest& request) const {
  const auto origin = request.header("Origin");
  if (!origin || std::ranges::find(allowedOrigins_, *origin) != allowedOrigins_.end()) return std::nullopt;
  return errorAnswer(kOriginNotAllowed, "web pages from " + *origin +
                                            " may not use this print service. An administrator allows them by "
                                            "starting vantory-service with --allow-origin " +
                                            *origin + " or by adding it to \"allowOrigins\" in the --config file");
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
  response.headers.emplace_back("Access-Control-Expose-Headers", "Idempotent-Replayed");
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
