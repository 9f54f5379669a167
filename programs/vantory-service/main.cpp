// vantory-service: the label control's two print calls for web pages and local programs,
// over HTTP on the loopback addresses. cpp-httplib carries the requests; the service
// library answers them.

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <thread>

#include "platform/cups/cups_printers.h"
#include "service/http/http_adapter.h"
#include "service/options.h"
#include "service/service.h"

int main(int argc, char** argv) {
  service::Options options;
  try {
    options = service::parseOptions({argv + 1, argv + argc});
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "vantory-service: %s\n%s", failure.what(), service::kUsage);
    return 2;
  }
  if (options.help) {
    std::fputs(service::kUsage, stdout);
    return 0;
  }

  std::unique_ptr<printers::Printers> labelPrinters;
  try {
    labelPrinters =
        options.cups ? cups_printing::cupsPrinters(options.output) : printers::imagePrinters(options.output);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "vantory-service: cannot print through CUPS: %s\n", failure.what());
    return 1;
  }

  // SIGINT and SIGTERM are taken by one thread that stops the servers; block them in every other.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  httplib::Server ipv4, ipv6;
  service::applyLimits(ipv4, options.settings.limits);
  service::applyLimits(ipv6, options.settings.limits);
  int port = options.settings.port;
  if (port == 0) {
    port = ipv4.bind_to_any_port("127.0.0.1");
  } else if (!ipv4.bind_to_port("127.0.0.1", port)) {
    port = -1;
  }
  if (port <= 0) {
    std::fprintf(stderr, "vantory-service: cannot listen on 127.0.0.1:%d (is another service on that port?)\n",
                 options.settings.port);
    return 1;
  }
  const bool withIpv6 = ipv6.bind_to_port("::1", port);
  if (!withIpv6) std::fprintf(stderr, "vantory-service: [::1]:%d is not available; serving on 127.0.0.1 only\n", port);

  options.settings.port = port;
  service::Service service(options.settings, *labelPrinters);
  service::serveOver(ipv4, service);
  service::serveOver(ipv6, service);

  // A stop request may come before the servers run: keep asking until the listeners have ended.
  std::atomic<bool> ended = false;
  std::thread stopper([&] {
    int signal = 0;
    sigwait(&stopSignals, &signal);
    while (!ended) {
      ipv4.stop();
      ipv6.stop();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  });
  std::thread secondListener;
  if (withIpv6) secondListener = std::thread([&] { ipv6.listen_after_bind(); });

  std::printf("vantory-service: listening on http://127.0.0.1:%d%s, printing %s, labels in %s, %zu allowed origin(s)\n",
              port, withIpv6 ? (" and http://[::1]:" + std::to_string(port)).c_str() : "", labelPrinters->mode().c_str(),
              options.output.string().c_str(), options.settings.allowedOrigins.size());
  std::fflush(stdout);
  ipv4.listen_after_bind();

  // The servers stop together: whichever way the first ended, the stopper ends the rest.
  pthread_kill(stopper.native_handle(), SIGTERM);
  if (secondListener.joinable()) secondListener.join();
  ended = true;
  stopper.join();
  return 0;
}
