#include "service/idempotency.h"

#include <algorithm>

#define XXH_INLINE_ALL
#include <xxhash.h>

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

IdempotentAnswers::Digest IdempotentAnswers::digestOf(const HttpRequest& request) {
  XXH3_state_t state;
  XXH3_INITSTATE(&state);
  XXH3_128bits_reset(&state);
  // Each part with its length, so that no two requests run together into the same bytes.
  for (const std::string* part : {&request.method, &request.path, &request.body}) {
    const std::uint64_t size = part->size();
    XXH3_128bits_update(&state, &size, sizeof size);
    XXH3_128bits_update(&state, part->data(), part->size());
  }
  const XXH128_hash_t hash = XXH3_128bits_digest(&state);
  return {hash.low64, hash.high64};
}

void IdempotentAnswers::forgetOld() {
  const auto now = clock_();
  while (!remembered_.empty() && (remembered_.size() > limits_.idempotencyEntries ||
                                  now - remembered_.front().at >= limits_.idempotencyLifetime)) {
    answers_.erase(remembered_.front().key);
    remembered_.pop_front();
  }
}

std::optional<HttpResponse> IdempotentAnswers::replayed(const std::string& key, const Digest& request) {
  forgetOld();
  const auto found = answers_.find(key);
  if (found == answers_.end()) return std::nullopt;
  if (found->second.request != request)
    return errorAnswer(kIdempotencyKeyReused,
                       "this Idempotency-Key was used for another request within the last " +
                           std::to_string(limits_.idempotencyLifetime.count() / 60) +
                           " minutes; nothing was printed. Send a new key for a request whose parameters changed");
  HttpResponse answer = found->second.response;
  answer.headers.emplace_back("Idempotent-Replayed", "true");
  return answer;
}

void IdempotentAnswers::remember(const std::string& key, const Digest& request, const HttpResponse& answer) {
  if (answers_.contains(key)) std::erase_if(remembered_, [&](const Remembered& kept) { return kept.key == key; });
  answers_[key] = {request, answer};
  remembered_.push_back({key, clock_()});
  forgetOld();
}

}  // namespace service
