#pragma once
// The native print sink: each label as label-NNNN.json with its picture label-NNNN.png.
// A label can also be drawn ahead of its printing, elsewhere (DrawingSink), and printed
// with that picture (printDrawn).

#include <memory>
#include <optional>
#include <span>

#include "engine/print_sink.h"
#include "engine/renderer.h"

namespace engine {

// A label's picture, drawn before (or instead of) its printing.
struct DrawnLabel {
  LabelDescription label;
  std::vector<std::uint8_t> png;
};

class ImageFolderSink : public LabelFolderSink {
 public:
  using LabelFolderSink::LabelFolderSink;

 protected:
  std::optional<std::vector<std::uint8_t>> image(const LabelDescription& label) override;

 private:
  // Made at the first label: a run that prints none never sets up the fonts.
  std::optional<LabelRenderer> renderer_;
};

// The picture among `drawn` of a label equal to `label`, if any.
const DrawnLabel* drawingOf(std::span<const DrawnLabel> drawn, const LabelDescription& label) noexcept;

// Draws the labels it is given into memory and records nothing: one picture per distinct
// label, in the order they came (copies of a label are drawn once).
class DrawingSink : public PrintSink {
 public:
  explicit DrawingSink(LabelRenderer& renderer) : renderer_(renderer) {}
  void print(const LabelDescription& label) override;
  const std::vector<DrawnLabel>& drawn() const noexcept { return drawn_; }
  std::vector<DrawnLabel> takeDrawn() noexcept { return std::exchange(drawn_, {}); }

 private:
  LabelRenderer& renderer_;
  std::vector<DrawnLabel> drawn_;
};

}  // namespace engine
