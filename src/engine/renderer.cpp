#include "engine/renderer.h"

#include <string>

#include "engine/label_drawing.h"

namespace engine {

struct LabelRenderer::Impl {
  std::unique_ptr<TextPainter> painter = makeTextPainter();
  LabelDrawing drawing;
};

LabelRenderer::LabelRenderer() : impl_(std::make_unique<Impl>()) {}
LabelRenderer::~LabelRenderer() = default;
LabelRenderer::LabelRenderer(LabelRenderer&&) noexcept = default;
LabelRenderer& LabelRenderer::operator=(LabelRenderer&&) noexcept = default;

Bitmap LabelRenderer::render(const LabelDescription& label) { return impl_->drawing.draw(label, *impl_->painter); }

std::vector<std::uint8_t> LabelRenderer::renderPng(const LabelDescription& label) { return encodePng(render(label)); }

ResolvedFont LabelRenderer::resolve(std::string_view font) { return impl_->painter->resolve(std::string(font)); }

}  // namespace engine
