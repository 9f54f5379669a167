#include "platform/cups/cups_printers.h"

#include "engine/print_job.h"
#include "platform/cups/cups_library.h"
#include "platform/cups/cups_printing.h"

namespace cups_printing {

namespace {

class CupsPrinters : public printers::FolderPrinters<CupsSink> {
 public:
  using FolderPrinters::FolderPrinters;

  std::string mode() const override { return "cups"; }

  std::vector<printers::Destination> list() override {
    try {
      return listDestinations();
    } catch (const CupsError& error) {
      throw printers::Unavailable(std::string("CUPS cannot be reached: ") + error.what());
    }
  }

  std::optional<std::string> refusal(std::string_view printerName) override {
    std::vector<Destination> destinations;
    try {
      destinations = listDestinations();
    } catch (const CupsError& error) {
      return std::string("CUPS cannot be reached: ") + error.what();
    }
    // The destination a print would go to, by the sinks' own rule.
    std::vector<engine::PrinterIdentity> identities;
    for (const auto& destination : destinations) identities.push_back({destination.name, {destination.description}});
    const auto chosen = engine::choosePrinter(identities, printerName);
    if (!chosen) return std::nullopt;  // the print itself reports an unknown printer
    if (const auto why = printers::notReady(destinations[*chosen]))
      return "printer '" + std::string(printerName) + "' is " + *why;
    return std::nullopt;
  }
};

}  // namespace

std::unique_ptr<printers::Printers> cupsPrinters(std::filesystem::path folder, engine::LabelNames names) {
  cups();  // a missing libcups is said at once, not at the first label
  return std::make_unique<CupsPrinters>(std::move(folder), names);
}

}  // namespace cups_printing
