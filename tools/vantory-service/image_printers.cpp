#include "engine/image_sink.h"
#include "engine/label.h"
#include "printers.h"

namespace service {

namespace {

class ImagePrinters : public Printers {
 public:
  explicit ImagePrinters(std::filesystem::path folder) : sink_(std::make_shared<engine::ImageFolderSink>(folder)) {}

  std::string mode() const override { return "image"; }

  std::vector<PrinterInfo> list() override {
    return {{.name = "Virtual label printer",
             .description = "Labels recorded as 1-bit 300-dpi PNG images in " + sink_->folder().string(),
             .makeAndModel = "Vantory virtual label engine",
             .state = "idle",
             .reasons = {},
             .acceptingJobs = true,
             .defaultMedia = engine::builtInStocks().front().name}};
  }

  std::optional<std::string> refusal(const std::string&) override { return std::nullopt; }
  std::shared_ptr<engine::PrintSink> sink() override { return sink_; }
  std::size_t printedCount() const override { return sink_->printed().size(); }
  RecordedLabel printed(std::size_t index) const override {
    const auto& label = sink_->printed().at(index);
    return {label.image, label.description, {}, {}};
  }
  const std::filesystem::path& folder() const override { return sink_->folder(); }

 private:
  std::shared_ptr<engine::ImageFolderSink> sink_;
};

}  // namespace

std::unique_ptr<Printers> imagePrinters(std::filesystem::path folder) {
  return std::make_unique<ImagePrinters>(std::move(folder));
}

}  // namespace service
