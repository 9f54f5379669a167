#include "engine/image_sink.h"

#include <algorithm>

namespace engine {

std::optional<std::vector<std::uint8_t>> ImageFolderSink::image(const LabelDescription& label) {
  if (!renderer_) renderer_.emplace();
  return renderer_->renderPng(label);
}

const DrawnLabel* drawingOf(std::span<const DrawnLabel> drawn, const LabelDescription& label) noexcept {
  const auto found = std::ranges::find(drawn, label, &DrawnLabel::label);
  return found == drawn.end() ? nullptr : &*found;
}

void DrawingSink::print(const LabelDescription& label) {
  if (drawingOf(drawn_, label)) return;
  auto png = renderer_.renderPng(label);
  drawn_.push_back({label, std::move(png)});
}

}  // namespace engine
