#pragma once
// The printers a host prints labels on: which there are and in what state (PrinterList), and,
// where this process's own virtual engine prints, the sink their labels go into (Printers).
// Every label is also recorded (label-NNNN.json with its picture) in the host's label folder.
// The virtual image printer records only; CUPS (platform/cups/cups_printers.h) prints on real
// queues as well; on Windows the label engine prints through the spooler itself and the
// service only lists the spooler's printers (platform/windows/service/windows_printers.h).

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/print_sink.h"

namespace printers {

// A printer as its spooler describes it. (Which printer a label's printer name names is
// engine::choosePrinter's rule, for every printing system.)
struct Destination {
  std::string name;                  // the queue's name
  std::string description;           // what lab IT called it (CUPS: printer-info)
  std::string makeAndModel;
  std::string state;                 // "idle", "processing" or "stopped"
  std::vector<std::string> reasons;  // why it is in that state, other than "none"
  bool acceptingJobs = false;
  std::string defaultMedia;          // e.g. "w167h288"; empty when it names none
  bool isDefault = false;            // the system's default printer
};

// Why a job must not be queued on the destination now ("stopped (paused)", "not accepting
// jobs"), with its reasons; nothing when it may print. A label is refused rather than left
// waiting unseen in a queue that will not print it.
std::optional<std::string> notReady(const Destination& destination);

// The printers cannot be asked (the spooler is down).
class Unavailable : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Which printers there are, whether one may print now, and where labels are recorded.
class PrinterList {
 public:
  virtual ~PrinterList() = default;
  // "record-only", "cups" or "windows".
  virtual std::string mode() const = 0;
  // Throws Unavailable when the spooler cannot be reached.
  virtual std::vector<Destination> list() = 0;
  // Why a job for this printer must not be queued now (see notReady; or the spooler is
  // down), or nothing when it may print.
  virtual std::optional<std::string> refusal(std::string_view printerName) = 0;
  // Where the labels are recorded.
  virtual const std::filesystem::path& folder() const = 0;
};

// The printers this process's virtual engine prints on.
class Printers : public PrinterList {
 public:
  // The sink the label engine prints into: it draws each label, sends it to its printer and
  // records it.
  virtual std::shared_ptr<engine::PrintSink> sink() = 0;
  // The labels the sink printed since the last call, oldest first.
  virtual std::vector<engine::PrintedLabel> takePrinted() = 0;
  // A label drawn already, printed as the sink prints it; throws to refuse it.
  virtual engine::PrintedLabel printDrawn(const engine::LabelDescription& label,
                                          const std::vector<std::uint8_t>& png) = 0;
};

// What every printer side that records into a label folder shares: its sink is a
// LabelFolderSink that draws its labels.
template <class Sink>
class FolderPrinters : public Printers {
 public:
  explicit FolderPrinters(std::filesystem::path folder, engine::LabelNames names = engine::LabelNames::Numbered)
      : sink_(std::make_shared<Sink>(std::move(folder), names)) {}
  std::shared_ptr<engine::PrintSink> sink() override { return sink_; }
  std::vector<engine::PrintedLabel> takePrinted() override { return sink_->takePrinted(); }
  engine::PrintedLabel printDrawn(const engine::LabelDescription& label, const std::vector<std::uint8_t>& png) override {
    return sink_->printDrawn(label, png);
  }
  const std::filesystem::path& folder() const override { return sink_->folder(); }

 private:
  std::shared_ptr<Sink> sink_;
};

// Every label drawn as a PNG into the folder, on a virtual printer that is always ready:
// labels are recorded only, not printed.
std::unique_ptr<Printers> imagePrinters(std::filesystem::path folder,
                                        engine::LabelNames names = engine::LabelNames::Numbered);

}  // namespace printers
