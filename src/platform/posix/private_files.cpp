#include "platform/posix/private_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <system_error>

namespace posix_platform {

namespace {

// A file descriptor, closed at scope exit.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

std::runtime_error failure(const std::string& what, const std::filesystem::path& path, int error) {
  return std::runtime_error("cannot " + what + " " + path.string() + ": " + std::strerror(error));
}

class PosixPrivateFiles : public service::PrivateFiles {
 public:
  std::optional<std::string> read(const std::filesystem::path& file) override {
    const Descriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (fd.get() < 0) {
      if (errno == ENOENT) return std::nullopt;
      throw failure("read", file, errno);
    }
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0) throw failure("read", file, errno);
    if (!S_ISREG(status.st_mode)) throw std::runtime_error(file.string() + " is not a file");
    if (status.st_uid != ::geteuid())
      throw std::runtime_error(file.string() + " belongs to another user; remove it, and a new one is made at the next start");
    if ((status.st_mode & 077) != 0)
      throw std::runtime_error(file.string() +
                               " may be read or changed by other users: make it private (chmod 600) or remove it, and "
                               "a new one is made at the next start");
    std::string content;
    char buffer[512];
    for (;;) {
      const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) throw failure("read", file, errno);
      if (got == 0) break;
      content.append(buffer, static_cast<std::size_t>(got));
      if (content.size() > 4096) throw std::runtime_error(file.string() + " is too large to hold an access token");
    }
    return content;
  }

  bool create(const std::filesystem::path& file, const std::string& content) override {
    if (file.has_parent_path()) makeFolder(file.parent_path());
    const Descriptor fd(::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (fd.get() < 0) {
      if (errno == EEXIST) return false;
      throw failure("create", file, errno);
    }
    // Whatever the umask said.
    if (::fchmod(fd.get(), 0600) != 0) throw failure("protect", file, errno);
    std::string_view rest = content;
    while (!rest.empty()) {
      const ssize_t written = ::write(fd.get(), rest.data(), rest.size());
      if (written < 0 && errno == EINTR) continue;
      if (written < 0) {
        const int error = errno;
        ::unlink(file.c_str());
        throw failure("write", file, error);
      }
      rest.remove_prefix(static_cast<std::size_t>(written));
    }
    if (::fsync(fd.get()) != 0) throw failure("write", file, errno);
    return true;
  }

  void makeFolder(const std::filesystem::path& folder) override {
    std::filesystem::path made;
    for (const auto& part : folder) {
      made /= part;
      if (::mkdir(made.c_str(), 0700) != 0 && errno != EEXIST) throw failure("create the folder", made, errno);
    }
  }

  std::filesystem::path defaultTokenFile() const override {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && *state == '/') return std::filesystem::path(state) / "vantory" / "access-token";
    const char* home = std::getenv("HOME");
    if (!home || !*home) throw std::runtime_error("neither XDG_STATE_HOME nor HOME is set: give --token-file FILE");
    return std::filesystem::path(home) / ".local" / "state" / "vantory" / "access-token";
  }
};

}  // namespace

std::unique_ptr<service::PrivateFiles> privateFiles() { return std::make_unique<PosixPrivateFiles>(); }

}  // namespace posix_platform
