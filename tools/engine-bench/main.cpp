// The Windows label engine's figures, under Wine or on Windows: drawing a label with GDI (and
// the portable layout and libzint), encoding its PNG, and printing it through the spooler,
// from the call to the spooler's acceptance and to the printer's last byte written.
//
//   engine-bench LABEL.json [--printer NAME --stream FILE] [--rounds N]
//
// With --printer, each round prints the label on that Windows printer and waits until FILE
// (where the printer's bytes go: a file device of a CUPS queue) holds a whole LabelWriter job
// (its last label fed out); FILE is emptied before each round.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "engine/description_json.h"
#include "engine/renderer.h"
#include "platform/windows/spooler/spooler_sink.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? -1 : values[values.size() / 2];
}

// Milliseconds per call: the median of `rounds` rounds of `calls` calls each.
double timePerCall(int rounds, int calls, const std::function<void()>& work) {
  std::vector<double> perCall;
  for (int round = 0; round < rounds; ++round) {
    const auto start = Clock::now();
    for (int i = 0; i < calls; ++i) work();
    perCall.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count() / calls);
  }
  return median(perCall);
}

// Whether the file holds a whole LabelWriter job: its last label fed out (ESC E).
bool wholeJob(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return bytes.size() >= 2 && bytes[bytes.size() - 2] == 0x1B && (bytes.back() == 'E' || bytes.back() == 'G');
}

void line(const char* what, double value, const char* unit) {
  if (value < 0)
    std::printf("  %-62s %12s\n", what, "unavailable");
  else
    std::printf("  %-62s %12.3f %s\n", what, value, unit);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  fs::path description, stream;
  std::string printer;
  int rounds = 21;
  for (int i = 1; i < argc; ++i) {
    const std::wstring flag = argv[i];
    const auto next = [&] { return i + 1 < argc ? std::wstring(argv[++i]) : std::wstring(); };
    if (flag == L"--printer") printer = fs::path(next()).string();
    else if (flag == L"--stream") stream = next();
    else if (flag == L"--rounds") rounds = std::max(1, _wtoi(next().c_str()));
    else description = flag;
  }
  if (description.empty() || printer.empty() != stream.empty()) {
    std::fprintf(stderr, "usage: engine-bench LABEL.json [--printer NAME --stream FILE] [--rounds N]\n");
    return 2;
  }
  try {
    std::ifstream in(description, std::ios::binary);
    engine::LabelDescription label =
        engine::fromJson(std::string{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});

    engine::LabelRenderer renderer;
    engine::Bitmap bitmap = renderer.render(label);  // loads the fonts
    const double draw = timePerCall(rounds, 50, [&] { bitmap = renderer.render(label); });
    const double encode = timePerCall(rounds, 50, [&] { (void)engine::encodePng(bitmap); });
    std::printf("%s: %dx%d dots at 300 dpi, medians of %d rounds\n", description.filename().string().c_str(),
                bitmap.width, bitmap.height, rounds);
    line("draw the label (GDI + libzint)", draw, "ms");
    line("encode the 1-bit PNG", encode, "ms");
    if (printer.empty()) return 0;

    label.printer = printer;
    label.copies = 1;
    const fs::path folder = fs::temp_directory_path() / "engine-bench-labels";
    fs::remove_all(folder);
    windows::spooler::SpoolerSink sink(folder);
    std::vector<double> accepted, done;
    for (int round = 0; round <= rounds; ++round) {  // the first round warms up
      std::ofstream(stream, std::ios::trunc).close();
      const auto start = Clock::now();
      sink.print(label);
      const auto returned = Clock::now();
      while (!wholeJob(stream)) {
        if (Clock::now() - start > std::chrono::seconds(60)) throw std::runtime_error("the job did not complete");
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
      if (round == 0) continue;
      accepted.push_back(std::chrono::duration<double, std::milli>(returned - start).count());
      done.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    fs::remove_all(folder);
    line("print call (draw, spool, record) to the spooler's acceptance", median(accepted), "ms");
    line("print call to the job completed (the printer's bytes written)", median(done), "ms");
  } catch (const std::exception& error) {
    std::fprintf(stderr, "engine-bench: %s\n", error.what());
    return 1;
  }
  return 0;
}
