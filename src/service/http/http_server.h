#pragma once
// The service over HTTP. cpp-httplib parses every request and writes every answer; this server
// decides when a request is handed to it, so that no client can stall the service:
//
//   - each connection is served by a thread of its own (up to a limit in all and per client
//     address; more are closed at once), so a slow client holds only itself;
//   - a request is parsed only once its whole head has arrived within the limits (request
//     line: 414, header bytes and fields: 431) and within the deadline from its first byte
//     (408); its body must follow within the read timeout;
//   - an idle connection is closed after the keep-alive timeout.
//
// Requests refused before they were parsed get the service's error form through the HTTP
// library all the same: it answers a stand-in request marked with the refusal.

#include <httplib.h>

#include <memory>

#include "service/service.h"
#include "service/settings.h"

namespace service {

class HttpServer : public httplib::Server {
 public:
  explicit HttpServer(const Limits& limits);
  ~HttpServer() override;
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Hands every request to the service; before the server listens.
  void serve(Service& service);

 private:
  class Connection;
  class Connections;
  class Queue;

  bool process_and_close_socket(socket_t sock) override;
  void serveConnection(socket_t sock);
  void refuse(Connection& connection, int status);

  Limits limits_;
  std::unique_ptr<Connections> connections_;
};

}  // namespace service
