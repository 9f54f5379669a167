#include "service/http/loopback_listeners.h"

#include <chrono>
#include <thread>

#include "service/http/http_adapter.h"

namespace service {

LoopbackListeners::LoopbackListeners(const Limits& limits) {
  applyLimits(ipv4_, limits);
  applyLimits(ipv6_, limits);
}

int LoopbackListeners::bind(int port) {
  port_ = port == 0 ? ipv4_.bind_to_any_port("127.0.0.1") : (ipv4_.bind_to_port("127.0.0.1", port) ? port : -1);
  if (port_ <= 0)
    throw ListenError("cannot listen on 127.0.0.1:" + std::to_string(port) + " (is another service on that port?)");
  ipv6Bound_ = ipv6_.bind_to_port("::1", port_);
  return port_;
}

std::string LoopbackListeners::addresses() const {
  const std::string port = std::to_string(port_);
  return "http://127.0.0.1:" + port + (ipv6Bound_ ? " and http://[::1]:" + port : "");
}

void LoopbackListeners::run(Service& service) {
  serveOver(ipv4_, service);
  serveOver(ipv6_, service);
  // A listener stopped before it runs would run on: keep stopping both until both have ended.
  std::atomic<bool> ended = false;
  std::thread stopper([&] {
    {
      std::unique_lock lock(mutex_);
      stopRequested_.wait(lock, [&] { return stopping_; });
    }
    while (!ended) {
      ipv4_.stop();
      ipv6_.stop();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  });
  std::thread second;
  if (ipv6Bound_) second = std::thread([&] { ipv6_.listen_after_bind(); });
  ipv4_.listen_after_bind();
  // Whichever way the first ended, the second ends too.
  stop();
  if (second.joinable()) second.join();
  ended = true;
  stopper.join();
}

void LoopbackListeners::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  stopRequested_.notify_all();
}

}  // namespace service
