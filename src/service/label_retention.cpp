#include "service/label_retention.h"

#include <string>
#include <system_error>

namespace service {

std::size_t removeLabelsOlderThan(const std::filesystem::path& folder, std::filesystem::file_time_type before) {
  std::size_t removed = 0;
  std::error_code failure;
  for (std::filesystem::directory_iterator entry(folder, failure), end; !failure && entry != end;
       entry.increment(failure)) {
    const auto name = entry->path().filename().string();
    const auto extension = entry->path().extension();
    if (!name.starts_with("label-") || (extension != ".json" && extension != ".png")) continue;
    std::error_code ignored;
    if (!entry->is_regular_file(ignored) || entry->last_write_time(ignored) >= before || ignored) continue;
    removed += std::filesystem::remove(entry->path(), ignored) ? 1 : 0;
  }
  return removed;
}

LabelSweeper::LabelSweeper(std::filesystem::path folder, std::chrono::hours retention, std::chrono::minutes interval) {
  thread_ = std::thread([this, folder = std::move(folder), retention, interval] {
    std::unique_lock lock(mutex_);
    do {
      lock.unlock();
      removeLabelsOlderThan(folder, std::filesystem::file_time_type::clock::now() - retention);
      lock.lock();
    } while (!wake_.wait_for(lock, interval, [this] { return stopping_; }));
  });
}

LabelSweeper::~LabelSweeper() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

}  // namespace service
