// vantory-service: the label control's two print calls for web pages and local programs,
// over HTTP on the loopback addresses. cpp-httplib carries the requests; the service
// library answers them.

#include <pthread.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <thread>

#include "platform/cups/cups_printers.h"
#include "service/http/loopback_listeners.h"
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

  // SIGINT and SIGTERM are taken by one thread that stops the listeners; block them in every other.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  service::LoopbackListeners listeners(options.settings.limits);
  try {
    options.settings.port = listeners.bind(options.settings.port);
  } catch (const service::ListenError& failure) {
    std::fprintf(stderr, "vantory-service: %s\n", failure.what());
    return 1;
  }
  if (!listeners.ipv6())
    std::fprintf(stderr, "vantory-service: [::1]:%d is not available; serving on 127.0.0.1 only\n",
                 options.settings.port);
  service::Service service(options.settings, *labelPrinters);

  std::atomic<bool> ended = false;
  std::thread stopper([&] {
    int signal = 0;
    sigwait(&stopSignals, &signal);
    if (!ended) listeners.stop();
  });

  std::printf("vantory-service: listening on %s, printing %s, labels in %s, %zu allowed origin(s)\n",
              listeners.addresses().c_str(), labelPrinters->mode().c_str(), options.output.string().c_str(),
              options.settings.allowedOrigins.size());
  std::fflush(stdout);
  listeners.run(service);

  ended = true;
  pthread_kill(stopper.native_handle(), SIGTERM);
  stopper.join();
  return 0;
}
