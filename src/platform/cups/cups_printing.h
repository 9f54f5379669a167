#pragma once
// Printing through CUPS. The standard CUPS environment chooses the server (CUPS_SERVER,
// ~/.cups/client.conf, lpoptions), as for lp and lpstat.
//
// CupsSink is the print sink for real printers: it sends each label the engine draws to the
// CUPS destination whose queue name or description (printer-info) equals the label's printer
// (letter case ignored), as one job of 1-bit raster pages at the destination's resolution on
// the destination's media of the label stock's size, one page per copy; then it records the
// label as the image sink does, with the destination, job and time in the description.

#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/image_sink.h"
#include "printers/printers.h"

namespace cups_printing {

// A CUPS queue: its name, printer-info, printer-make-and-model, printer-state,
// printer-state-reasons, printer-is-accepting-jobs and default media.
using printers::Destination;

class CupsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Every destination of the server. Throws CupsError when the server cannot be reached or
// refuses to list them.
std::vector<Destination> listDestinations();

// Records every label as the image sink does (label-NNNN.png + .json) after CUPS accepted it,
// with "destination", "job" and "time" added to the JSON. Throws CupsError (nothing recorded,
// nothing printed) when there is no such destination, the server cannot be reached, the
// destination is stopped or not accepting jobs, has no media of the label's size, or refuses
// the job; a job whose record cannot be written is cancelled. It keeps its connection and what
// it learnt of the destinations between labels (asking for the destination's state at every
// label), so keep one for many labels; like the renderer it holds, it is not thread-safe.
class CupsSink : public engine::ImageFolderSink {
 public:
  explicit CupsSink(std::filesystem::path folder, engine::LabelNames names = engine::LabelNames::Numbered);
  ~CupsSink() override;

 protected:
  std::optional<engine::Delivery> deliver(const engine::LabelDescription& label,
                                          const std::optional<std::vector<std::uint8_t>>& png) override;
  void withdraw(const engine::Delivery& delivery) noexcept override;

 private:
  struct Session;
  // The kept session, found the printer's destination and asked for its state.
  Session& session(const std::string& printer);
  std::unique_ptr<Session> session_;
};

}  // namespace cups_printing
