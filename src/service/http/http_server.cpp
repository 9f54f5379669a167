#include "service/http/http_server.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <list>
#include <map>
#include <mutex>
#include <thread>

#include "service/http/sockets.h"
#include "service/request_head.h"

namespace service {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Waits are cut into slices this long, to notice that the server is stopping.
constexpr milliseconds kSlice{100};

// The header that marks a stand-in request with the status its refusal answers; no client's
// request carries it on to the service.
constexpr const char* kRefusalHeader = "Vantory-Refused-With";
// The stand-in read in place of a request refused before it was parsed.
constexpr std::string_view kStandInRequest = "GET / HTTP/1.1\r\nHost: refused\r\nConnection: close\r\n\r\n";

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

// One client's connection as the HTTP library reads it: the bytes of a request's head are
// gathered (and judged) before the library sees them; the body is read within its deadline.
class HttpServer::Connection final : public httplib::Stream {
 public:
  enum class Head { Arrived, Gone, Late, LineTooLong, TooLarge };

  Connection(socket_t socket, const Limits& limits, const std::atomic<socket_t>& listener)
      : socket_(socket), limits_(limits), listener_(listener) {}

  // Waits for the next request's head: the first of a connection, or the next on one kept alive.
  Head awaitHead(bool first) {
    buffer_.erase(0, offset_);
    offset_ = 0;
    RequestHead head(limits_);
    const auto began = Clock::now();
    std::optional<Clock::time_point> firstByte;
    if (!buffer_.empty()) firstByte = began;
    for (;;) {
      switch (head.scan(buffer_).verdict) {
        case HeadScan::Verdict::Complete:
          bodyDeadline_ = Clock::now() + limits_.readTimeout;
          return Head::Arrived;
        case HeadScan::Verdict::RequestLineTooLong:
          return Head::LineTooLong;
        case HeadScan::Verdict::HeaderTooLarge:
          return Head::TooLarge;
        case HeadScan::Verdict::Incomplete:
          break;
      }
      // A connection that sends nothing is closed quietly; one that began a request and stalls is told.
      const auto deadline = firstByte ? *firstByte + limits_.headerDeadline
                                      : began + (first ? limits_.headerDeadline : limits_.keepAliveTimeout);
      const auto ready = waitUntil(deadline);
      if (ready == sockets::Ready::TimedOut) return firstByte ? Head::Late : Head::Gone;
      if (ready == sockets::Ready::Failed) return Head::Gone;
      char chunk[4096];
      const long got = sockets::receive(socket_, chunk, sizeof chunk);
      if (got == sockets::kNothingYet) continue;
      if (got <= 0) return Head::Gone;
      if (!firstByte) firstByte = Clock::now();
      buffer_.append(chunk, static_cast<std::size_t>(got));
    }
  }

  // After a refusal: the client is told nothing more, and what it still sends is read and
  // dropped for a while, so that closing does not reset the connection before it read the answer.
  void drain() {
    sockets::shutdownSending(socket_);
    const auto until = Clock::now() + milliseconds(2000);
    std::size_t dropped = 0;
    char chunk[4096];
    while (dropped < (1u << 20) && waitUntil(until) == sockets::Ready::Yes) {
      const long got = sockets::receive(socket_, chunk, sizeof chunk);
      if (got == sockets::kNothingYet) continue;
      if (got <= 0) break;
      dropped += static_cast<std::size_t>(got);
    }
  }

  bool is_readable() const override {
    return offset_ < buffer_.size() || sockets::waitReadable(socket_, milliseconds(0)) == sockets::Ready::Yes;
  }
  bool is_writable() const override {
    return sockets::waitWritable(socket_, limits_.writeTimeout) == sockets::Ready::Yes;
  }

  ssize_t read(char* ptr, size_t size) override {
    if (offset_ < buffer_.size()) {
      const std::size_t given = std::min(size, buffer_.size() - offset_);
      std::memcpy(ptr, buffer_.data() + offset_, given);
      offset_ += given;
      return static_cast<ssize_t>(given);
    }
    buffer_.clear();
    offset_ = 0;
    for (;;) {
      if (waitUntil(bodyDeadline_) != sockets::Ready::Yes) return -1;
      // Small reads (the library reads a line a byte at a time) go through the buffer.
      const bool direct = size >= kChunk;
      if (!direct) buffer_.resize(kChunk);
      const long got = sockets::receive(socket_, direct ? ptr : buffer_.data(), direct ? size : kChunk);
      if (!direct) buffer_.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
      if (got == sockets::kNothingYet) continue;
      if (got <= 0 || direct) return got;
      return read(ptr, size);
    }
  }

