#pragma once
// Printing through the Windows spooler: the print sink of the Windows label engine.
//
// SpoolerSink prints each label the engine draws on the Windows printer the label's printer
// names (engine::choosePrinter: the exact printer name, else the name, comment or location in
// any letter case), as one job named "Vantory label" and its bar code: on the driver's paper of
// the stock's size (portrait; else the same size turned, the label turned a quarter clockwise),
// the label's dots laid at the printer's resolution from the printable area's origin, one page
// per copy. Then it records the label as the image sink does, with the printer, the spooler's
// job and the time added to the description.
//
// Nothing is printed or recorded, and deliver throws SpoolerError saying why, when no printer
// has that name (the message lists those there are), the printer is paused, offline or in an
// error state (asked before the job starts), has no paper of the label's size, or the spooler
// reports any failure while the job is written; a job whose record cannot be written is deleted.

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/image_sink.h"
#include "engine/print_job.h"

namespace windows::spooler {

class SpoolerError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Why a printer in this state cannot take a job now (its PRINTER_INFO_2 Status and
// Attributes), in words ("paused, out of labels"), or nothing when it can.
std::optional<std::string> unavailability(unsigned long status, unsigned long attributes);
// The same as IPP's printer-state-reasons keywords, as CUPS reports them ("paused",
// "offline-report", "media-empty", ...), each once.
std::vector<std::string> stateReasons(unsigned long status, unsigned long attributes);

// A printer as the spooler lists it (PRINTER_INFO_2).
struct SpoolerPrinter {
  engine::PrinterIdentity identity;  // its name; its comment and location
  std::string driver;
  std::string form;                  // the paper of its default settings ("Letter"); may be empty
  unsigned long status = 0;
  unsigned long attributes = 0;
  bool isDefault = false;            // the user's default printer
};

// The printers the spooler lists (local and connections). Throws SpoolerError when it cannot.
std::vector<SpoolerPrinter> spoolerPrinters();
// Their identities, for engine::choosePrinter.
std::vector<engine::PrinterIdentity> listPrinters();

class SpoolerSink : public engine::ImageFolderSink {
 public:
  using ImageFolderSink::ImageFolderSink;

 protected:
  std::optional<engine::Delivery> deliver(const engine::LabelDescription& label,
                                          const std::optional<std::vector<std::uint8_t>>& png) override;
  void withdraw(const engine::Delivery& delivery) noexcept override;
};

}  // namespace windows::spooler
