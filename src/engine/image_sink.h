#pragma once
// The native print sink: each label as label-NNNN.json with its picture label-NNNN.png.
// Labels can also be drawn ahead of their printing, elsewhere, and handed to the sink.

#include <memory>
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

  // While the returned guard lives, a label equal to one of `drawn` is recorded with that
  // picture instead of being drawn again; any other label is drawn as usual. A picture
  // follows from its description alone, so the record is the same either way. `drawn`
  // must outlive the guard.
  class Reuse {
   public:
    ~Reuse() { sink_.drawn_ = {}; }
    Reuse(const Reuse&) = delete;
    Reuse& operator=(const Reuse&) = delete;

   private:
    friend class ImageFolderSink;
    Reuse(ImageFolderSink& sink, std::span<const DrawnLabel> drawn) : sink_(sink) { sink_.drawn_ = drawn; }
    ImageFolderSink& sink_;
  };
  [[nodiscard]] Reuse reuse(std::span<const DrawnLabel> drawn) { return Reuse(*this, drawn); }

 protected:
  std::optional<std::vector<std::uint8_t>> image(const LabelDescription& label) override;

 private:
  LabelRenderer renderer_;
  std::span<const DrawnLabel> drawn_;
};

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
