#pragma once
// Where printed labels go. The engine hands every accepted PrintLabel job to a sink as a
// finished description; a sink that fails throws, and PrintLabel reports it as a printer
// error.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#include "engine/description_json.h"
#include "engine/label.h"

namespace engine {

class PrintSink {
 public:
  virtual ~PrintSink() = default;
  virtual void print(const LabelDescription& label) = 0;
  // The record the last print() wrote (its label-NNNN.json), which the engine's PrintLabel
  // answers with; empty for a sink that records nothing.
  virtual std::filesystem::path lastRecord() const { return {}; }
};

struct PrintedLabel {
  std::filesystem::path description;  // label-NNNN.json
  std::filesystem::path image;        // label-NNNN.png, empty when the sink draws none
  std::string destination;            // the printer queue it went to; empty when it went to none
  int job = 0;                        // the queue's job number; 0 when it went to none
};

// How recorded labels are named: label-NNNN, or label-NNNN-<32 random hex digits> where
// their names must not be guessable (a service that serves labels by name).
enum class LabelNames { Numbered, Unguessable };

// Writes each label as <folder>/label-NNNN.json, NNNN one more than the highest number
// already in the folder (the folder is created when missing). Numbers are claimed by
// exclusive file creation, so processes sharing a folder never overwrite each other.
class LabelFolderSink : public PrintSink {
 public:
  explicit LabelFolderSink(std::filesystem::path folder, LabelNames names = LabelNames::Numbered);

  // The label with the picture image() gives it, as printDrawn does; listed in printed().
  void print(const LabelDescription& label) override;
  std::filesystem::path lastRecord() const override { return lastRecord_; }
  // Prints a label whose picture is drawn already (or that has none): sends it on
  // (deliver), then records it. Returns where it went; printed() does not list it.
  PrintedLabel printDrawn(const LabelDescription& label, const std::optional<std::vector<std::uint8_t>>& png);

  const std::filesystem::path& folder() const noexcept { return folder_; }
  // Every label this sink wrote since the last takePrinted(), oldest first.
  const std::vector<PrintedLabel>& printed() const noexcept { return printed_; }
  // Hands those over and forgets them, so a sink that prints for months keeps no list
  // growing with every label.
  std::vector<PrintedLabel> takePrinted() noexcept { return std::exchange(printed_, {}); }

 protected:
  // The PNG to write beside the description, if the sink draws one. Called before any file
  // is created, so a drawing failure leaves nothing behind.
  virtual std::optional<std::vector<std::uint8_t>> image(const LabelDescription& label);

  // Sends the label on (to a printer) once its picture is drawn and before anything is
  // recorded; the record then says where it went. Throws to refuse the label. The folder
  // sink sends nothing.
  virtual std::optional<Delivery> deliver(const LabelDescription& label,
                                          const std::optional<std::vector<std::uint8_t>>& png);
  // Takes back a delivery whose record could not be written.
  virtual void withdraw(const Delivery& delivery) noexcept;

 private:
  PrintedLabel record(const std::string& json, const std::optional<std::vector<std::uint8_t>>& png,
                      const std::optional<Delivery>& delivery);
  unsigned nextNumber();
  std::string nameOf(unsigned number);

  std::filesystem::path folder_;
  LabelNames names_;
  std::optional<unsigned> lastNumber_;
  std::filesystem::path lastRecord_;
  std::vector<PrintedLabel> printed_;
};

}  // namespace engine
