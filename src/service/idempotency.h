#pragma once
// Idempotency-Key: the same key from the same origin within the lifetime, with the same
// request (method, path and body), gets the first answer again (marked Idempotent-Replayed)
// and prints nothing again; the same key with another request is refused (422
// IDEMPOTENCY_KEY_REUSED) and prints nothing, so a page that edited its fields and retried
// with its old key is not told that the new label printed. The newest answers are kept, the
// oldest dropped first. Not thread-safe: the service uses it within a print's turn.

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "service/http_message.h"
#include "service/settings.h"

namespace service {

class IdempotentAnswers {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  // What a request asked for, in 128 bits (XXH3): a retry has the same, an edited request another.
  using Digest = std::array<std::uint64_t, 2>;

  IdempotentAnswers(const Limits& limits, Clock clock) : limits_(limits), clock_(std::move(clock)) {}

  // The request's key, kept apart per origin (one page never sees another's answer), or none
  // when it sends no Idempotency-Key. Throws host::RequestError for a key that is empty,
  // longer than the limit or holds anything but visible ASCII.
  std::optional<std::string> keyOf(const HttpRequest& request) const;
  static Digest digestOf(const HttpRequest& request);

  // For a key still kept: the first answer when the request is the same, else the refusal.
  std::optional<HttpResponse> replayed(const std::string& key, const Digest& request);
  void remember(const std::string& key, const Digest& request, const HttpResponse& answer);

 private:
  void forgetOld();

  struct Answer {
    Digest request;
    HttpResponse response;
  };
  struct Remembered {
    std::string key;
    std::chrono::steady_clock::time_point at;
  };
  Limits limits_;
  Clock clock_;
  std::map<std::string, Answer> answers_;
  std::deque<Remembered> remembered_;  // oldest first
};

}  // namespace service
