#include "service/idempotency.h"

#include <algorithm>

#include "requests/host_request.h"

namespace service {

std::optional<std::string> IdempotentAnswers::keyOf(const HttpRequest& request) const {
  const auto key = request.header("Idempotency-Key");
  if (!key) return std::nullopt;
  const bool printable = std::ranges::all_of(*key, [](unsigned char c) { return c > 0x20 && c < 0x7f; });
  if (key->empty() || key->size() > limits_.maxIdempotencyKeyLength || !printable)
    throw host::RequestError("Idempotency-Key: give 1 to " + std::to_string(limits_.maxIdempotencyKeyLength) +
                             " visible ASCII characters");
  return request.header("Origin").value_or("") + " " + *key;
}

void IdempotentAnswers::forgetOld() {
  const auto now = clock_();
  while (!remembered_.empty() && (remembered_.size() > limits_.idempotencyEntries ||
                                  now - remembered_.front().at >= limits_.idempotencyLifetime)) {
    answers_.erase(remembered_.front().key);
    remembered_.pop_front();
  }
}

std::optional<HttpResponse> IdempotentAnswers::replayed(const std::string& key) {
  forgetOld();
  const auto found = answers_.find(key);
  if (found == answers_.end()) return std::nullopt;
  HttpResponse answer = found->second;
  answer.headers.emplace_back("Idempotent-Replayed", "true");
  return answer;
}

void IdempotentAnswers::remember(const std::string& key, const HttpResponse& answer) {
  if (answers_.contains(key)) std::erase_if(remembered_, [&](const Remembered& kept) { return kept.key == key; });
  answers_[key] = answer;
  remembered_.push_back({key, clock_()});
  forgetOld();
}

}  // namespace service
