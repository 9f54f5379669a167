// Idempotent answers on their own, on a clock the test moves.

#include "service/idempotency.h"

#include <gtest/gtest.h>

#include "requests/host_request.h"

namespace service {
namespace {

using namespace std::chrono_literals;

class Answers : public ::testing::Test {
 protected:
  explicit Answers(Limits limits = {}) : answers_(limits, [this] { return now_; }) {}
  HttpResponse answer(const std::string& body) { return {200, "application/json", body, {}}; }
  std::optional<std::string> keyOf(Headers headers) { return answers_.keyOf({"POST", "/v1/PrintLabels", headers, ""}); }

  std::chrono::steady_clock::time_point now_{};
  IdempotentAnswers answers_;
};

TEST_F(Answers, ARepeatedKeyGetsTheFirstAnswerMarkedAsReplayed) {
  EXPECT_FALSE(answers_.replayed("k"));
  answers_.remember("k", answer("first"));
  const auto again = answers_.replayed("k");
  ASSERT_TRUE(again);
  EXPECT_EQ(again->body, "first");
  EXPECT_EQ(again->header("Idempotent-Replayed"), "true");
  EXPECT_FALSE(answers_.replayed("other"));
}

TEST_F(Answers, KeysAreKeptApartPerOriginAndNoneIsNoKey) {
  EXPECT_EQ(keyOf({}), std::nullopt);
  EXPECT_NE(keyOf({{"Idempotency-Key", "order-17"}}), keyOf({{"Idempotency-Key", "order-17"}, {"Origin", "https://a"}}));
  EXPECT_NE(keyOf({{"Idempotency-Key", "order-17"}, {"Origin", "https://a"}}),
            keyOf({{"Idempotency-Key", "order-17"}, {"Origin", "https://b"}}));
  EXPECT_EQ(keyOf({{"idempotency-key", "order-17"}}), keyOf({{"Idempotency-Key", "order-17"}}));
}

TEST_F(Answers, AKeyMustBeOneTo255VisibleAsciiCharacters) {
  EXPECT_TRUE(keyOf({{"Idempotency-Key", std::string(255, 'k')}}));
  EXPECT_TRUE(keyOf({{"Idempotency-Key", "!~"}}));
  for (const std::string& bad : {std::string(), std::string(256, 'k'), std::string("with space"), std::string("tab\t"),
                                 std::string("caf\xc3\xa9"), std::string("nul\0x", 5)}) {
    try {
      keyOf({{"Idempotency-Key", bad}});
      ADD_FAILURE() << "accepted '" << bad << "'";
    } catch (const host::RequestError& error) {
      EXPECT_NE(std::string(error.what()).find("Idempotency-Key"), std::string::npos);
    }
  }
}

TEST_F(Answers, AnAnswerIsForgottenAfterItsLifetime) {
  answers_.remember("k", answer("first"));
  now_ += 599s;
  EXPECT_TRUE(answers_.replayed("k"));
  now_ += 1s;
  EXPECT_FALSE(answers_.replayed("k"));
  answers_.remember("k", answer("second"));
  EXPECT_EQ(answers_.replayed("k")->body, "second");
}

class SmallAnswers : public Answers {
 protected:
  SmallAnswers() : Answers(limits()) {}
  static Limits limits() {
    Limits limits;
    limits.idempotencyEntries = 2;
    return limits;
  }
};

TEST_F(SmallAnswers, KeepOnlyTheNewestAnswers) {
  answers_.remember("a", answer("a"));
  answers_.remember("b", answer("b"));
  answers_.remember("c", answer("c"));
  EXPECT_FALSE(answers_.replayed("a"));
  EXPECT_TRUE(answers_.replayed("b"));
  EXPECT_TRUE(answers_.replayed("c"));
}

TEST_F(SmallAnswers, ANewAnswerForAKeptKeyDoesNotMakeItForgetTheOthers) {
  answers_.remember("a", answer("a1"));
  answers_.remember("b", answer("b"));
  answers_.remember("a", answer("a2"));
  EXPECT_EQ(answers_.replayed("a")->body, "a2");
  EXPECT_TRUE(answers_.replayed("b"));
}

}  // namespace
}  // namespace service
