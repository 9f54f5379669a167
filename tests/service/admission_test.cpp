// Admission on its own: which Host and Origin headers are served, the preflight's answer,
// and the CORS headers every answer carries.

#include "service/admission.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace service {
namespace {

constexpr int kPort = 41951;
constexpr const char* kLab = "https://lab.example.org";

constexpr const char* kToken = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

Admission admission() {
  Settings settings;
  settings.port = kPort;
  settings.allowedOrigins = {kLab, "http://127.0.0.1:8080"};
  settings.accessToken = kToken;
  settings.accessTokenFile = "/home/lab/.local/state/vantory/access-token";
  return Admission(settings);
}

HttpRequest requestWith(Headers headers) { return {"POST", "/v1/PrintLabels", std::move(headers), ""}; }

std::string codeOf(const HttpResponse& response) {
  return nlohmann::json::parse(response.body)["error"]["code"].get<std::string>();
}

struct HostCase {
  std::string host;  // "" for none
  bool served;
};

TEST(Admission, OnlyLoopbackNamesWithOurPortAreServed) {
  const std::string port = std::to_string(kPort);
  const std::vector<HostCase> cases{
      {"localhost:" + port, true},          {"LocalHost:" + port, true},
      {"127.0.0.1:" + port, true},          {"[::1]:" + port, true},
      {"", false},                          {"evil.example:" + port, false},
      {"localhost", false},                 {"localhost:1" + port, false},
      {"127.0.0.2:" + port, false},         {"localhost.evil.example:" + port, false},
      {"[::1]", false},                     {"127.0.0.1:" + port + " ", false},
  };
  for (const auto& c : cases) {
    Headers headers;
    if (!c.host.empty()) headers.emplace("Host", c.host);
    const auto refusal = admission().hostRefusal(requestWith(headers));
    EXPECT_EQ(!refusal, c.served) << "'" << c.host << "'";
    if (refusal) {
      EXPECT_EQ(refusal->status, 403);
      EXPECT_EQ(codeOf(*refusal), "HOST_NOT_ALLOWED");
      EXPECT_NE(refusal->body.find("127.0.0.1:" + port), std::string::npos);
    }
  }
}

struct OriginCase {
  std::optional<std::string> origin;
  bool served;
};

TEST(Admission, PagesAreServedOnlyForAllowedOriginsAndProgramsWithoutOne) {
  const std::vector<OriginCase> cases{
      {std::nullopt, true},
      {kLab, true},
      {"http://127.0.0.1:8080", true},
      {"https://evil.example", false},
      {"https://lab.example.org.evil.example", false},
      {"http://lab.example.org", false},
      {"https://LAB.example.org", false},
      {"null", false},
      {"", false},
  };
  for (const auto& c : cases) {
    Headers headers{{"Host", "localhost:41951"}};
    if (c.origin) headers.emplace("Origin", *c.origin);
    const auto refusal = admission().originRefusal(requestWith(headers));
    EXPECT_EQ(!refusal, c.served) << c.origin.value_or("(none)");
    if (refusal) {
      EXPECT_EQ(refusal->status, 403);
      EXPECT_EQ(codeOf(*refusal), "ORIGIN_NOT_ALLOWED");
      const auto message = nlohmann::json::parse(refusal->body)["error"]["message"].get<std::string>();
      EXPECT_NE(message.find("--allow-origin " + *c.origin), std::string::npos) << message;
      EXPECT_NE(message.find("allowOrigins"), std::string::npos) << message;
    }
  }
}

struct SiteCase {
  std::optional<std::string> site, origin;
  bool served;
};

TEST(Admission, WhatABrowserSendsForAnotherSitesPageWithoutAnOriginIsRefused) {
  const std::vector<SiteCase> cases{
      {std::nullopt, std::nullopt, true},          // a local program
      {"none", std::nullopt, true},                // typed into the address bar
      {"same-origin", std::nullopt, true},         // a page of the service's own origin
      {"cross-site", std::nullopt, false},         // <img>, link, form navigation of another site
      {"same-site", std::nullopt, false},          // a page on another port of localhost
      {"Cross-Site", std::nullopt, false},         // anything unknown is refused too
      {"", std::nullopt, false},
      {"cross-site", std::string(kLab), true},     // the allowed page's own fetch
      {"cross-site", "https://evil.example", true},  // judged by its origin: it may read its refusal
  };
  for (const auto& c : cases) {
    Headers headers{{"Host", "localhost:41951"}};
    if (c.site) headers.emplace("Sec-Fetch-Site", *c.site);
    if (c.origin) headers.emplace("Origin", *c.origin);
    const auto refusal = admission().crossSiteRefusal(requestWith(headers));
    EXPECT_EQ(!refusal, c.served) << c.site.value_or("(none)") << " " << c.origin.value_or("(none)");
    if (refusal) {
      EXPECT_EQ(refusal->status, 403);
      EXPECT_EQ(codeOf(*refusal), "CROSS_SITE_REQUEST");
    }
  }
}

struct AccessCase {
  std::optional<std::string> authorization, origin;
  Access access;
  bool served;
};

TEST(Admission, TrustedResourcesNeedAnAllowedPageOrTheToken) {
  const std::string bearer = std::string("Bearer ") + kToken;
  const std::vector<AccessCase> cases{
      {std::nullopt, std::nullopt, Access::Anyone, true},
      {std::nullopt, std::nullopt, Access::Trusted, false},
      {bearer, std::nullopt, Access::Trusted, true},
      {std::string("BEARER ") + kToken, std::nullopt, Access::Trusted, true},
      {bearer + " ", std::nullopt, Access::Trusted, false},
      {bearer.substr(0, bearer.size() - 1), std::nullopt, Access::Trusted, false},
      {bearer + "0", std::nullopt, Access::Trusted, false},
      {std::string("Bearer ") + std::string(64, '0'), std::nullopt, Access::Trusted, false},
      {"Bearer ", std::nullopt, Access::Trusted, false},
      {kToken, std::nullopt, Access::Trusted, false},
      {std::nullopt, std::string(kLab), Access::Trusted, true},
  };
  for (const auto& c : cases) {
    Headers headers{{"Host", "localhost:41951"}};
    if (c.authorization) headers.emplace("Authorization", *c.authorization);
    if (c.origin) headers.emplace("Origin", *c.origin);
    const auto refusal = admission().accessRefusal(requestWith(headers), c.access);
    EXPECT_EQ(!refusal, c.served) << c.authorization.value_or("(none)");
    if (refusal) {
      EXPECT_EQ(refusal->status, 401);
      EXPECT_EQ(codeOf(*refusal), "ACCESS_TOKEN_REQUIRED");
      EXPECT_NE(refusal->body.find("/home/lab/.local/state/vantory/access-token"), std::string::npos) << "says where";
      EXPECT_EQ(refusal->header("WWW-Authenticate"), "Bearer realm=\"vantory-service\"");
    }
  }
  // A service without a token accepts none, not the empty one.
  Settings untokened;
  untokened.port = kPort;
  EXPECT_TRUE(Admission(untokened).accessRefusal(requestWith({{"Authorization", "Bearer "}}), Access::Trusted));
}

TEST(Admission, APreflightAllowsTheMethodsTheHeadersAndThePrivateNetwork) {
  const std::vector<std::string> methods{"POST"};
  const auto answer = admission().preflight(methods);
  EXPECT_EQ(answer.status, 204);
  EXPECT_EQ(answer.body, "");
  EXPECT_EQ(answer.header("Access-Control-Allow-Methods"), "POST, OPTIONS");
  EXPECT_EQ(answer.header("Allow"), "POST, OPTIONS");
  EXPECT_EQ(answer.header("Access-Control-Allow-Headers"), "Content-Type, Idempotency-Key");
  EXPECT_EQ(answer.header("Access-Control-Allow-Private-Network"), "true");
  EXPECT_EQ(answer.header("Access-Control-Max-Age"), "600");
}

TEST(Admission, AnswersNameTheOriginTheyAreForAndNeverAWildcard) {
  HttpResponse forPage;
  admission().addCors(forPage, requestWith({{"Origin", "https://evil.example"}}));
  EXPECT_EQ(forPage.header("Vary"), "Origin");
  EXPECT_EQ(forPage.header("Access-Control-Allow-Origin"), "https://evil.example");  // it may read its refusal
  EXPECT_EQ(forPage.header("Access-Control-Expose-Headers"), "Idempotent-Replayed, Retry-After");

  HttpResponse forProgram;
  admission().addCors(forProgram, requestWith({}));
  EXPECT_EQ(forProgram.header("Vary"), "Origin");
  EXPECT_FALSE(forProgram.header("Access-Control-Allow-Origin"));
}

TEST(Admission, OriginsAreCheckedAsABrowserWritesThem) {
  for (const std::string good : {"https://lab.example.org", "http://127.0.0.1:8080", "https://[::1]:8443"})
    EXPECT_EQ(checkedOrigin(good), good);
  for (const std::string bad : {"https://a.example/", "*", "lab.example.org", "https://LAB.example.org",
                                "ftp://lab.example.org", "https://a.example:123456", "https://a b"})
    EXPECT_THROW(checkedOrigin(bad), std::invalid_argument) << bad;
}

}  // namespace
}  // namespace service
