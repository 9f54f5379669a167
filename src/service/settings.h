#pragma once
// What the print service is told at start: its port, the web origins whose pages may use
// it, the access token local programs present, how long labels are kept, and its limits,
// all in one place.

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace service {

// The documented ports: the service takes the first free one of them unless told a port,
// and clients look for it on them in this order.
inline constexpr int kDefaultPort = 41951;
inline constexpr int kLastDefaultPort = 41955;

// Every limit of the service.
struct Limits {
  std::size_t maxBodyBytes = 4u << 20;  // the control takes 1 MB strings; a whole request fits
  std::size_t maxIdempotencyKeyLength = 255;
  std::size_t idempotencyEntries = 1024;  // answers kept for repeated keys, oldest dropped first
  std::chrono::seconds idempotencyLifetime{600};
  // Prints and previews in hand at once, drawing or waiting for their turn; more are
  // answered 503 with Retry-After.
  std::size_t maxRequestsInHand = 32;

  // Kept by the HTTP adapter, before the HTTP library reads a request.
  std::size_t maxRequestLineBytes = 4096;  // 414 beyond
  std::size_t maxHeaderBytes = 16384;      // the request line and every header field: 431 beyond
  std::size_t maxHeaderFields = 100;       // 431 beyond
  // A request's header must arrive whole within this of its first byte (a new connection's
  // first byte within this of the connection), its body within readTimeout after the header.
  std::chrono::milliseconds headerDeadline{5000};
  std::chrono::milliseconds readTimeout{10000}, writeTimeout{10000};
  std::chrono::milliseconds keepAliveTimeout{5000};  // an idle connection is closed after this
  std::size_t keepAliveRequests = 1000;
  // Open connections: each is served by a thread of its own, so a slow one holds only itself.
  std::size_t maxConnections = 256;
  std::size_t maxConnectionsPerAddress = 64;  // on loopback most clients share 127.0.0.1
};

struct Settings {
  int port = kDefaultPort;
  std::vector<std::string> allowedOrigins;
  // What local programs present as "Authorization: Bearer <token>"; none is accepted when empty.
  std::string accessToken;
  std::string accessTokenFile;  // where it is kept, for the messages that say where to find it
  // Recorded labels older than this are removed (patient data is not kept for ever).
  std::chrono::hours labelRetention{24 * 7};
  Limits limits;
};

}  // namespace service
