#include "engine/print_sink.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <span>
#include <string>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "engine/description_json.h"

namespace engine {

namespace {

// A file this process created, closed on scope exit.
class NewFile {
 public:
  // Nothing when the file exists already; throws for any other failure.
  static std::optional<NewFile> create(const std::filesystem::path& path) {
#ifdef _WIN32
    const int fd = ::_wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
#endif
    if (fd < 0) {
      if (errno == EEXIST) return std::nullopt;
      throw std::system_error(errno, std::generic_category(), "cannot create " + path.string());
    }
    return NewFile(fd, path);
  }

  NewFile(NewFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}
  NewFile& operator=(NewFile&&) = delete;
  ~NewFile() { close(); }

  void write(std::span<const char> bytes) {
    while (!bytes.empty()) {
#ifdef _WIN32
      const int chunk = static_cast<int>(std::min<std::size_t>(bytes.size(), 1u << 30));
      const int written = ::_write(fd_, bytes.data(), static_cast<unsigned>(chunk));
#else
      const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
#endif
      if (written < 0) {
        if (errno == EINTR) continue;
        throw std::system_error(errno, std::generic_category(), "cannot write " + path_.string());
      }
      bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
  }

  // Gives the name back, for a number that turned out to be taken after all.
  void discard() {
    close();
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }

 private:
  NewFile(int fd, std::filesystem::path path) : fd_(fd), path_(std::move(path)) {}
  void close() {
    if (fd_ >= 0) {
#ifdef _WIN32
      ::_close(fd_);
#else
      ::close(fd_);
#endif
      fd_ = -1;
    }
  }
  int fd_;
  std::filesystem::path path_;
};

// The number of a "label-NNNN[-suffix].json" or ".png" file name.
std::optional<unsigned> labelNumber(const std::string& name) {
  constexpr std::string_view prefix = "label-";
  const std::size_t dot = name.rfind('.');
  if (name.rfind(prefix, 0) != 0 || dot == std::string::npos || dot == prefix.size()) return std::nullopt;
  const std::string extension = name.substr(dot + 1);
  if (extension != "json" && extension != "png") return std::nullopt;
  const std::size_t end = std::min(dot, name.find('-', prefix.size()));
  if (end == prefix.size()) return std::nullopt;
  unsigned number = 0;
  for (std::size_t i = prefix.size(); i < end; ++i) {
    const char c = name[i];
    if (c < '0' || c > '9' || number > 100'000'000) return std::nullopt;
    number = number * 10 + static_cast<unsigned>(c - '0');
  }
  return number;
}

}  // namespace

LabelFolderSink::LabelFolderSink(std::filesystem::path folder, LabelNames names)
    : folder_(std::move(folder)), names_(names) {}

std::string LabelFolderSink::nameOf(unsigned number) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "label-%04u", number);
  std::string name = buffer;
  if (names_ == LabelNames::Unguessable) {
    // 128 bits from the system's random source (std::random_device: getrandom or RDRAND with
    // libstdc++ on Linux, rand_s on Windows).
    std::random_device random;
    name += '-';
    for (int word = 0; word < 4; ++word) {
      std::snprintf(buffer, sizeof buffer, "%08x", static_cast<unsigned>(random()));
      name += buffer;
    }
  }
  return name;
}

std::optional<std::vector<std::uint8_t>> LabelFolderSink::image(const LabelDescription&) { return std::nullopt; }

std::optional<Delivery> LabelFolderSink::deliver(const LabelDescription&,
                                                 const std::optional<std::vector<std::uint8_t>>&) {
  return std::nullopt;
}

void LabelFolderSink::withdraw(const Delivery&) noexcept {}

unsigned LabelFolderSink::nextNumber() {
  if (!lastNumber_) {
    unsigned highest = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder_))
      if (const auto number = labelNumber(entry.path().filename().string())) highest = std::max(highest, *number);
    lastNumber_ = highest;
  }
  return ++*lastNumber_;
}

void LabelFolderSink::print(const LabelDescription& label) {
  lastRecord_.clear();
  printed_.push_back(printDrawn(label, image(label)));
  lastRecord_ = printed_.back().description;
}

PrintedLabel LabelFolderSink::printDrawn(const LabelDescription& label,
                                         const std::optional<std::vector<std::uint8_t>>& png) {
  // A folder that cannot be made fails before the label goes anywhere.
  std::filesystem::create_directories(folder_);
  const std::optional<Delivery> delivery = deliver(label, png);
  try {
    return record(delivery ? toJson(label, *delivery) : toJson(label), png, delivery);
  } catch (...) {
    if (delivery) withdraw(*delivery);
    throw;
  }
}

PrintedLabel LabelFolderSink::record(const std::string& json, const std::optional<std::vector<std::uint8_t>>& png,
                                     const std::optional<Delivery>& delivery) {
  for (;;) {
    const std::string name = nameOf(nextNumber());
    PrintedLabel paths{folder_ / (name + ".json"), {}, {}, 0};
    std::optional<NewFile> description = NewFile::create(paths.description);
    if (!description) continue;
    if (png) paths.image = folder_ / (name + ".png");
    std::optional<NewFile> picture = png ? NewFile::create(paths.image) : std::nullopt;
    if (png && !picture) {
      description->discard();
      continue;
    }
    try {
      if (picture) picture->write({reinterpret_cast<const char*>(png->data()), png->size()});
      description->write(json);
    } catch (...) {
      if (picture) picture->discard();
      description->discard();
      throw;
    }
    if (delivery) {
      paths.destination = delivery->destination;
      paths.job = delivery->job;
    }
    return paths;
  }
}

}  // namespace engine
