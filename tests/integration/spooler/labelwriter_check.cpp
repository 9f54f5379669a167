// Reads what a LabelWriter received (its byte stream, decoded as the printer's head burns it)
// and compares every label with what it should be: the engine's own record of the label (the
// picture it printed: dot for dot), and the Linux drawing of the same description
// (compareDrawings: bar codes dot for dot, each text's ink within two dots of the same box). Writes each label as the
// head burns it to OUTPUT/NAME.png, for a scanner and a person to look at.
//
//   labelwriter_check STREAM OUTPUT "NAME|COPIES|DESCRIPTION.json|RECORD.png|LINUX.png" ...
//
// The labels are expected in the stream in the order given, COPIES of each. Prints a line per
// label, "FAIL: ..." for each difference, and last "RESULT: PASS" or "RESULT: FAIL"; the exit
// code is 0 only for a pass.

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "support/drawing_compare.h"
#include "support/label_image.h"
#include "support/labelwriter_stream.h"
#include "engine/description_json.h"
#include "engine/print_job.h"
#include "engine/renderer.h"

namespace {

using engine::Bitmap;
using engine_test::Box;

int failures = 0;
void fail(const std::string& what) {
  std::cout << "FAIL: " << what << "\n";
  ++failures;
}

std::vector<std::uint8_t> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
  return parts;
}

// A label as the head burnt it, back in the label's own orientation. The page a label is
// printed as (engine::layOut) lies turned for a stock the printer takes the other way round,
// and the engine moves it within the printable area only to keep its ink from being cut off
// (engine::placeInk): the move is found from the ink's place. Lines the printer was not sent
// (it leaves out blank ones at the end) are blank.
struct Burnt {
  Bitmap label;
  int moveX = 0, moveY = 0;  // where the page went on the head, against where the CUPS sink puts it

  Burnt(const Bitmap& head, const Bitmap& record, bool quarterTurn) {
    const Bitmap page = engine::layOut(record, {quarterTurn ? record.height : record.width,
                                                quarterTurn ? record.width : record.height, 300, 300, quarterTurn});
    const Box expected = engine_test::inkBox(page), burnt = engine_test::inkBox(head);
    if (!expected.empty() && !burnt.empty()) {
      moveX = burnt.left - expected.left;
      moveY = burnt.top - expected.top;
    }
    label.width = record.width;
    label.height = record.height;
    label.rowBytes = record.rowBytes;
    label.bits.assign(record.bits.size(), 0);
    for (int y = 0; y < label.height; ++y)
      for (int x = 0; x < label.width; ++x) {
        // layOut: a quarter turn clockwise puts the label's dot (x, y) at page (height - 1 - y, x).
        const int u = (quarterTurn ? label.height - 1 - y : x) + moveX, v = (quarterTurn ? x : y) + moveY;
        if (u >= 0 && v >= 0 && u < head.width && v < head.height && head.ink(u, v))
          label.bits[static_cast<std::size_t>(y) * label.rowBytes + x / 8] |= 0x80 >> (x % 8);
      }
  }
};

void check(const std::string& name, const std::vector<Bitmap>& copies, const engine::LabelDescription& description,
           const Bitmap& record, const Bitmap& linux, const std::string& output) {
  // A label the printer takes the other way round comes out longer than the label is high.
  const bool quarterTurn = copies[0].height > record.height;
  for (std::size_t i = 1; i < copies.size(); ++i)
    if (copies[i] != copies[0]) fail(name + ": copy " + std::to_string(i + 1) + " differs from the first");
  const Burnt burnt(copies[0], record, quarterTurn);
  const Box whole{0, 0, record.width, record.height};
  int d = 0;
  for (int y = 0; y < whole.bottom; ++y)
    for (int x = 0; x < whole.right; ++x) d += burnt.label.ink(x, y) != record.ink(x, y);
  if (d != 0)
    fail(name + ": the head burnt " + std::to_string(d) + " dots otherwise than the engine's record of the label");
  const engine_test::DrawingComparison linuxComparison = engine_test::compareDrawings(description, burnt.label, linux);
  for (const std::string& difference : linuxComparison.differences) fail(name + " against the Linux drawing: " + difference);
  const std::vector<std::uint8_t> png = engine::encodePng(burnt.label);
  std::ofstream(output + "/" + name + ".png", std::ios::binary)
      .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  std::cout << name << ": " << copies.size() << " label(s), each the engine's picture dot for dot, "
            << (burnt.moveX == 0 && burnt.moveY == 0
                    ? std::string("where the CUPS sink puts it")
                    : "moved " + std::to_string(burnt.moveX) + ", " + std::to_string(burnt.moveY) +
                          " head dots from where the CUPS sink puts it")
            << "; " << linuxComparison.barCodes << " bar code(s) as Linux draws them; " << linuxComparison.texts
            << " text(s) within " << linuxComparison.farthestText << " dot(s) of Linux's boxes\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::cerr << "usage: labelwriter_check STREAM OUTPUT \"NAME|COPIES|DESCRIPTION.json|RECORD.png|LINUX.png\" ...\n";
    return 2;
  }
  try {
    const std::vector<Bitmap> labels = cups_test::decodeLabelWriter(readBytes(argv[1]));
    std::size_t next = 0;
    for (int i = 3; i < argc; ++i) {
      const std::vector<std::string> parts = split(argv[i], '|');
      if (parts.size() != 5) throw std::runtime_error(std::string("not NAME|COPIES|JSON|RECORD|LINUX: ") + argv[i]);
      const auto count = static_cast<std::size_t>(std::stoi(parts[1]));
      if (next + count > labels.size()) {
        fail(parts[0] + ": the printer received " + std::to_string(labels.size() - next) + " label(s), " +
             std::to_string(count) + " expected");
        next = labels.size();
        continue;
      }
      const std::vector<Bitmap> copies(labels.begin() + static_cast<std::ptrdiff_t>(next),
                                       labels.begin() + static_cast<std::ptrdiff_t>(next + count));
      next += count;
      const std::vector<std::uint8_t> json = readBytes(parts[2]);
      check(parts[0], copies, engine::fromJson(std::string(json.begin(), json.end())),
            engine::decodePng(readBytes(parts[3])), engine::decodePng(readBytes(parts[4])), argv[2]);
    }
    if (next != labels.size())
      fail("the printer received " + std::to_string(labels.size()) + " labels, " + std::to_string(next) + " expected");
  } catch (const std::exception& error) {
    fail(error.what());
  }
  std::cout << (failures == 0 ? "RESULT: PASS" : "RESULT: FAIL") << std::endl;
  return failures == 0 ? 0 : 1;
}
