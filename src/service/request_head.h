#pragma once
// A request's head (its request line and header fields, up to the blank line) judged by the
// service's limits as its bytes arrive, before any HTTP library reads it: the HTTP adapter
// hands a request on only once its head has arrived whole within the limits, and refuses it
// otherwise (414, 431), so that a client cannot make the service hold or read a head without
// end.

#include <cstddef>
#include <string_view>

#include "service/settings.h"

namespace service {

struct HeadScan {
  enum class Verdict {
    Incomplete,          // more bytes may make it whole
    Complete,            // `length` bytes, blank line included
    RequestLineTooLong,  // 414
    HeaderTooLarge,      // 431: too many bytes or fields
  };
  Verdict verdict = Verdict::Incomplete;
  std::size_t length = 0;
};

// One request's head as its bytes arrive; each byte is looked at once, however the bytes come.
// Lines end in CRLF, as the HTTP library reads them.
class RequestHead {
 public:
  explicit RequestHead(const Limits& limits) : limits_(limits) {}

  // What the request's bytes so far (those given before, and maybe more) make of its head.
  HeadScan scan(std::string_view received);

 private:
  const Limits& limits_;
  std::size_t searched_ = 0;   // where the search for the next line end goes on
  std::size_t lineStart_ = 0;  // where the line being read starts
  std::size_t fields_ = 0;
  bool requestLineRead_ = false;
};

}  // namespace service