  ssize_t write(const char* ptr, size_t size) override {
    const auto deadline = Clock::now() + limits_.writeTimeout;
    std::size_t sent = 0;
    while (sent < size) {
      const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
      if (left.count() <= 0 || sockets::waitWritable(socket_, left) != sockets::Ready::Yes) return -1;
      const long now = sockets::send(socket_, ptr + sent, size - sent);
      if (now < 0) return -1;
      sent += static_cast<std::size_t>(now);
    }
    return static_cast<ssize_t>(sent);
  }

  void get_remote_ip_and_port(std::string& ip, int& port) const override { ip = sockets::peerAddress(socket_, &port); }
  void get_local_ip_and_port(std::string& ip, int& port) const override { ip = sockets::localAddress(socket_, &port); }
  socket_t socket() const override { return socket_; }

 private:
  static constexpr std::size_t kChunk = 4096;

  // Readable, or the deadline passed, or the server stops (Failed).
  sockets::Ready waitUntil(Clock::time_point deadline) const {
    for (;;) {
      if (listener_ == INVALID_SOCKET) return sockets::Ready::Failed;
      const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) return sockets::Ready::TimedOut;
      const auto ready = sockets::waitReadable(socket_, std::min(left, kSlice));
      if (ready != sockets::Ready::TimedOut) return ready;
    }
  }

  socket_t socket_;
  const Limits& limits_;
  const std::atomic<socket_t>& listener_;
  std::string buffer_;  // received, from offset_ on not yet read by the library
  std::size_t offset_ = 0;
  Clock::time_point bodyDeadline_{};
};

namespace {

// A stand-in request read in place of one refused before it was parsed; its answer goes to
// the client's connection.
class StandIn final : public httplib::Stream {
 public:
  explicit StandIn(httplib::Stream& connection) : connection_(connection) {}
  bool is_readable() const override { return true; }
  bool is_writable() const override { return connection_.is_writable(); }
  ssize_t read(char* ptr, size_t size) override {
    const std::size_t given = std::min(size, kStandInRequest.size() - offset_);
    std::memcpy(ptr, kStandInRequest.data() + offset_, given);
    offset_ += given;
    return static_cast<ssize_t>(given);
  }
  ssize_t write(const char* ptr, size_t size) override { return connection_.write(ptr, size); }
  void get_remote_ip_and_port(std::string& ip, int& port) const override { connection_.get_remote_ip_and_port(ip, port); }
  void get_local_ip_and_port(std::string& ip, int& port) const override { connection_.get_local_ip_and_port(ip, port); }
  socket_t socket() const override { return connection_.socket(); }

 private:
  httplib::Stream& connection_;
  std::size_t offset_ = 0;
};

}  // namespace

// The open connections: how many from each address, and the threads that serve them.
class HttpServer::Connections {
 public:
  explicit Connections(const Limits& limits) : limits_(limits) {}
  ~Connections() { joinAll(); }

  // Counts a connection from `address` in, unless the limits are reached.
  bool enter(const std::string& address) {
    const std::lock_guard lock(mutex_);
    auto& fromAddress = perAddress_[address];
    if (total_ >= limits_.maxConnections || fromAddress >= limits_.maxConnectionsPerAddress) {
      if (fromAddress == 0) perAddress_.erase(address);
      return false;
    }
    ++fromAddress;
    ++total_;
    return true;
  }

  void leave(const std::string& address) {
    const std::lock_guard lock(mutex_);
    --total_;
    if (--perAddress_[address] == 0) perAddress_.erase(address);
  }

  // Runs `work` on a thread of its own; the threads that have ended are joined.
  void start(std::function<void()> work) {
    const std::lock_guard lock(mutex_);
    std::erase_if(threads_, [](Thread& thread) {
      if (!*thread.ended) return false;
      thread.thread.join();
      return true;
    });
    auto ended = std::make_shared<std::atomic<bool>>(false);
    threads_.push_back({std::thread([work = std::move(work), ended] {
                          work();
                          *ended = true;
                        }),
                        ended});
  }

