#pragma once
// The native print sink: each label as label-NNNN.json with its picture label-NNNN.png.

#include "engine/print_sink.h"
#include "engine/renderer.h"

namespace engine {

class ImageFolderSink : public LabelFolderSink {
 public:
  using LabelFolderSink::LabelFolderSink;

 protected:
  std::optional<std::vector<std::uint8_t>> image(const LabelDescription& label) override;

 private:
  LabelRenderer renderer_;
};

}  // namespace engine
