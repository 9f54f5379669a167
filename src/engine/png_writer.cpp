// 1-bit PNG encoding through libpng's classic interface (the simplified one writes 8 bits
// per pixel at least), and decoding through the simplified one.

#include <csetjmp>
#include <cmath>
#include <cstring>

#include <png.h>

#include "engine/renderer.h"

namespace engine {

namespace {

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  try {
    out->insert(out->end(), data, data + length);
  } catch (...) {
    png_error(png, "out of memory");  // never unwind through libpng's frames
  }
}

void noFlush(png_structp) {}

class WriteStruct {
 public:
  WriteStruct() : png_(png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr)) {
    if (png_) info_ = png_create_info_struct(png_);
    if (!png_ || !info_) {
      png_destroy_write_struct(&png_, &info_);
      throw std::bad_alloc();
    }
  }
  ~WriteStruct() { png_destroy_write_struct(&png_, &info_); }
  WriteStruct(const WriteStruct&) = delete;
  WriteStruct& operator=(const WriteStruct&) = delete;
  png_structp png() const { return png_; }
  png_infop info() const { return info_; }

 private:
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
};

// Everything between setjmp and a libpng error is plain C, so the longjmp skips no destructor.
bool writeImage(png_structp png, png_infop info, const Bitmap& bitmap, double dpi) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_IHDR(png, info, static_cast<png_uint_32>(bitmap.width), static_cast<png_uint_32>(bitmap.height), 1,
               PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  const auto perMetre = static_cast<png_uint_32>(std::lround(dpi / 0.0254));
  png_set_pHYs(png, info, perMetre, perMetre, PNG_RESOLUTION_METER);
  // Filters do little for 1-bit rows of a mostly blank label and cost time.
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  // A label's rows repeat within a few rows, so a small window and hash lose little, and
  // the default zlib state (about 400 KB, allocated and freed per image) costs more than
  // the compression itself.
  png_set_compression_level(png, 1);
  png_set_compression_window_bits(png, 12);
  png_set_compression_mem_level(png, 4);
  png_write_info(png, info);
  png_set_invert_mono(png);  // PNG grey 0 is black; our set bit is ink
  for (int y = 0; y < bitmap.height; ++y)
    png_write_row(png, bitmap.bits.data() + static_cast<std::size_t>(y) * bitmap.rowBytes);
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

std::vector<std::uint8_t> encodePng(const Bitmap& bitmap, double dpi) {
  if (bitmap.width <= 0 || bitmap.height <= 0 || bitmap.rowBytes < (static_cast<std::size_t>(bitmap.width) + 7) / 8 ||
      bitmap.bits.size() < bitmap.rowBytes * static_cast<std::size_t>(bitmap.height))
    throw RenderError("the bitmap's size does not match its data");
  std::vector<std::uint8_t> out;
  out.reserve(8192);
  const WriteStruct png;
  png_set_write_fn(png.png(), &out, appendBytes, noFlush);
  if (!writeImage(png.png(), png.info(), bitmap, dpi)) throw RenderError("cannot encode the label as PNG");
  return out;
}

Bitmap decodePng(const std::vector<std::uint8_t>& png) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size()))
    throw RenderError(std::string("not a PNG: ") + image.message);
  image.format = PNG_FORMAT_GRAY;
  std::vector<std::uint8_t> grey(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, grey.data(), 0, nullptr)) {
    png_image_free(&image);
    throw RenderError(std::string("cannot decode the PNG: ") + image.message);
  }
  Bitmap bitmap;
  bitmap.width = static_cast<int>(image.width);
  bitmap.height = static_cast<int>(image.height);
  bitmap.rowBytes = (image.width + 7) / 8;
  bitmap.bits.assign(bitmap.rowBytes * image.height, 0);
  for (std::size_t y = 0; y < image.height; ++y)
    for (std::size_t x = 0; x < image.width; ++x)
      if (grey[y * image.width + x] < 0x80) bitmap.bits[y * bitmap.rowBytes + x / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
  return bitmap;
}

}  // namespace engine
