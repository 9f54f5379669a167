#pragma once
// The Windows printers as the print service lists them: the spooler's printers (local and
// connections) with the fields the Linux service gives CUPS queues. A printer is "stopped"
// when it is paused, offline ("Use Printer Offline" included) or in any error state, with
// IPP's reasons (paused, offline-report, media-empty, ...); "processing" while it prints;
// else "idle". A print is refused before the engine is driven when the printer its printer
// name names (engine::choosePrinter, the engine's own rule) is in such a state.

#include <filesystem>

#include "platform/windows/spooler/spooler_sink.h"
#include "printers/printers.h"

namespace windows::service {

// A spooler's printer as the service lists it.
printers::Destination destinationOf(const spooler::SpoolerPrinter& printer);

// `folder` is where the label engine records the labels.
class WindowsPrinters final : public printers::PrinterList {
 public:
  // `recordOnly`: the label engine is told to record labels only, not print them.
  WindowsPrinters(std::filesystem::path folder, bool recordOnly = false)
      : folder_(std::move(folder)), recordOnly_(recordOnly) {}

  // "windows", or "record-only".
  std::string mode() const override { return recordOnly_ ? "record-only" : "windows"; }
  std::vector<printers::Destination> list() override;
  std::optional<std::string> refusal(std::string_view printerName) override;
  const std::filesystem::path& folder() const override { return folder_; }

 private:
  std::filesystem::path folder_;
  bool recordOnly_;
};

}  // namespace windows::service
