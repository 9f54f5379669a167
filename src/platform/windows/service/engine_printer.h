#pragma once
// How the Windows print service prints: through the label engine the control drives, the
// automation object "Dymo.LabelEngine" created through COM by the control's own engine
// factory, with the control's entry points, request state and layouts on the headless
// windows (no window shows; the print window's two seconds pass on the virtual clock).
//
// One thread in a single-threaded apartment owns every engine and runs the calls one at a
// time, in the order of their turns. Each call creates its engine afresh, as the control
// does; when it cannot be created the call's answer says so (ENGINE_UNAVAILABLE, naming the
// ProgID and why) and the next call tries again. The labels a call printed are the records
// the engine's PrintLabel names (our engine answers label-NNNN.json; another engine, nothing).

#include <filesystem>
#include <memory>

#include "service/print_pipeline.h"

namespace windows::service {

class ApartmentThread;

class EnginePrinter final : public ::service::CallPrinter {
 public:
  // `folder`: where the engine records its labels (the service sets VANTORY_LABEL_DIR to it).
  explicit EnginePrinter(std::filesystem::path folder);
  ~EnginePrinter() override;

  bool drawsAhead() const override { return false; }
  ::service::Printed print(control::LabelRequest& request, control::PrintMethod method,
                           std::span<const automation::Value> arguments, const ::service::Rehearsal& ahead) override;

 private:
  std::filesystem::path folder_;
  std::unique_ptr<ApartmentThread> apartment_;
};

}  // namespace windows::service
