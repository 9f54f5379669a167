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
#include "platform/posix/private_files.h"
#include "service/access_token.h"
#include "service/http/loopback_listeners.h"
#include "service/options.h"
#include "service/service.h"

int main(int argc, char** argv) {
  service::Options options;
  try {
    options = service::parseOptions({argv + 1, argv + argc});
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "vantory-service: %s\n\n%s", failure.what(), service::kUsage);
    return 2;
  }
  if (options.help) {
    std::fputs(service::kUsage, stdout);
    return 0;
  }

  // The access token, and a label folder only this user may read: labels hold patient data.
  const auto privateFiles = posix_platform::privateFiles();
  try {
    const auto tokenFile =
        std::filesystem::absolute(options.tokenFile.empty() ? privateFiles->defaultTokenFile() : options.tokenFile);
    options.settings.accessToken = service::loadOrMakeAccessToken(*privateFiles, tokenFile);
    options.settings.accessTokenFile = tokenFile.string();
    privateFiles->makeFolder(options.output);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "vantory-service: %s\n", failure.what());
    return 1;
  }

  std::unique_ptr<printers::Printers> labelPrinters;
  try {
    labelPrinters = options.recordOnly
                        ? printers::imagePrinters(options.output, engine::LabelNames::Unguessable)
                        : cups_printing::cupsPrinters(options.output, engine::LabelNames::Unguessable);
  } catch (const std::exception& failure) {
    std::fprintf(stderr,
                 "vantory-service: cannot print through CUPS: %s\n(install libcups2, or start with --record-only to "
                 "record label images without printing)\n",
                 failure.what());
    return 1;
  }

  // SIGINT and SIGTERM are taken by one thread that stops the listeners; block them in every other.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  service::LoopbackListeners listeners(options.settings.limits);
  if (!service::bindAsConfigured(listeners, options)) return 1;
  service::Service service(options.settings, *labelPrinters);

  std::atomic<bool> ended = false;
  std::thread stopper([&] {
    int signal = 0;
    sigwait(&stopSignals, &signal);
    if (!ended) listeners.stop();
  });

  service::announce(listeners, options, "printing through CUPS", options.output.string());
  listeners.run(service);

  ended = true;
  pthread_kill(stopper.native_handle(), SIGTERM);
  stopper.join();
  return 0;
}