  void joinAll() {
    std::list<Thread> threads;
    {
      const std::lock_guard lock(mutex_);
      threads.swap(threads_);
    }
    for (auto& thread : threads) thread.thread.join();
  }

 private:
  struct Thread {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> ended;
  };
  const Limits& limits_;
  std::mutex mutex_;
  std::map<std::string, std::size_t> perAddress_;
  std::size_t total_ = 0;
  std::list<Thread> threads_;
};

// The library hands each accepted connection to its task queue: here it is started on a
// thread of its own at once, and the queue's end waits for every connection's.
class HttpServer::Queue final : public httplib::TaskQueue {
 public:
  explicit Queue(Connections& connections) : connections_(connections) {}
  void enqueue(std::function<void()> fn) override { fn(); }
  void shutdown() override { connections_.joinAll(); }

 private:
  Connections& connections_;
};

HttpServer::HttpServer(const Limits& limits) : limits_(limits), connections_(std::make_unique<Connections>(limits_)) {
  // Answers go out at once: with Nagle's algorithm a keep-alive answer waits for the delayed ACK.
  set_tcp_nodelay(true);
  set_payload_max_length(limits_.maxBodyBytes);
  set_read_timeout(limits_.readTimeout);
  set_write_timeout(limits_.writeTimeout);
  // What the answers' Keep-Alive header says; this server keeps to it itself.
  set_keep_alive_timeout(std::chrono::duration_cast<std::chrono::seconds>(limits_.keepAliveTimeout).count());
  set_keep_alive_max_count(limits_.keepAliveRequests);
  new_task_queue = [this] { return new Queue(*connections_); };
}

HttpServer::~HttpServer() { connections_->joinAll(); }

void HttpServer::serve(Service& service) {
  const auto handler = [&service](const httplib::Request& request, httplib::Response& response) {
    if (request.has_header(kRefusalHeader)) {
      fill(response, service.refused(std::stoi(request.get_header_value(kRefusalHeader)), toServiceRequest(request)));
      return;
    }
    fill(response, service.handle(toServiceRequest(request)));
  };
  const std::string everything = ".*";
  Get(everything, handler);
  Post(everything, handler);
  Put(everything, handler);
  Patch(everything, handler);
  Delete(everything, handler);
  Options(everything, handler);
  // What the HTTP library refuses itself (a body over the limit, an unreadable request) gets
  // the service's error form too.
  set_error_handler(HandlerWithResponse([&service](const httplib::Request& request, httplib::Response& response) {
    if (!response.body.empty()) return HandlerResponse::Unhandled;
    fill(response, service.refused(response.status, toServiceRequest(request)));
    return HandlerResponse::Handled;
  }));
}

bool HttpServer::process_and_close_socket(socket_t sock) {
  const std::string address = sockets::peerAddress(sock);
  if (!connections_->enter(address)) {
    sockets::close(sock);
    return false;
  }
  try {
    connections_->start([this, sock, address] {
      try {
        serveConnection(sock);
      } catch (...) {
        // The connection ends; the server goes on.
      }
      sockets::close(sock);
      connections_->leave(address);
    });
  } catch (...) {  // no thread could be started
    sockets::close(sock);
    connections_->leave(address);
    return false;
  }
  return true;
}

void HttpServer::serveConnection(socket_t sock) {
  Connection connection(sock, limits_, svr_sock_);
  // No client may mark its own request as a refusal.
  const auto unmarked = [](httplib::Request& request) { request.headers.erase(kRefusalHeader); };
  for (std::size_t served = 0; served < limits_.keepAliveRequests; ++served) {
    switch (connection.awaitHead(served == 0)) {
      case Connection::Head::Arrived:
        break;
      case Connection::Head::Gone:
        return;
      case Connection::Head::Late:
        return refuse(connection, 408);
      case Connection::Head::LineTooLong:
        return refuse(connection, 414);
      case Connection::Head::TooLarge:
        return refuse(connection, 431);
    }
    bool closed = false;
    const bool last = served + 1 == limits_.keepAliveRequests;
    if (!process_request(connection, last, closed, unmarked) || closed) return;
  }
}

void HttpServer::refuse(Connection& connection, int status) {
  StandIn standIn(connection);
  bool closed = false;
  process_request(standIn, true, closed,
                  [status](httplib::Request& request) { request.set_header(kRefusalHeader, std::to_string(status)); });
  connection.drain();
}

}  // namespace service
