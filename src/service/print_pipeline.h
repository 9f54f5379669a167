#pragma once
// How the service prints: with the control's semantics (one request state for all callers,
// calls one at a time in the order they came) but without callers waiting for each other's
// drawing. A print call goes through three steps:
//
//   1. rehearse: the call runs on a copy of the request state and its labels are drawn
//      into memory, at once, side by side with other callers' rehearsals;
//   2. in its turn (one call at a time, in arrival order): the call runs for real on the
//      shared request state, and each label it prints goes to the printers with the picture
//      step 1 drew for it, or drawn anew when it came out otherwise (another call changed
//      what it depends on in between), so the record is always the label printed;
//   3. the caller answers from the result, the labels printed and the diagnostics.
//
// A preview is step 1 alone. At most a set number of calls are in hand at once (drawing or
// waiting for their turn): a caller beyond it is told to come back, rather than queue
// without bound. Calls run on the headless control: no windows, the print
// window's two seconds on the virtual clock, settings dialogs closed as if "&Ok" were
// pressed (a web page shows them itself), every call's diagnostics collected.
//
// Step 2 prints on this process's virtual engine, into the printers' sink; or through a
// CallPrinter of the host's, such as the Windows service's, which drives the label engine
// the control drives ("Dymo.LabelEngine" through COM) and draws nothing ahead.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "automation/value.h"
#include "control/diagnostics.h"
#include "control/entry_points.h"
#include "control/label_request.h"
#include "engine/image_sink.h"
#include "printers/printers.h"

namespace service {

// Step 1's outcome.
struct Rehearsal {
  bool result = false;
  std::vector<control::DiagnosticMessage> diagnostics;
  std::vector<engine::DrawnLabel> drawn;  // one per distinct label
};

// Step 2's outcome.
struct Printed {
  bool result = false;
  std::vector<engine::PrintedLabel> labels;
  std::vector<control::DiagnosticMessage> diagnostics;
  // Set when the label engine could not be created, saying why: nothing was printed, and
  // the caller hears that rather than a False (the next call tries again).
  std::optional<std::string> engineUnavailable;
};

// How a call runs for real in its turn (step 2), on the shared request state.
class CallPrinter {
 public:
  virtual ~CallPrinter() = default;
  // Whether the call's labels are drawn ahead (step 1) for its turn to print.
  virtual bool drawsAhead() const = 0;
  virtual Printed print(control::LabelRequest& request, control::PrintMethod method,
                        std::span<const automation::Value> arguments, const Rehearsal& ahead) = 0;
};

class PrintPipeline {
 public:
  // Printing on this process's virtual engine into the printers' sink; at most `maxInHand`
  // calls in hand at once.
  PrintPipeline(printers::Printers& printers, std::size_t maxInHand);
  // Printing through `printer`, which must outlive the pipeline; `printers` are those it prints on.
  PrintPipeline(printers::PrinterList& printers, CallPrinter& printer, std::size_t maxInHand);
  ~PrintPipeline();
  PrintPipeline(const PrintPipeline&) = delete;
  PrintPipeline& operator=(const PrintPipeline&) = delete;

  // Whether a print call's labels are drawn ahead of its turn (else step 1 is for previews only).
  bool drawsAhead() const { return printer_.drawsAhead(); }

  // A call's place among those in hand, from before its drawing to its answer.
  class Place {
   public:
    Place(Place&& other) noexcept : count_(std::exchange(other.count_, nullptr)) {}
    Place& operator=(Place&&) = delete;
    ~Place() {
      if (count_) --*count_;
    }

   private:
    friend class PrintPipeline;
    explicit Place(std::atomic<std::size_t>& count) : count_(&count) {}
    std::atomic<std::size_t>* count_;
  };
  // A place, or nothing when as many calls as allowed are in hand already.
  std::optional<Place> enter();

  // Step 1; any number at once. Throws only when it cannot run at all (out of memory).
  Rehearsal rehearse(control::PrintMethod method, std::span<const automation::Value> arguments);

  // What only a call in its turn may do.
  class Turn {
   public:
    // The printers: only one turn at a time asks or prints on them.
    printers::PrinterList& printers() noexcept { return pipeline_.printers_; }
    // Step 2, with what step 1 drew (nothing drawn: every label is drawn here).
    Printed print(control::PrintMethod method, std::span<const automation::Value> arguments, const Rehearsal& ahead);

   private:
    friend class PrintPipeline;
    explicit Turn(PrintPipeline& pipeline) : pipeline_(pipeline) {}
    PrintPipeline& pipeline_;
  };

  // Runs `work` (callable with Turn&) in the next turn and returns what it returns.
  template <class Work>
  auto inTurn(Work&& work) {
    const std::lock_guard turn(turns_);
    Turn current(*this);
    return work(current);
  }

  // A copy of the shared request state.
  control::LabelRequest requestState();

 private:
  // A lock that lets its waiters in strictly in the order they came.
  class ArrivalOrder {
   public:
    void lock();
    void unlock();

   private:
    std::mutex mutex_;
    std::condition_variable turn_;
    std::uint64_t next_ = 0, serving_ = 0;
  };
  class Renderers;
  class TurnSink;
  class EnginePrinter;

  printers::PrinterList& printers_;
  const std::size_t maxInHand_;
  std::atomic<std::size_t> inHand_ = 0;
  std::unique_ptr<Renderers> renderers_;
  std::unique_ptr<CallPrinter> ownPrinter_;  // the virtual engine's, when no other was given
  CallPrinter& printer_;
  ArrivalOrder turns_;
  std::mutex state_;              // the request state, held only to copy it out or back
  control::LabelRequest request_;  // the process's one request state
};

}  // namespace service
