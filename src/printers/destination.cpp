#include <algorithm>
#include <cctype>

#include "printers/printers.h"

namespace printers {

namespace {

std::string lower(std::string_view text) {
  std::string result(text);
  std::ranges::transform(result, result.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return result;
}

}  // namespace

bool namedBy(const Destination& destination, std::string_view printer) {
  const std::string wanted = lower(printer);
  return lower(destination.name) == wanted || lower(destination.description) == wanted;
}

std::optional<std::string> notReady(const Destination& destination) {
  std::string reasons;
  for (const auto& reason : destination.reasons) reasons += (reasons.empty() ? "" : ", ") + reason;
  const std::string why = reasons.empty() ? "" : " (" + reasons + ")";
  if (destination.state == "stopped") return "stopped" + why;
  if (!destination.acceptingJobs) return "not accepting jobs" + why;
  return std::nullopt;
}

}  // namespace printers
