// Printing through CUPS, with the spooler's own view of each destination. Built only
// where the vantory_cups library is part of the build.

#include <algorithm>

#include "platform/cups/cups_printing.h"
#include "printers.h"

namespace service {

namespace {

PrinterInfo infoOf(const cups_printing::Destination& destination) {
  return {destination.name,    destination.description,   destination.makeAndModel, destination.state,
          destination.reasons, destination.acceptingJobs, destination.defaultMedia};
}

class CupsPrinters : public FolderPrinters<cups_printing::CupsSink> {
 public:
  using FolderPrinters::FolderPrinters;

  std::string mode() const override { return "cups"; }

  std::vector<PrinterInfo> list() override {
    try {
      std::vector<PrinterInfo> printers;
      for (const auto& destination : cups_printing::listDestinations()) printers.push_back(infoOf(destination));
      return printers;
    } catch (const cups_printing::CupsError& error) {
      throw PrinterUnavailable(std::string("CUPS cannot be reached: ") + error.what());
    }
  }

  std::optional<std::string> refusal(const std::string& printerName) override {
    std::vector<cups_printing::Destination> destinations;
    try {
      destinations = cups_printing::listDestinations();
    } catch (const cups_printing::CupsError& error) {
      return std::string("CUPS cannot be reached: ") + error.what();
    }
    const auto found = std::ranges::find_if(destinations, [&](const cups_printing::Destination& destination) {
      return cups_printing::namedBy(destination, printerName);
    });
    if (found == destinations.end()) return std::nullopt;  // the print itself reports an unknown printer
    if (found->state == "stopped" || !found->acceptingJobs) {
      std::string reasons;
      for (const auto& reason : found->reasons) reasons += (reasons.empty() ? "" : ", ") + reason;
      return "printer '" + printerName + "' is " + (found->acceptingJobs ? "stopped" : "not accepting jobs") +
             (reasons.empty() ? "" : " (" + reasons + ")");
    }
    return std::nullopt;
  }
};

}  // namespace

std::unique_ptr<Printers> cupsPrinters(std::filesystem::path folder) {
  return std::make_unique<CupsPrinters>(std::move(folder));
}

}  // namespace service
