// Idempotent answers on their own, on a clock the test moves.

#include "service/idempotency.h"

#include <gtest/gtest.h>

#include "requests/host_request.h"

namespace service {
namespace {

using namespace std::chrono_literals;

const IdempotentAnswers::Digest kRequest{1, 2};

class Answers : public ::testing::Test {
 protected:
  explicit Answers(Limits limits = {}) : answers_(limits, [this] { return now_; }) {}
  HttpResponse answer(const std::string& body) { return {200, "application/json", body, {}}; }
  std::optional<std::string> keyOf(Headers headers) { return answers_.keyOf({"POST", "/v1/PrintLabels", headers, ""}); }

  std::chrono::steady_clock::time_point now_{};
  IdempotentAnswers answers_;
};

TEST_F(Answers, ARepeatedKeyGetsTheFirstAnswerMarkedAsReplayed) {
  EXPECT_FALSE(answers_.replayed("k", kRequest));
  answers_.remember("k", kRequest, answer("first"));
  const auto again = answers_.replayed("k", kRequest);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->body, "first");
  EXPECT_EQ(again->header("Idempotent-Replayed"), "true");
  EXPECT_FALSE(answers_.replayed("other", kRequest));
}

TEST_F(Answers, AKeptKeyWithAnotherRequestIsRefusedNotReplayed) {
  answers_.remember("k", kRequest, answer("first"));
  const auto refused = answers_.replayed("k", {1, 3});
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->status, 422);
  EXPECT_NE(refused->body.find("IDEMPOTENCY_KEY_REUSED"), std::string::npos);
  EXPECT_FALSE(refused->header("Idempotent-Replayed"));
  EXPECT_EQ(answers_.replayed("k", kRequest)->body, "first") << "the first request is still replayed";
}

TEST_F(Answers, TheDigestTellsRequestsApartByMethodPathAndBody) {
  const HttpRequest request{"POST", "/v1/PrintLabels", {{"Idempotency-Key", "k"}}, R"({"PatientName": "ROWE"})"};
  const auto digest = IdempotentAnswers::digestOf(request);
  auto same = request;
  same.headers.emplace("Origin", "https://lab.example.org");  // headers are not the request's content
  EXPECT_EQ(IdempotentAnswers::digestOf(same), digest);
  for (auto other : {HttpRequest{"PUT", request.path, {}, request.body},
                     HttpRequest{"POST", "/v1/PrintGENERICLabels", {}, request.body},
                     HttpRequest{"POST", request.path, {}, R"({"PatientName": "DOE"})"},
                     HttpRequest{"POST", request.path, {}, R"({"PatientName": "ROWE"} )"},
                     HttpRequest{"POST", "/v1/PrintLabels{\"Pa", {}, R"(tientName": "ROWE"})"}})
    EXPECT_NE(IdempotentAnswers::digestOf(other), digest) << other.method << " " << other.path << " " << other.body;
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
  answers_.remember("k", kRequest, answer("first"));
  now_ += 599s;
  EXPECT_TRUE(answers_.replayed("k", kRequest));
  now_ += 1s;
  EXPECT_FALSE(answers_.replayed("k", kRequest));
  answers_.remember("k", kRequest, answer("second"));
  EXPECT_EQ(answers_.replayed("k", kRequest)->body, "second");
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
  answers_.remember("a", kRequest, answer("a"));
  answers_.remember("b", kRequest, answer("b"));
  answers_.remember("c", kRequest, answer("c"));
  EXPECT_FALSE(answers_.replayed("a", kRequest));
  EXPECT_TRUE(answers_.replayed("b", kRequest));
  EXPECT_TRUE(answers_.replayed("c", kRequest));
}

TEST_F(SmallAnswers, ANewAnswerForAKeptKeyDoesNotMakeItForgetTheOthers) {
  answers_.remember("a", kRequest, answer("a1"));
  answers_.remember("b", kRequest, answer("b"));
  answers_.remember("a", kRequest, answer("a2"));
  EXPECT_EQ(answers_.replayed("a", kRequest)->body, "a2");
  EXPECT_TRUE(answers_.replayed("b", kRequest));
}

}  // namespace
}  // namespace service
