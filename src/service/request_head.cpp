#include "service/request_head.h"

#include <algorithm>

namespace service {

HeadScan RequestHead::scan(std::string_view received) {
  using Verdict = HeadScan::Verdict;
  constexpr std::string_view kLineEnd = "\r\n";
  for (;;) {
    const std::size_t end = received.find(kLineEnd, std::max(searched_, lineStart_));
    if (end == std::string_view::npos) {
      // A line end may be split between this and the next bytes.
      searched_ = received.empty() ? 0 : received.size() - 1;
      const std::size_t pending = received.size() - (received.ends_with('\r') ? 1 : 0);
      if (!requestLineRead_ && pending > limits_.maxRequestLineBytes) return {Verdict::RequestLineTooLong, 0};
      if (received.size() > limits_.maxHeaderBytes) return {Verdict::HeaderTooLarge, 0};
      return {Verdict::Incomplete, 0};
    }
    const std::size_t next = end + kLineEnd.size();
    searched_ = next;
    if (!requestLineRead_) {
      if (end > limits_.maxRequestLineBytes) return {Verdict::RequestLineTooLong, 0};
      requestLineRead_ = true;
    } else if (next > limits_.maxHeaderBytes) {
      return {Verdict::HeaderTooLarge, 0};
    } else if (end == lineStart_) {
      return {Verdict::Complete, next};  // the blank line
    } else if (++fields_ > limits_.maxHeaderFields) {
      return {Verdict::HeaderTooLarge, 0};
    }
    lineStart_ = next;
  }
}

}  // namespace service
