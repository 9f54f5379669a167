// render-label <label.json>... [-o dir]: draws each recorded label as the printer would,
// into <name>.png beside its description or in the given folder.

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "engine/description_json.h"
#include "engine/renderer.h"

namespace {

int usage() {
  std::cerr << "usage: render-label <label.json>... [-o <folder>]\n"
               "Draws each label description as a 1-bit 300-dpi PNG named like it, beside it or in <folder>.\n";
  return 2;
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::filesystem::path> inputs;
  std::optional<std::filesystem::path> folder;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "-o") {
      if (++i == argc || folder) return usage();
      folder = argv[i];
    } else if (argument == "-h" || argument == "--help") {
      usage();
      return 0;
    } else if (argument.size() > 1 && argument[0] == '-') {
      return usage();
    } else {
      inputs.emplace_back(argument);
    }
  }
  if (inputs.empty()) return usage();

  engine::LabelRenderer renderer;
  int status = 0;
  for (const auto& input : inputs) {
    try {
      const engine::LabelDescription label = engine::fromJson(readFile(input));
      std::filesystem::path output = input;
      output.replace_extension(".png");
      if (folder) {
        std::filesystem::create_directories(*folder);
        output = *folder / output.filename();
      }
      writeFile(output, renderer.renderPng(label));
      std::cout << output.string() << '\n';
    } catch (const std::exception& error) {
      std::cerr << "render-label: " << input.string() << ": " << error.what() << '\n';
      status = 1;
    }
  }
  return status;
}
