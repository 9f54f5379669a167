#pragma once
// The service's listeners: HTTP on 127.0.0.1 and, where the machine has it, [::1], on one
// port, every request to the service. Both programs (Linux and Windows) serve through it.

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>

#include "service/http/http_server.h"
#include "service/options.h"
#include "service/service.h"

namespace service {

class ListenError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class LoopbackListeners {
 public:
  explicit LoopbackListeners(const Limits& limits);

  // Binds to `port` (0: a free one), or without one to the first of the documented ports
  // (kDefaultPort to kLastDefaultPort) free on 127.0.0.1, and returns it. Throws ListenError,
  // saying which, when 127.0.0.1 cannot be had; [::1] is left out when it cannot (see ipv6()).
  int bind(std::optional<int> port);
  bool ipv6() const noexcept { return ipv6Bound_; }
  // "http://127.0.0.1:N and http://[::1]:N".
  std::string addresses() const;

  // Serves `service` until stop(); returns when both listeners have ended.
  void run(Service& service);
  // From any thread, at any time, also before run(): run() then returns at once.
  void stop();

 private:
  bool bindBoth(int port);

  HttpServer ipv4_, ipv6_;
  int port_ = 0;
  bool ipv6Bound_ = false;
  std::mutex mutex_;
  std::condition_variable stopRequested_;
  bool stopping_ = false;
};

// What both programs do on start: binds `listeners` where `options` say (the port given, else the
// first free documented one) and records the port in its settings; says on stderr what went
// wrong (false), or that [::1] is left out.
bool bindAsConfigured(LoopbackListeners& listeners, Options& options);

// The line a started service prints: where it listens, how it prints (`printing`, unless
// record-only), where it keeps labels and for how long, its origins and its access token.
void announce(const LoopbackListeners& listeners, const Options& options, const char* printing,
              const std::string& labels);

}  // namespace service
