// label-bench: figures per label for the HOSPITAL sample, with the machine's noise in mind:
// every figure is a median over many runs, and the comparisons run side by side in one run.
//
//   label-bench --host PATH/vantory-print --request examples/hospital.json [--glabels FILE]
//               [--cupsd scripts/private-cupsd.sh] [--quick]

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cups_bench.h"
#include "engine/renderer.h"
#include "platform/headless/headless_control.h"
#include "requests/host_request.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const auto n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Median over `rounds` of the mean time per call of `batch` calls, in microseconds.
double microsecondsPerCall(int rounds, int batch, const std::function<void()>& call) {
  call();  // warm caches, fonts and allocators
  std::vector<double> means;
  for (int r = 0; r < rounds; ++r) {
    const auto start = Clock::now();
    for (int i = 0; i < batch; ++i) call();
    means.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count() / batch);
  }
  return median(means);
}

// Runs a program to completion, output discarded; false when it could not run or failed.
// `cpu` gets the processor time it used (user and system), in milliseconds.
bool run(const std::vector<std::string>& command, double* cpu = nullptr) {
  std::vector<char*> argv;
  for (const auto& part : command) argv.push_back(const_cast<char*>(part.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return false;
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const auto milliseconds = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
  if (cpu) *cpu = milliseconds(usage.ru_utime) + milliseconds(usage.ru_stime);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A whole process, in milliseconds: the median wall time from start to exit, and the median
// processor time it used (which other programs on a busy machine do not lengthen).
struct ProcessTime {
  double wall = -1, cpu = -1;
};

ProcessTime processMilliseconds(int runs, const std::vector<std::string>& command) {
  if (!run(command)) return {};
  std::vector<double> walls, cpus;
  for (int i = 0; i < runs; ++i) {
    double cpu = 0;
    const auto start = Clock::now();
    run(command, &cpu);
    walls.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    cpus.push_back(cpu);
  }
  return {median(walls), median(cpus)};
}

class CapturingSink : public engine::PrintSink {
 public:
  void print(const engine::LabelDescription& label) override { last = label; }
  engine::LabelDescription last;
};

struct Options {
  std::string host;
  std::string request = "examples/hospital.json";
  std::string glabels;
  std::string cupsd;  // the private cupsd script: measure printing through CUPS too
  bool quick = false;
};

void line(const char* what, double value, const char* unit, const char* goal = "") {
  if (value < 0) {
    std::printf("  %-52s %12s\n", what, "unavailable");
  } else {
    std::printf("  %-52s %12.3f %-3s %s\n", what, value, unit, goal);
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string flag = argv[i];
    auto next = [&] { return i + 1 < argc ? std::string(argv[++i]) : std::string(); };
    if (flag == "--host") options.host = next();
    else if (flag == "--request") options.request = next();
    else if (flag == "--glabels") options.glabels = next();
    else if (flag == "--cupsd") options.cupsd = next();
    else if (flag == "--quick") options.quick = true;
    else {
      std::fprintf(stderr, "usage: label-bench --host PATH --request FILE [--glabels FILE] [--cupsd SCRIPT] [--quick]\n");
      return 2;
    }
  }
  const int rounds = options.quick ? 5 : 21;
  const int processRuns = options.quick ? 5 : 21;

  const auto request = host::readRequestFile(options.request);
  const auto arguments = host::argumentList(request);

  // The control's own work: storing, composing, the layout and every engine call.
  auto capture = std::make_shared<CapturingSink>();
  headless::HeadlessControl control(capture);
  bool printed = true;
  const double controlWork =
      microsecondsPerCall(rounds, 2000, [&] { printed &= control.print(request.method, arguments); });
  if (!printed) {
    std::fprintf(stderr, "label-bench: the sample request did not print\n");
    return 1;
  }

  // Rendering the recorded label in-process.
  engine::LabelRenderer renderer;
  const engine::LabelDescription label = capture->last;
  engine::Bitmap bitmap;
  const double draw = microsecondsPerCall(rounds, 200, [&] { bitmap = renderer.render(label); });
  std::size_t pngBytes = 0;
  const double encode = microsecondsPerCall(rounds, 200, [&] { pngBytes = engine::encodePng(bitmap).size(); });
  const double drawAndEncode = microsecondsPerCall(rounds, 200, [&] { pngBytes = renderer.renderPng(label).size(); });

  // Whole processes, side by side.
  const auto scratch = std::filesystem::temp_directory_path() / "label-bench";
  std::filesystem::remove_all(scratch);
  std::filesystem::create_directories(scratch);
  ProcessTime hostProcess, hostStart, zintProcess, glabelsProcess;
  if (!options.host.empty())
    hostProcess = processMilliseconds(processRuns, {options.host, "--request", options.request, "--output",
                                                    (scratch / "host").string()});
  if (!options.host.empty()) hostStart = processMilliseconds(processRuns, {options.host, "--help"});
  zintProcess = processMilliseconds(processRuns, {"zint", "--barcode=20", "--data=9003948343", "--notext",
                                                  "--output=" + (scratch / "zint.png").string()});
  if (!options.glabels.empty())
    glabelsProcess = processMilliseconds(options.quick ? 3 : 7, {"glabels-3-batch", "--output",
                                                                 (scratch / "glabels.pdf").string(), options.glabels});
  std::filesystem::remove_all(scratch);

  bench::CupsFigures cups;
  if (!options.cupsd.empty()) {
    try {
      cups = bench::measureCups(options.cupsd, arguments, options.quick ? 5 : 21);
    } catch (const std::exception& error) {
      std::fprintf(stderr, "label-bench: printing through CUPS: %s\n", error.what());
    }
  }

  std::printf("HOSPITAL sample label: %dx%d dots at 300 dpi, 1-bit PNG %zu bytes\n", bitmap.width, bitmap.height,
              pngBytes);
  std::printf("medians of %d rounds (in-process) and of %d runs (processes)\n\n", rounds, processRuns);
  line("control's own work per request (no rendering)", controlWork, "us", "goal < 20 us");
  line("draw the label (cairo + pango + libzint)", draw / 1000, "ms", "goal < 0.26 ms (2x a 0.13 ms floor)");
  line("encode the 1-bit PNG", encode / 1000, "ms", "floor 0.6 ms");
  line("draw and encode", drawAndEncode / 1000, "ms", "goal < 2.1 ms (floor 0.73 ms + 1.5 ms)");
  line("native host process, one label", hostProcess.wall, "ms", "goal <= 10 ms");
  line("  processor time it used", hostProcess.cpu, "ms");
  line("native host process, --help only (start and exit)", hostStart.wall, "ms");
  line("zint command line, bar code only", zintProcess.wall, "ms");
  line("glabels-3-batch, same label (PDF)", glabelsProcess.wall, "ms");
  line("  processor time it used", glabelsProcess.cpu, "ms");
  line("PrintLabels to a job cupsd accepted (in process)", cups.printLabelsMs, "ms", "goal < 10 ms");
  line("PrintLabels to the job completed", cups.jobDoneMs, "ms");
  line("labels per second, LabelWriter driver to a file", cups.labelsPerSecond, "/s");
  if (hostProcess.wall > 0 && glabelsProcess.wall > 0)
    std::printf("\n  glabels-3-batch / native host = %.1fx (goal >= 60x)\n", glabelsProcess.wall / hostProcess.wall);
  if (hostProcess.wall > 0 && zintProcess.wall > 0)
    std::printf("  native host / zint bar code only = %.2fx\n", hostProcess.wall / zintProcess.wall);
  return 0;
}
