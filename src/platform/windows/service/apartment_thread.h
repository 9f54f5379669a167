#pragma once
// A thread in a single-threaded COM apartment that runs the work it is handed, one piece at
// a time, in the order handed, and pumps its messages while it waits (what an apartment's
// objects may rely on). The objects the work creates there are used there only.

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>

namespace windows::service {

class ApartmentThread {
 public:
  ApartmentThread();
  // Runs the work handed before, then leaves the apartment.
  ~ApartmentThread();
  ApartmentThread(const ApartmentThread&) = delete;
  ApartmentThread& operator=(const ApartmentThread&) = delete;

  // Runs `work` on the apartment's thread and returns what it returned, or throws what it threw.
  template <class Work>
  auto run(Work&& work) -> std::invoke_result_t<Work&> {
    using Result = std::invoke_result_t<Work&>;
    std::exception_ptr failure;
    if constexpr (std::is_void_v<Result>) {
      runHere([&] {
        try {
          work();
        } catch (...) {
          failure = std::current_exception();
        }
      });
      if (failure) std::rethrow_exception(failure);
    } else {
      std::optional<Result> result;
      runHere([&] {
        try {
          result.emplace(work());
        } catch (...) {
          failure = std::current_exception();
        }
      });
      if (failure) std::rethrow_exception(failure);
      return std::move(*result);
    }
  }

  // Whether the thread entered its apartment (CoInitializeEx succeeded).
  bool inApartment() const noexcept { return entered_; }

 private:
  // Hands `piece` (which throws nothing) to the thread and waits until it has run.
  void runHere(std::function<void()> piece);
  void loop();

  HANDLE wake_;  // set when work is handed or the thread must end
  std::mutex mutex_;
  std::condition_variable done_;
  std::deque<std::function<void()>> work_;
  std::uint64_t handed_ = 0, finished_ = 0;
  bool ending_ = false;
  bool entered_ = false;
  std::thread thread_;
};

}  // namespace windows::service
