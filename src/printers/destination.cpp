#include "printers/printers.h"

namespace printers {

std::optional<std::string> notReady(const Destination& destination) {
  std::string reasons;
  for (const auto& reason : destination.reasons) reasons += (reasons.empty() ? "" : ", ") + reason;
  const std::string why = reasons.empty() ? "" : " (" + reasons + ")";
  if (destination.state == "stopped") return "stopped" + why;
  if (!destination.acceptingJobs) return "not accepting jobs" + why;
  return std::nullopt;
}

}  // namespace printers
