#include "platform/windows/service/apartment_thread.h"

#include <objbase.h>

#include <future>
#include <stdexcept>

namespace windows::service {

ApartmentThread::ApartmentThread() : wake_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
  if (!wake_) throw std::runtime_error("the apartment's thread cannot be made: CreateEvent failed");
  std::promise<bool> started;
  auto entered = started.get_future();
  thread_ = std::thread([this, &started] {
    const HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    started.set_value(SUCCEEDED(initialised));
    loop();
    if (SUCCEEDED(initialised)) CoUninitialize();
  });
  entered_ = entered.get();
}

ApartmentThread::~ApartmentThread() {
  {
    std::lock_guard lock(mutex_);
    ending_ = true;
  }
  SetEvent(wake_);
  thread_.join();
  CloseHandle(wake_);
}

void ApartmentThread::runHere(std::function<void()> piece) {
  std::unique_lock lock(mutex_);
  work_.push_back(std::move(piece));
  const std::uint64_t ticket = ++handed_;
  SetEvent(wake_);
  done_.wait(lock, [&] { return finished_ >= ticket; });
}

void ApartmentThread::loop() {
  for (;;) {
    std::function<void()> piece;
    {
      std::lock_guard lock(mutex_);
      if (!work_.empty()) {
        piece = std::move(work_.front());
        work_.pop_front();
      } else if (ending_) {
        return;
      }
    }
    if (piece) {
      piece();
      {
        std::lock_guard lock(mutex_);
        ++finished_;
      }
      done_.notify_all();
      continue;
    }
    // Nothing to do: wait for work, dispatching what the apartment's windows are sent.
    if (MsgWaitForMultipleObjectsEx(1, &wake_, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0 + 1) {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
  }
}

}  // namespace windows::service
