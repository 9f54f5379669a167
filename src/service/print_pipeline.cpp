#include "service/print_pipeline.h"

#include "engine/renderer.h"
#include "platform/headless/headless_control.h"

namespace service {

namespace {

constexpr headless::ControlOptions kServiceControl{headless::Diagnostics::Collected,
                                                   headless::SettingsDialogs::ClosedAsConfirmed};

}  // namespace

void PrintPipeline::ArrivalOrder::lock() {
  std::unique_lock lock(mutex_);
  const std::uint64_t ticket = next_++;
  turn_.wait(lock, [&] { return serving_ == ticket; });
}

void PrintPipeline::ArrivalOrder::unlock() {
  {
    std::lock_guard lock(mutex_);
    ++serving_;
  }
  turn_.notify_all();
}

// Renderers for drawing side by side. A renderer keeps its fonts and canvas from one label to
// the next and serves one thread at a time, so each drawing leases one; there are never more
// than drawings at once.
class PrintPipeline::Renderers {
 public:
  class Lease {
   public:
    ~Lease() { pool_.giveBack(std::move(renderer_)); }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    engine::LabelRenderer& operator*() const noexcept { return *renderer_; }
    engine::LabelRenderer* operator->() const noexcept { return renderer_.get(); }

   private:
    friend class Renderers;
    Lease(Renderers& pool, std::unique_ptr<engine::LabelRenderer> renderer)
        : pool_(pool), renderer_(std::move(renderer)) {}
    Renderers& pool_;
    std::unique_ptr<engine::LabelRenderer> renderer_;
  };

  Lease lease() {
    std::unique_ptr<engine::LabelRenderer> renderer;
    {
      std::lock_guard lock(mutex_);
      if (!idle_.empty()) {
        renderer = std::move(idle_.back());
        idle_.pop_back();
      }
    }
    if (!renderer) renderer = std::make_unique<engine::LabelRenderer>();
    return Lease(*this, std::move(renderer));
  }

 private:
  void giveBack(std::unique_ptr<engine::LabelRenderer> renderer) noexcept {
    try {
      std::lock_guard lock(mutex_);
      idle_.push_back(std::move(renderer));
    } catch (...) {
      // Not kept: the next lease makes a new one.
    }
  }

  std::mutex mutex_;
  std::vector<std::unique_ptr<engine::LabelRenderer>> idle_;
};

// Where a call's labels go in its turn: each to the printers with the picture drawn ahead for
// it, or drawn now.
class PrintPipeline::TurnSink : public engine::PrintSink {
 public:
  TurnSink(printers::Printers& printers, std::span<const engine::DrawnLabel> ahead, Renderers& renderers)
      : printers_(printers), ahead_(ahead), renderers_(renderers) {}

  void print(const engine::LabelDescription& label) override {
    if (const engine::DrawnLabel* drawn = engine::drawingOf(ahead_, label))
      printed.push_back(printers_.printDrawn(label, drawn->png));
    else
      printed.push_back(printers_.printDrawn(label, renderers_.lease()->renderPng(label)));
  }

  std::vector<engine::PrintedLabel> printed;

 private:
  printers::Printers& printers_;
  std::span<const engine::DrawnLabel> ahead_;
  Renderers& renderers_;
};

PrintPipeline::PrintPipeline(printers::Printers& printers, std::size_t maxInHand)
    : printers_(printers), maxInHand_(maxInHand), renderers_(std::make_unique<Renderers>()) {}

std::optional<PrintPipeline::Place> PrintPipeline::enter() {
  std::size_t current = inHand_.load();
  do {
    if (current >= maxInHand_) return std::nullopt;
  } while (!inHand_.compare_exchange_weak(current, current + 1));
  return Place(inHand_);
}

PrintPipeline::~PrintPipeline() = default;

control::LabelRequest PrintPipeline::requestState() {
  std::lock_guard lock(state_);
  return request_;
}

Rehearsal PrintPipeline::rehearse(control::PrintMethod method, std::span<const automation::Value> arguments) {
  control::LabelRequest copy = requestState();
  const auto renderer = renderers_->lease();
  const auto drawing = std::make_shared<engine::DrawingSink>(*renderer);
  headless::HeadlessControl control(copy, drawing, kServiceControl);
  Rehearsal rehearsal;
  rehearsal.result = control.print(method, arguments);
  rehearsal.diagnostics = control.diagnostics();
  rehearsal.drawn = drawing->takeDrawn();
  return rehearsal;
}

Printed PrintPipeline::Turn::print(control::PrintMethod method, std::span<const automation::Value> arguments,
                                   const Rehearsal& ahead) {
  const auto labels = std::make_shared<TurnSink>(pipeline_.printers_, ahead.drawn, *pipeline_.renderers_);
  // Only a call in its turn changes the request state, so it runs on a copy and puts it back
  // afterwards: the state is never locked while a label goes to a printer (which may take a
  // CUPS server its time), and previews and other callers' drawing go on meanwhile.
  control::LabelRequest state = pipeline_.requestState();
  Printed printed;
  {
    headless::HeadlessControl control(state, labels, kServiceControl);
    printed.result = control.print(method, arguments);
    printed.diagnostics = control.diagnostics();
  }
  {
    std::lock_guard lock(pipeline_.state_);
    pipeline_.request_ = std::move(state);
  }
  printed.labels = std::move(labels->printed);
  return printed;
}

}  // namespace service
