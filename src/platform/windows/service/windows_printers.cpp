#include "platform/windows/service/windows_printers.h"

#include <windows.h>
#include <winspool.h>


namespace windows::service {

namespace {

std::vector<spooler::SpoolerPrinter> askSpooler() {
  try {
    return spooler::spoolerPrinters();
  } catch (const spooler::SpoolerError& failure) {
    throw printers::Unavailable(failure.what());
  }
}

}  // namespace

printers::Destination destinationOf(const spooler::SpoolerPrinter& printer) {
  printers::Destination d;
  d.name = printer.identity.name;
  d.description = printer.identity.descriptions.empty() ? std::string() : printer.identity.descriptions.front();
  d.makeAndModel = printer.driver;
  d.reasons = spooler::stateReasons(printer.status, printer.attributes);
  if (spooler::unavailability(printer.status, printer.attributes))
    d.state = "stopped";
  else if (printer.status & (PRINTER_STATUS_PRINTING | PRINTER_STATUS_PROCESSING | PRINTER_STATUS_BUSY))
    d.state = "processing";
  else
    d.state = "idle";
  // A Windows printer takes jobs even while paused; one being deleted takes none.
  d.acceptingJobs = !(printer.status & PRINTER_STATUS_PENDING_DELETION);
  d.defaultMedia = printer.form;
  d.isDefault = printer.isDefault;
  return d;
}

std::vector<printers::Destination> WindowsPrinters::list() {
  std::vector<printers::Destination> list;
  for (const auto& printer : askSpooler()) list.push_back(destinationOf(printer));
  return list;
}

std::optional<std::string> WindowsPrinters::refusal(std::string_view printerName) {
  std::vector<spooler::SpoolerPrinter> printers;
  try {
    printers = spooler::spoolerPrinters();
  } catch (const spooler::SpoolerError& failure) {
    return std::string("the Windows spooler cannot be asked: ") + failure.what();
  }
  std::vector<engine::PrinterIdentity> identities;
  for (const auto& printer : printers) identities.push_back(printer.identity);
  const auto chosen = engine::choosePrinter(identities, printerName);
  if (!chosen) return std::nullopt;  // the engine reports a printer it does not know
  if (const auto why = spooler::unavailability(printers[*chosen].status, printers[*chosen].attributes))
    return "printer '" + std::string(printerName) + "' is " + *why;
  return std::nullopt;
}

}  // namespace windows::service
