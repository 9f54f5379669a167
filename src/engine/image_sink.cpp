#include "engine/image_sink.h"

namespace engine {

std::optional<std::vector<std::uint8_t>> ImageFolderSink::image(const LabelDescription& label) {
  return renderer_.renderPng(label);
}

}  // namespace engine
