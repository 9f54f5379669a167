#include "service/http_message.h"

#include <algorithm>
#include <cctype>

namespace service {

namespace {

bool sameName(const std::string& a, const std::string& b) {
  return std::ranges::equal(a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

}  // namespace

bool CaseInsensitiveLess::operator()(const std::string& a, const std::string& b) const {
  return std::ranges::lexicographical_compare(
      a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) < std::tolower(y); });
}

std::optional<std::string> HttpRequest::header(const std::string& name) const {
  const auto found = headers.find(name);
  if (found == headers.end()) return std::nullopt;
  return found->second;
}

std::optional<std::string> HttpResponse::header(const std::string& name) const {
  for (const auto& [key, value] : headers)
    if (sameName(key, name)) return value;
  return std::nullopt;
}

HttpResponse jsonAnswer(const nlohmann::json& body, int status) {
  return {status, "application/json", body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace), {}};
}

HttpResponse errorAnswer(ErrorCode code, const std::string& message, nlohmann::json extra) {
  extra["code"] = code.code;
  extra["message"] = message;
  return jsonAnswer({{"error", extra}}, code.status);
}

}  // namespace service
