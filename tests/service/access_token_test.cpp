// The per-user access token: made once, read back, never from a file others may read.

#include "service/access_token.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>

#include "platform/posix/private_files.h"
#include "support/temporary_folder.h"

namespace service {
namespace {

TEST(AccessToken, IsMadeAtTheFirstStartAndReadAfterwards) {
  const engine_test::TemporaryFolder folder;
  const auto files = posix_platform::privateFiles();
  const auto file = folder.path() / "state" / "vantory" / "access-token";
  const std::string token = loadOrMakeAccessToken(*files, file);
  EXPECT_TRUE(std::regex_match(token, std::regex("[0-9a-f]{64}"))) << token;
  EXPECT_EQ(loadOrMakeAccessToken(*files, file), token);

  struct stat status {};
  ASSERT_EQ(::stat(file.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);
  ASSERT_EQ(::stat(file.parent_path().c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0700u) << "the folders it made are the user's alone";

  std::set<std::string> tokens;
  for (int i = 0; i < 100; ++i) tokens.insert(newAccessToken());
  EXPECT_EQ(tokens.size(), 100u);
}

TEST(AccessToken, AFileOthersMayReadOrThatHoldsNoTokenIsRefusedSayingWhatToDo) {
  const engine_test::TemporaryFolder folder;
  const auto files = posix_platform::privateFiles();
  struct Case {
    const char* what;
    std::string content;
    mode_t mode;
    std::string says;
  };
  const std::vector<Case> cases{
      {"readable by the group", std::string(64, 'a') + "\n", 0640, "chmod 600"},
      {"readable by everyone", std::string(64, 'a') + "\n", 0644, "chmod 600"},
      {"writable by others", std::string(64, 'a') + "\n", 0602, "chmod 600"},
      {"not a token", "secret\n", 0600, "remove it"},
      {"empty", "", 0600, "remove it"},
      {"a token in capitals", std::string(64, 'A'), 0600, "remove it"},
  };
  for (const auto& c : cases) {
    const auto file = folder.path() / "token";
    std::filesystem::remove(file);
    std::ofstream(file) << c.content;
    ::chmod(file.c_str(), c.mode);
    try {
      loadOrMakeAccessToken(*files, file);
      ADD_FAILURE() << c.what << ": accepted";
    } catch (const std::runtime_error& failure) {
      EXPECT_NE(std::string(failure.what()).find(c.says), std::string::npos) << c.what << ": " << failure.what();
    }
  }
  const auto link = folder.path() / "link";
  std::filesystem::create_symlink(folder.path() / "token", link);
  EXPECT_THROW(files->read(link), std::runtime_error) << "a link could lead anywhere";
}

// A platform that keeps files in memory: another start may make the file in between.
class RacingFiles : public PrivateFiles {
 public:
  std::optional<std::string> read(const std::filesystem::path& file) override {
    const auto found = kept.find(file);
    return found == kept.end() ? std::nullopt : std::optional(found->second);
  }
  bool create(const std::filesystem::path& file, const std::string&) override {
    kept[file] = std::string(64, 'b') + "\n";  // the other start's token came first
    return false;
  }
  void makeFolder(const std::filesystem::path&) override {}
  std::filesystem::path defaultTokenFile() const override { return "token"; }
  std::map<std::filesystem::path, std::string> kept;
};

TEST(AccessToken, TwoStartsAtOnceShareTheTokenTheFirstMade) {
  RacingFiles files;
  EXPECT_EQ(loadOrMakeAccessToken(files, "token"), std::string(64, 'b'));
}

}  // namespace
}  // namespace service
