// vantory-service: the label control's two print calls for web pages and local programs,
// over HTTP on the loopback addresses. cpp-httplib carries the requests; the service
// library answers them.

#include <pthread.h>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <thread>

#include "http_adapter.h"
#include "service_core.h"
#include "service_options.h"


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

  std::unique_ptr<service::Printers> printers;
  try {
    printers = options.cups ? service::cupsPrinters(options.output) : service::imagePrinters(options.output);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "vantory-service: cannot print through CUPS: %s\n", failure.what());
    return 1;
  }
  if (!printers) {
    std::fprintf(stderr,
                 "vantory-service: --cups: this build has no CUPS support (it was built without the vantory_cups "
                 "library); start it without --cups to record label images only\n");
    return 2;
  }

  // SIGINT and SIGTERM are taken by one thread that stops the servers; block them in every other.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  httplib::Server ipv4, ipv6;
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
  service::Service service(options.settings, *printers);
  service::serveOver(ipv4, service, options.settings.limits);
  service::serveOver(ipv6, service, options.settings.limits);

  std::thread stopper([&] {
    int signal = 0;
    sigwait(&stopSignals, &signal);
    ipv4.stop();
    ipv6.stop();
  });
  std::thread secondListener;
  if (withIpv6) secondListener = std::thread([&] { ipv6.listen_after_bind(); });

  std::printf("vantory-service: listening on http://127.0.0.1:%d%s, printing %s, labels in %s, %zu allowed origin(s)\n",
              port, withIpv6 ? (" and http://[::1]:" + std::to_string(port)).c_str() : "", printers->mode().c_str(),
              options.output.string().c_str(), options.settings.allowedOrigins.size());
  std::fflush(stdout);
  ipv4.listen_after_bind();

  // The servers stop together: whichever ended first, end the rest.
  ipv6.stop();
  if (secondListener.joinable()) secondListener.join();
  pthread_kill(stopper.native_handle(), SIGTERM);
  stopper.join();
  return 0;
}
