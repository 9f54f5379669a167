#pragma once
// The print service without sockets: one HTTP request in, one answer out. Admission (Host,
// Origin, CORS) comes first, then the route; prints go through the print pipeline (one
// request state for all callers, one call at a time in arrival order) with repeated
// Idempotency-Keys answered from what was kept. The HTTP server only adapts it; tests and
// fuzzers call it directly.

#include <chrono>
#include <functional>
#include <memory>

#include "control/label_request.h"
#include "printers/printers.h"
#include "service/http_message.h"
#include "service/settings.h"

namespace service {

class CallPrinter;

class Service {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  // Printing on this process's virtual engine into the printers' sink.
  Service(Settings settings, printers::Printers& printers, Clock clock = std::chrono::steady_clock::now);
  // Printing through `printer` (the Windows label engine) on `printers`; both must outlive it.
  Service(Settings settings, printers::PrinterList& printers, CallPrinter& printer,
          Clock clock = std::chrono::steady_clock::now);
  ~Service();
  Service(const Service&) = delete;
  Service& operator=(const Service&) = delete;

  // Never throws: every failure is an answer.
  HttpResponse handle(const HttpRequest& request);

  // The answer for a request the HTTP layer refused before it was read whole (413 for a body
  // over the limit, 400, 414, ...), with the same error form and CORS headers.
  HttpResponse refused(int status, const HttpRequest& request) const;

  // A copy of the shared request state.
  control::LabelRequest requestState() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace service
