// Recorded labels are removed once older than the retention; nothing else is.

#include "service/label_retention.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <fstream>
#include <string>
#include <vector>

#include "support/temporary_folder.h"

namespace service {
namespace {

using namespace std::chrono_literals;

// libstdc++ sets a folder's time on POSIX systems only; Windows needs the folder opened as one.
void setFolderTime(const std::filesystem::path& folder, std::filesystem::file_time_type time) {
#ifdef _WIN32
  // The file clock's distance from now, taken off the system's time now (in 100 ns steps).
  FILETIME current{};
  GetSystemTimeAsFileTime(&current);
  const auto back = std::chrono::duration_cast<std::chrono::duration<long long, std::ratio<1, 10'000'000>>>(
      std::filesystem::file_time_type::clock::now() - time);
  const auto since1601 =
      ((static_cast<unsigned long long>(current.dwHighDateTime) << 32) | current.dwLowDateTime) -
      static_cast<unsigned long long>(back.count());
  FILETIME written{static_cast<DWORD>(since1601), static_cast<DWORD>(since1601 >> 32)};
  HANDLE handle = CreateFileW(folder.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(SetFileTime(handle, nullptr, nullptr, &written));
  CloseHandle(handle);
#else
  std::filesystem::last_write_time(folder, time);
#endif
}

TEST(LabelRetention, LabelsOlderThanTheRetentionAreRemovedAndNothingElse) {
  const engine_test::TemporaryFolder folder;
  const auto now = std::filesystem::file_time_type::clock::now();
  struct File {
    std::string name;
    std::filesystem::file_time_type written;
    bool removed;
  };
  const std::vector<File> files{
      {"label-0001-0123456789abcdef0123456789abcdef.json", now - 8 * 24h, true},
      {"label-0001-0123456789abcdef0123456789abcdef.png", now - 8 * 24h, true},
      {"label-0002.json", now - 7 * 24h - 1min, true},  // numbered by another host: patient data all the same
      {"label-0003-0123456789abcdef0123456789abcdef.json", now - 6 * 24h, false},
      {"label-0003-0123456789abcdef0123456789abcdef.png", now, false},
      {"notes.json", now - 30 * 24h, false},
      {"label-0004.txt", now - 30 * 24h, false},
      {"access-token", now - 30 * 24h, false},
  };
  for (const auto& file : files) {
    std::ofstream(folder.path() / file.name) << "x";
    std::filesystem::last_write_time(folder.path() / file.name, file.written);
  }
  std::filesystem::create_directory(folder.path() / "label-0005.json");  // a folder, not a label
  setFolderTime(folder.path() / "label-0005.json", now - 30 * 24h);

  EXPECT_EQ(removeLabelsOlderThan(folder.path(), now - 7 * 24h), 3u);
  for (const auto& file : files) EXPECT_EQ(!std::filesystem::exists(folder.path() / file.name), file.removed) << file.name;
  EXPECT_TRUE(std::filesystem::exists(folder.path() / "label-0005.json"));
  EXPECT_EQ(removeLabelsOlderThan(folder.path() / "missing", now), 0u);
}

TEST(LabelRetention, TheSweeperRemovesExpiredLabelsWhenItStarts) {
  const engine_test::TemporaryFolder folder;
  const auto old = folder.path() / "label-0001-0123456789abcdef0123456789abcdef.json";
  const auto fresh = folder.path() / "label-0002-0123456789abcdef0123456789abcdef.json";
  std::ofstream(old) << "x";
  std::ofstream(fresh) << "x";
  std::filesystem::last_write_time(old, std::filesystem::file_time_type::clock::now() - 2 * 24h);
  {
    LabelSweeper sweeper(folder.path(), 24h);
    // Its first sweep runs at once; the destructor waits for it.
  }
  EXPECT_FALSE(std::filesystem::exists(old));
  EXPECT_TRUE(std::filesystem::exists(fresh));
}

}  // namespace
}  // namespace service
