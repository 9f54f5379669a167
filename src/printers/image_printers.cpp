#include "engine/image_sink.h"
#include "engine/label.h"
#include "printers/printers.h"

namespace printers {

namespace {

class ImagePrinters : public FolderPrinters<engine::ImageFolderSink> {
 public:
  using FolderPrinters::FolderPrinters;

  std::string mode() const override { return "record-only"; }

  std::vector<Destination> list() override {
    return {{.name = "Virtual label printer",
             .description = "Labels recorded as 1-bit 300-dpi PNG images in " + folder().string(),
             .makeAndModel = "Vantory virtual label engine",
             .state = "idle",
             .reasons = {},
             .acceptingJobs = true,
             .defaultMedia = engine::builtInStocks().front().name}};
  }

  std::optional<std::string> refusal(std::string_view) override { return std::nullopt; }
};

}  // namespace

std::unique_ptr<Printers> imagePrinters(std::filesystem::path folder, engine::LabelNames names) {
  return std::make_unique<ImagePrinters>(std::move(folder), names);
}

}  // namespace printers
