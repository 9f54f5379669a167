#pragma once
// The printer side of the service: which printers there are, and the sink labels are
// printed into. The image record is always there; CUPS is one more implementation.

#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/image_sink.h"

namespace service {

struct PrinterInfo {
  std::string name, description, makeAndModel;
  std::string state;  // "idle", "processing" or "stopped"
  std::vector<std::string> reasons;
  bool acceptingJobs = false;
  std::string defaultMedia;
};

// A label as printed: its record in the output folder and, where a spooler took it, the job.
struct RecordedLabel {
  std::filesystem::path image, description;
  std::string destination;
  std::optional<int> job;
};

// The printers cannot be asked (the spooler is down).
class PrinterUnavailable : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Printers {
 public:
  virtual ~Printers() = default;
  // "image" or "cups".
  virtual std::string mode() const = 0;
  // Throws PrinterUnavailable when the spooler cannot be reached.
  virtual std::vector<PrinterInfo> list() = 0;
  // Why a job for this printer must not be queued now (stopped, not accepting, spooler
  // down), or nothing when it may print: a job is refused rather than left waiting unseen.
  virtual std::optional<std::string> refusal(const std::string& printerName) = 0;
  // The sink the label engine prints into; it records every label with its picture.
  virtual std::shared_ptr<engine::ImageFolderSink> sink() = 0;
  // The labels recorded since the last call, oldest first.
  virtual std::vector<RecordedLabel> takePrinted() = 0;
  // Where the labels are recorded.
  virtual const std::filesystem::path& folder() const = 0;
};

// What every printer side that records into a label folder shares.
template <class Sink>
class FolderPrinters : public Printers {
 public:
  explicit FolderPrinters(std::filesystem::path folder) : sink_(std::make_shared<Sink>(std::move(folder))) {}
  std::shared_ptr<engine::ImageFolderSink> sink() override { return sink_; }
  std::vector<RecordedLabel> takePrinted() override {
    std::vector<RecordedLabel> labels;
    for (auto& label : sink_->takePrinted())
      labels.push_back({std::move(label.image), std::move(label.description), std::move(label.destination),
                        label.job > 0 ? std::optional<int>(label.job) : std::nullopt});
    return labels;
  }
  const std::filesystem::path& folder() const override { return sink_->folder(); }

 private:
  std::shared_ptr<Sink> sink_;
};

// Every label drawn as a PNG into the folder, on a virtual printer that is always ready.
std::unique_ptr<Printers> imagePrinters(std::filesystem::path folder);

// Printing through CUPS; nothing when this build has no CUPS support.
std::unique_ptr<Printers> cupsPrinters(std::filesystem::path folder);

}  // namespace service
