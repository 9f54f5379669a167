#pragma once
// One HTTP request as the service sees it and one answer, without sockets; and the answers'
// form: JSON, errors as {"error": {"code", "message"}} with a status that fits the code.

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace service {

struct CaseInsensitiveLess {
  bool operator()(const std::string& a, const std::string& b) const;
};
using Headers = std::map<std::string, std::string, CaseInsensitiveLess>;

struct HttpRequest {
  std::string method;  // "GET", "POST", ...
  std::string path;    // decoded, without the query
  Headers headers;
  std::string body;

  std::optional<std::string> header(const std::string& name) const;
};

struct HttpResponse {
  int status = 200;
  std::string contentType = "application/json";
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;

  std::optional<std::string> header(const std::string& name) const;
};

struct ErrorCode {
  int status;
  const char* code;
};
inline constexpr ErrorCode kBadRequest{400, "BAD_REQUEST"};
inline constexpr ErrorCode kAccessTokenRequired{401, "ACCESS_TOKEN_REQUIRED"};
inline constexpr ErrorCode kHostNotAllowed{403, "HOST_NOT_ALLOWED"};
inline constexpr ErrorCode kOriginNotAllowed{403, "ORIGIN_NOT_ALLOWED"};
inline constexpr ErrorCode kCrossSiteRequest{403, "CROSS_SITE_REQUEST"};
inline constexpr ErrorCode kNotFound{404, "NOT_FOUND"};
inline constexpr ErrorCode kMethodNotAllowed{405, "METHOD_NOT_ALLOWED"};
inline constexpr ErrorCode kTimeout{408, "TIMEOUT"};
inline constexpr ErrorCode kTooLarge{413, "TOO_LARGE"};
inline constexpr ErrorCode kRequestLineTooLong{414, "TOO_LARGE"};
inline constexpr ErrorCode kHeaderTooLarge{431, "TOO_LARGE"};
inline constexpr ErrorCode kNotPrintable{422, "NOT_PRINTABLE"};
inline constexpr ErrorCode kIdempotencyKeyReused{422, "IDEMPOTENCY_KEY_REUSED"};
inline constexpr ErrorCode kInternal{500, "INTERNAL"};
inline constexpr ErrorCode kPrinterUnavailable{503, "PRINTER_UNAVAILABLE"};
inline constexpr ErrorCode kEngineUnavailable{503, "ENGINE_UNAVAILABLE"};
inline constexpr ErrorCode kBusy{503, "BUSY"};

HttpResponse jsonAnswer(const nlohmann::json& body, int status = 200);
// {"error": {"code", "message", ...extra}}.
HttpResponse errorAnswer(ErrorCode code, const std::string& message, nlohmann::json extra = nlohmann::json::object());

}  // namespace service
