#include "labelwriter_stream.h"

#include <string>

namespace cups_test {

namespace {

constexpr std::uint8_t kEsc = 0x1B, kSyn = 0x16, kEtb = 0x17;

class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool done() const { return at_ >= bytes_.size(); }
  std::uint8_t peek() const { return bytes_[at_]; }
  std::uint8_t next() {
    if (done()) throw StreamError("the stream ends inside a command at byte " + std::to_string(at_));
    return bytes_[at_++];
  }
  std::size_t at() const { return at_; }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

// The label being fed: lines of head dots, true where the head burns.
struct Feed {
  std::vector<std::vector<bool>> lines;
  void blank(int count) { lines.insert(lines.end(), static_cast<std::size_t>(count), std::vector<bool>(kHeadDots)); }
};

engine::Bitmap toBitmap(const Feed& feed) {
  engine::Bitmap bitmap;
  bitmap.width = kHeadDots;
  bitmap.height = static_cast<int>(feed.lines.size());
  bitmap.rowBytes = kHeadDots / 8;
  bitmap.bits.assign(bitmap.rowBytes * feed.lines.size(), 0);
  for (std::size_t y = 0; y < feed.lines.size(); ++y)
    for (int x = 0; x < kHeadDots; ++x)
      if (feed.lines[y][static_cast<std::size_t>(x)]) bitmap.bits[y * bitmap.rowBytes + x / 8] |= 0x80 >> (x % 8);
  return bitmap;
}

}  // namespace

std::vector<engine::Bitmap> decodeLabelWriter(std::span<const std::uint8_t> stream) {
  Reader in(stream);
  std::vector<engine::Bitmap> labels;
  Feed feed;
  int dotTab = 0;        // bytes of white before each line's data (ESC B)
  int bytesPerLine = 0;  // bytes of data in each line (ESC D)
  auto line = [&](const std::vector<bool>& data) {
    std::vector<bool> dots(kHeadDots);
    for (std::size_t i = 0; i < data.size(); ++i) {
      const std::size_t x = static_cast<std::size_t>(dotTab) * 8 + i;
      if (x >= dots.size()) {
        if (data[i]) throw StreamError("a line burns beyond the head at byte " + std::to_string(in.at()));
        continue;
      }
      dots[x] = data[i];
    }
    feed.lines.push_back(std::move(dots));
  };
  while (!in.done()) {
    const std::uint8_t byte = in.next();
    if (byte == kSyn) {  // a raw line, most significant bit first
      std::vector<bool> data;
      for (int i = 0; i < bytesPerLine; ++i) {
        const std::uint8_t bits = in.next();
        for (int bit = 7; bit >= 0; --bit) data.push_back((bits >> bit) & 1);
      }
      line(data);
    } else if (byte == kEtb) {  // a compressed line: runs of one colour, bit 7 black, length - 1 below
      std::vector<bool> data;
      while (data.size() < static_cast<std::size_t>(bytesPerLine) * 8) {
        const std::uint8_t run = in.next();
        data.insert(data.end(), static_cast<std::size_t>(run & 0x7F) + 1, (run & 0x80) != 0);
      }
      if (data.size() != static_cast<std::size_t>(bytesPerLine) * 8)
        throw StreamError("a compressed line overruns its length at byte " + std::to_string(in.at()));
      line(data);
    } else if (byte == kEsc) {
      const std::uint8_t command = in.next();
      switch (command) {
        case kEsc: break;  // the reset preamble
        case 'Q': in.next(), in.next(); break;  // line tab
        case 'B': dotTab = in.next(); break;
        case 'D': bytesPerLine = in.next(); break;
        case 'L': in.next(), in.next(); break;  // label length
        case 'h': case 'i': case 'e': case 'c': case 'd': case 'g': case 'y': case 'z': break;  // modes
        case 'f': {
          in.next();  // always 1
          feed.blank(in.next());
          break;
        }
        case 'E': case 'G':  // form feed, short form feed: the label is done
          if (!feed.lines.empty()) labels.push_back(toBitmap(feed));
          feed = {};
          break;
        default:
          throw StreamError("unknown command ESC " + std::to_string(command) + " at byte " + std::to_string(in.at()));
      }
    } else {
      throw StreamError("unexpected byte " + std::to_string(byte) + " at byte " + std::to_string(in.at()));
    }
  }
  if (!feed.lines.empty()) throw StreamError("the last label was never fed out");
  return labels;
}

}  // namespace cups_test
