// native_soak: prints many requests in one process, as a long-lived host would, and reports how
// resident memory grew between the end of a warm-up and the end of the run. The control's
// entry points drive the real virtual engine on headless windows and a virtual clock; the
// engine's sink keeps nothing and writes no files (it serialises each label as the Windows
// engine records it and, with --render, draws and encodes the picture too).
//
//   native_soak [--requests N] [--warmup N] [--render] [--examples DIR] [--max-growth-kib K]
//
// The requests cycle through the three samples, varied by request number, and every fifth
// is one the control refuses or the engine fails. Exit 1 when a request ends otherwise than
// planned, or (with --max-growth-kib) when memory grew by more than K KiB.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "engine/description_json.h"
#include "engine/renderer.h"
#include "platform/headless/headless_control.h"
#include "requests/host_request.h"

namespace {

using automation::Value;

// Resident set size in KiB, from /proc/self/statm.
long residentKiB() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

class DiscardingSink : public engine::PrintSink {
 public:
  explicit DiscardingSink(bool render) : render_(render) {}
  void print(const engine::LabelDescription& label) override {
    bytes += engine::toJson(label).size();
    if (render_) bytes += renderer_.renderPng(label).size();
    ++labels;
  }
  long long labels = 0;
  long long bytes = 0;

 private:
  bool render_;
  engine::LabelRenderer renderer_;
};

struct Request {
  host::Method method;
  std::vector<Value> arguments;
  bool prints;  // the planned outcome
};

std::vector<Value> withArgument(const host::HostRequest& sample, const std::string& name, Value value) {
  host::HostRequest varied = sample;
  varied.arguments[name] = std::move(value);
  return host::argumentList(varied);
}

// Request number n: a sample varied by n, or (every fifth) one that must end unprinted.
Request requestNumber(long n, const std::vector<host::HostRequest>& samples) {
  const host::HostRequest& sample = samples[static_cast<std::size_t>(n) % samples.size()];
  const bool generic = sample.method == host::Method::PrintGENERICLabels;
  const std::string number = std::to_string(n);
  if (n % 5 != 4) {
    if (generic) return {sample.method, withArgument(sample, "Line1", Value::string("TXTBOLD^Sample " + number)), true};
    return {sample.method, withArgument(sample, "Barcode", Value::string("S" + number)), true};
  }
  switch (n / 5 % 4) {
    case 0:  // refused by the control before any window
      return {sample.method, withArgument(sample, "DisplayProperties", Value::missing()), false};
    case 1:  // refused by the engine: no copies
      return {sample.method, withArgument(sample, "LabelCopies", Value::i2(0)), false};
    case 2:  // a request of the wrong length
      return {sample.method, std::vector<Value>(3, Value::string("x")), false};
    default:  // markup or a client type that cannot be printed
      if (generic) return {sample.method, withArgument(sample, "Line2", Value::string("no separator " + number)), false};
      return {sample.method, withArgument(sample, "ClientType", Value::string("clinic " + number)), false};
  }
}

}  // namespace

int main(int argc, char** argv) {
  long requests = 100000, warmup = 2000, maxGrowth = -1;
  bool render = false;
  std::string examples = VANTORY_EXAMPLES_DIR;
  for (int i = 1; i < argc; ++i) {
    const std::string flag = argv[i];
    const auto next = [&] { return i + 1 < argc ? std::string(argv[++i]) : std::string("-"); };
    try {
      if (flag == "--requests") requests = std::stol(next());
      else if (flag == "--warmup") warmup = std::stol(next());
      else if (flag == "--max-growth-kib") maxGrowth = std::stol(next());
      else if (flag == "--examples") examples = next();
      else if (flag == "--render") render = true;
      else throw std::invalid_argument(flag);
    } catch (const std::exception&) {
      std::fprintf(stderr,
                   "usage: native_soak [--requests N] [--warmup N] [--render] [--examples DIR] [--max-growth-kib K]\n");
      return 2;
    }
  }
  if (warmup >= requests) warmup = requests / 10;

  std::vector<host::HostRequest> samples;
  for (const char* name : {"hospital.json", "physician.json", "generic.json"})
    samples.push_back(host::readRequestFile(examples + "/" + name));

  auto sink = std::make_shared<DiscardingSink>(render);
  headless::HeadlessControl control(sink);  // one request state for the whole run, as in the control

  long unexpected = 0, printed = 0;
  long afterWarmup = 0, peak = 0;
  const long atStart = residentKiB();
  const auto start = std::chrono::steady_clock::now();
  auto measured = start;
  for (long n = 0; n < requests; ++n) {
    const Request request = requestNumber(n, samples);
    const bool result = control.print(request.method, request.arguments);
    printed += result;
    if (result != request.prints && ++unexpected <= 5)
      std::fprintf(stderr, "native_soak: request %ld returned %s\n", n, result ? "True" : "False");
    if (n + 1 == warmup) {
      afterWarmup = residentKiB();
      measured = std::chrono::steady_clock::now();
    }
    if (n >= warmup && (n + 1) % 1000 == 0) peak = std::max(peak, residentKiB());
  }
  const long atEnd = residentKiB();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - measured).count();
  const long growth = atEnd - afterWarmup;

  std::printf("native soak: %ld requests in one process (real virtual engine, %s sink writing no files, virtual clock)\n",
              requests, render ? "JSON + PNG" : "JSON");
  std::printf("  printed %ld, refused %ld, unexpected outcomes %ld, labels handed to the sink %lld\n", printed,
              requests - printed, unexpected, sink->labels);
  std::printf("  resident memory: %ld KiB at start, %ld KiB after %ld warm-up requests, %ld KiB at the end "
              "(peak %ld KiB)\n", atStart, afterWarmup, warmup, atEnd, std::max(peak, atEnd));
  std::printf("  growth after warm-up: %ld KiB over %ld requests (%.1f bytes per request)\n", growth,
              requests - warmup, requests > warmup ? growth * 1024.0 / static_cast<double>(requests - warmup) : 0.0);
  std::printf("  %.1f us per request after warm-up\n",
              requests > warmup ? seconds * 1e6 / static_cast<double>(requests - warmup) : 0.0);
  if (unexpected != 0) return 1;
  if (maxGrowth >= 0 && growth > maxGrowth) {
    std::fprintf(stderr, "native_soak: memory grew by %ld KiB, more than the %ld KiB allowed\n", growth, maxGrowth);
    return 1;
  }
  return 0;
}
