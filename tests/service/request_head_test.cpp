// A request's head judged as its bytes arrive: whole, still coming, or beyond a limit.

#include "service/request_head.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace service {
namespace {

using Verdict = HeadScan::Verdict;

Limits small() {
  Limits limits;
  limits.maxRequestLineBytes = 32;
  limits.maxHeaderBytes = 128;
  limits.maxHeaderFields = 3;
  return limits;
}

std::string fields(int count, std::size_t valueBytes = 1) {
  std::string text;
  for (int i = 0; i < count; ++i) text += "F" + std::to_string(i) + ": " + std::string(valueBytes, 'v') + "\r\n";
  return text;
}

struct Case {
  const char* what;
  std::string received;
  Verdict verdict;
  std::size_t length = 0;
};

TEST(RequestHead, EachHeadIsJudgedByTheLimits) {
  const std::string line = "GET /v1/status HTTP/1.1\r\n";  // 25 bytes
  const std::vector<Case> cases{
      {"nothing yet", "", Verdict::Incomplete},
      {"half a request line", "GET /v1/st", Verdict::Incomplete},
      {"a request line, no fields yet", line, Verdict::Incomplete},
      {"a field without its line end", line + "Host: x", Verdict::Incomplete},
      {"a line end split after its CR", line + "Host: x\r", Verdict::Incomplete},
      {"whole, no fields", line + "\r\n", Verdict::Complete, 27},
      {"whole, with the body's first bytes behind it", line + "Host: x\r\n\r\n{\"a\"", Verdict::Complete, 36},
      {"as many fields as allowed", line + fields(3) + "\r\n", Verdict::Complete, 25 + 3 * 7 + 2},
      {"a field too many", line + fields(4) + "\r\n", Verdict::HeaderTooLarge},
      {"a field too many, still coming", line + fields(4), Verdict::HeaderTooLarge},
      {"LF alone does not end a line", line + "Host: x\n\n", Verdict::Incomplete},
      {"a request line as long as allowed", std::string(32, 'a') + "\r\n\r\n", Verdict::Complete, 36},
      {"a request line too long", std::string(33, 'a') + "\r\n\r\n", Verdict::RequestLineTooLong},
      {"a request line too long, still coming", std::string(33, 'a'), Verdict::RequestLineTooLong},
      {"a head as long as allowed", line + fields(1, 95) + "\r\n", Verdict::Complete, 128},
      {"a head a byte too long", line + fields(1, 96) + "\r\n", Verdict::HeaderTooLarge},
      {"a field longer than the head may be, still coming", line + "F: " + std::string(200, 'v'), Verdict::HeaderTooLarge},
  };
  const Limits limits = small();
  for (const auto& c : cases) {
    RequestHead whole(limits);
    const HeadScan scan = whole.scan(c.received);
    EXPECT_EQ(scan.verdict, c.verdict) << c.what;
    if (c.verdict == Verdict::Complete) {
      EXPECT_EQ(scan.length, c.length) << c.what;
    }

    // A byte at a time comes to the same, and no verdict but Incomplete comes before the last byte.
    RequestHead slowly(limits);
    HeadScan last;
    for (std::size_t size = 0; size <= c.received.size(); ++size) {
      last = slowly.scan(std::string_view(c.received).substr(0, size));
      if (last.verdict != Verdict::Incomplete) break;
    }
    EXPECT_EQ(last.verdict, c.verdict) << c.what << ", a byte at a time";
    if (c.verdict == Verdict::Complete) {
      EXPECT_EQ(last.length, c.length) << c.what << ", a byte at a time";
    }
  }
}

TEST(RequestHead, TheServicesLimitsRefuseTheFloodsOfHeadersThatWereServed) {
  const Limits limits;
  const std::string line = "GET /v1/status HTTP/1.1\r\nHost: 127.0.0.1:41951\r\n";
  // 2000 fields of 100 bytes were once served; so were 101 small ones.
  EXPECT_EQ(RequestHead(limits).scan(line + fields(2000, 92) + "\r\n").verdict, Verdict::HeaderTooLarge);
  EXPECT_EQ(RequestHead(limits).scan(line + fields(100) + "\r\n").verdict, Verdict::HeaderTooLarge);
  EXPECT_EQ(RequestHead(limits).scan(line + fields(99) + "\r\n").verdict, Verdict::Complete);
  EXPECT_EQ(RequestHead(limits).scan("GET /" + std::string(5000, 'a') + " HTTP/1.1\r\n\r\n").verdict,
            Verdict::RequestLineTooLong);
}

}  // namespace
}  // namespace service
