#pragma once
// Recorded labels hold patient data: a lab PC must not collect them for ever. Labels older
// than the retention period are removed, at the service's start and every hour after.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <filesystem>
#include <mutex>
#include <thread>

namespace service {

// Removes the recorded labels (label-*.json and label-*.png) of the folder last written
// before `before`; other files stay. Returns how many files it removed; a folder that cannot
// be read removes nothing.
std::size_t removeLabelsOlderThan(const std::filesystem::path& folder, std::filesystem::file_time_type before);

// Removes the folder's expired labels now and every `interval` on a thread of its own, until
// it is destroyed.
class LabelSweeper {
 public:
  LabelSweeper(std::filesystem::path folder, std::chrono::hours retention,
               std::chrono::minutes interval = std::chrono::minutes(60));
  ~LabelSweeper();
  LabelSweeper(const LabelSweeper&) = delete;
  LabelSweeper& operator=(const LabelSweeper&) = delete;

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace service
