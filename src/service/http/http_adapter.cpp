#include "service/http/http_adapter.h"

namespace service {

namespace {

HttpRequest toServiceRequest(const httplib::Request& request) {
  HttpRequest converted{request.method, request.path, {}, request.body};
  for (const auto& [name, value] : request.headers) converted.headers.emplace(name, value);
  return converted;
}

void fill(httplib::Response& response, const HttpResponse& answer) {
  response.status = answer.status;
  for (const auto& [name, value] : answer.headers) response.set_header(name, value);
  if (!answer.body.empty() || !answer.contentType.empty()) response.set_content(answer.body, answer.contentType);
}

}  // namespace

void applyLimits(httplib::Server& server, const Limits& limits) {
  // Answers go out at once: with Nagle's algorithm a keep-alive answer waits for the delayed ACK.
  server.set_tcp_nodelay(true);
  server.set_payload_max_length(limits.maxBodyBytes);
  server.set_read_timeout(limits.readTimeout);
  server.set_write_timeout(limits.writeTimeout);
  server.set_keep_alive_timeout(limits.keepAliveTimeout.count());
  server.set_keep_alive_max_count(limits.keepAliveRequests);
  const int threads = limits.threads;
  // The server owns the queue it is handed.
  server.new_task_queue = [threads] { return std::make_unique<httplib::ThreadPool>(threads).release(); };
}

void serveOver(httplib::Server& server, Service& service) {
  const auto handler = [&service](const httplib::Request& request, httplib::Response& response) {
    fill(response, service.handle(toServiceRequest(request)));
  };
  const std::string everything = ".*";
  server.Get(everything, handler);
  server.Post(everything, handler);
  server.Put(everything, handler);
  server.Patch(everything, handler);
  server.Delete(everything, handler);
  server.Options(everything, handler);
  // What the HTTP library refuses itself (a body over the limit, an unreadable request)
  // gets the service's error form too.
  server.set_error_handler(
      httplib::Server::HandlerWithResponse([&service](const httplib::Request& request, httplib::Response& response) {
        if (!response.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        fill(response, service.refused(response.status, toServiceRequest(request)));
        return httplib::Server::HandlerResponse::Handled;
      }));
}

}  // namespace service
