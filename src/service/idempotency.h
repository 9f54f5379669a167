#pragma once
// Idempotency-Key: the same key from the same origin within the lifetime gets the first
// answer again (marked Idempotent-Replayed) and prints nothing again. The newest answers are
// kept, the oldest dropped first. Not thread-safe: the service uses it within a print's turn.

#include <chrono>
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

  IdempotentAnswers(const Limits& limits, Clock clock) : limits_(limits), clock_(std::move(clock)) {}

  // The request's key, kept apart per origin (one page never sees another's answer), or none
  // when it sends no Idempotency-Key. Throws host::RequestError for a key that is empty,
  // longer than the limit or holds anything but visible ASCII.
  std::optional<std::string> keyOf(const HttpRequest& request) const;

  // The answer first given for the key, if it is still kept.
  std::optional<HttpResponse> replayed(const std::string& key);
  void remember(const std::string& key, const HttpResponse& answer);

 private:
  void forgetOld();

  struct Remembered {
    std::string key;
    std::chrono::steady_clock::time_point at;
  };
  Limits limits_;
  Clock clock_;
  std::map<std::string, HttpResponse> answers_;
  std::deque<Remembered> remembered_;  // oldest first
};

}  // namespace service
