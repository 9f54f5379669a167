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
#include "platform/posix/private_files.h"
#include "service/access_token.h"
#include "service/http/http_server.h"
#include "service/options.h"
#include "service/service.h"

namespace {

// Binds both loopback addresses to one port: the one asked for, else the first of the
// documented ports free on both. Returns the port, or 0.
int bindLoopback(service::HttpServer& ipv4, service::HttpServer& ipv6, const service::Options& options, bool& withIpv6) {
  const auto tryPort = [&](int port) {
    const int bound = port == 0 ? ipv4.bind_to_any_port("127.0.0.1") : (ipv4.bind_to_port("127.0.0.1", port) ? port : -1);
    if (bound <= 0) return 0;
    withIpv6 = ipv6.bind_to_port("::1", bound);
    return bound;
  };
  if (options.portGiven) return tryPort(options.settings.port);
  for (int port = service::kDefaultPort; port <= service::kLastDefaultPort; ++port)
    if (const int bound = tryPort(port)) return bound;
  return 0;
}

}  // namespace

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

  // SIGINT and SIGTERM are taken by one thread that stops the servers; block them in every other.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  service::HttpServer ipv4(options.settings.limits), ipv6(options.settings.limits);
  bool withIpv6 = false;
  const int port = bindLoopback(ipv4, ipv6, options, withIpv6);
  if (port <= 0) {
    if (options.portGiven)
      std::fprintf(stderr, "vantory-service: cannot listen on 127.0.0.1:%d (is another service on that port?)\n",
                   options.settings.port);
    else
      std::fprintf(stderr, "vantory-service: none of the ports %d to %d is free on 127.0.0.1\n", service::kDefaultPort,
                   service::kLastDefaultPort);
    return 1;
  }
  if (!withIpv6) std::fprintf(stderr, "vantory-service: [::1]:%d is not available; serving on 127.0.0.1 only\n", port);

  options.settings.port = port;
  service::Service service(options.settings, *labelPrinters);
  ipv4.serve(service);
  ipv6.serve(service);

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

  std::printf(
      "vantory-service: listening on http://127.0.0.1:%d%s, %s, labels in %s (kept %lld days), %zu allowed "
      "origin(s), access token in %s\n",
      port, withIpv6 ? (" and http://[::1]:" + std::to_string(port)).c_str() : "",
      options.recordOnly ? "RECORD ONLY: labels are recorded, not printed" : "printing through CUPS",
      options.output.string().c_str(), static_cast<long long>(options.settings.labelRetention.count() / 24),
      options.settings.allowedOrigins.size(), options.settings.accessTokenFile.c_str());
  std::fflush(stdout);
  ipv4.listen_after_bind();

  // The servers stop together: whichever way the first ended, the stopper ends the rest.
  pthread_kill(stopper.native_handle(), SIGTERM);
  if (secondListener.joinable()) secondListener.join();
  ended = true;
  stopper.join();
  return 0;
}
