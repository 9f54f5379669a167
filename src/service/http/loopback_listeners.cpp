#include "service/http/loopback_listeners.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace service {

LoopbackListeners::LoopbackListeners(const Limits& limits) : ipv4_(limits), ipv6_(limits) {}

bool LoopbackListeners::bindBoth(int port) {
  port_ = port == 0 ? ipv4_.bind_to_any_port("127.0.0.1") : (ipv4_.bind_to_port("127.0.0.1", port) ? port : -1);
  if (port_ <= 0) return false;
  ipv6Bound_ = ipv6_.bind_to_port("::1", port_);
  return true;
}

int LoopbackListeners::bind(std::optional<int> port) {
  if (port) {
    if (!bindBoth(*port))
      throw ListenError("cannot listen on 127.0.0.1:" + std::to_string(*port) + " (is another service on that port?)");
    return port_;
  }
  for (int candidate = kDefaultPort; candidate <= kLastDefaultPort; ++candidate)
    if (bindBoth(candidate)) return port_;
  throw ListenError("none of the ports " + std::to_string(kDefaultPort) + " to " + std::to_string(kLastDefaultPort) +
                    " is free on 127.0.0.1");
}

std::string LoopbackListeners::addresses() const {
  const std::string port = std::to_string(port_);
  return "http://127.0.0.1:" + port + (ipv6Bound_ ? " and http://[::1]:" + port : "");
}

void LoopbackListeners::run(Service& service) {
  ipv4_.serve(service);
  ipv6_.serve(service);
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

bool bindAsConfigured(LoopbackListeners& listeners, Options& options) {
  try {
    options.settings.port = listeners.bind(options.portGiven ? std::optional(options.settings.port) : std::nullopt);
  } catch (const ListenError& failure) {
    std::fprintf(stderr, "vantory-service: %s\n", failure.what());
    return false;
  }
  if (!listeners.ipv6())
    std::fprintf(stderr, "vantory-service: [::1]:%d is not available; serving on 127.0.0.1 only\n",
                 options.settings.port);
  return true;
}

void announce(const LoopbackListeners& listeners, const Options& options, const char* printing,
              const std::string& labels) {
  std::printf(
      "vantory-service: listening on %s, %s, labels in %s (kept %lld days), %zu allowed origin(s), access token in %s\n",
      listeners.addresses().c_str(), options.recordOnly ? "RECORD ONLY: labels are recorded, not printed" : printing,
      labels.c_str(), static_cast<long long>(options.settings.labelRetention.count() / 24),
      options.settings.allowedOrigins.size(), options.settings.accessTokenFile.c_str());
  std::fflush(stdout);
}

}  // namespace service
