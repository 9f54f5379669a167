#pragma once
// The print service without sockets: one HTTP request in, one answer out. It holds the
// process's one request state and prints through the control's entry points, one request
// at a time in arrival order; the HTTP server only adapts it, and tests call it directly.

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "control/label_request.h"
#include "printers.h"

namespace service {

inline constexpr int kDefaultPort = 41951;

// Every limit of the service, in one place.
struct Limits {
  std::size_t maxBodyBytes = 4u << 20;  // the control takes 1 MB strings; a whole request fits
  std::size_t maxIdempotencyKeyLength = 255;
  std::size_t idempotencyEntries = 1024;  // answers kept for repeated keys, oldest dropped first
  std::chrono::seconds idempotencyLifetime{600};
  // Kept by the HTTP adapter.
  std::size_t maxHeaderBytes = 8192;  // the HTTP library's own, fixed at its build
  int threads = 16;                   // connections served at once; more wait their turn
  std::chrono::seconds readTimeout{10}, writeTimeout{10}, keepAliveTimeout{5};
  std::size_t keepAliveRequests = 1000;
};

struct Settings {
  int port = kDefaultPort;
  std::vector<std::string> allowedOrigins;
  Limits limits;
};

struct CaseInsensitiveLess {
  bool operator()(const std::string& a, const std::string& b) const;
};
using Headers = std::map<std::string, std::string, CaseInsensitiveLess>;

struct HttpRequest {
  std::string method;  // "GET", "POST", ...
  std::string path;    // decoded, without the query
  Headers headers;
  std::string body;
};

struct HttpResponse {
  int status = 200;
  std::string contentType = "application/json";
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;

  std::optional<std::string> header(const std::string& name) const;
};

class Service {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  Service(Settings settings, Printers& printers, Clock clock = std::chrono::steady_clock::now);
  ~Service();
  Service(const Service&) = delete;
  Service& operator=(const Service&) = delete;

  // Never throws: every failure is an answer.
  HttpResponse handle(const HttpRequest& request);

  // The answer for a request the HTTP layer refused before it was read whole (413 for a body
  // over the limit, 400, 414, ...), with the same error form and CORS headers.
  HttpResponse refused(int status, const HttpRequest& request) const;

  // A copy of the shared request state.
  control::LabelRequest requestState() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// An origin as a browser sends it: scheme://host[:port], nothing after. Throws std::invalid_argument.
std::string checkedOrigin(const std::string& origin);

}  // namespace service
