#pragma once
// What the print service is told at start: its port, the web origins whose pages may use
// it, and its limits, all in one place.

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace service {

inline constexpr int kDefaultPort = 41951;

// Every limit of the service.
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

}  // namespace service
