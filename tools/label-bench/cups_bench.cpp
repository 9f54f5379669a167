#include "cups_bench.h"

#include <cups/cups.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "control/entry_points.h"
#include "platform/cups/cups_printers.h"
#include "platform/headless/headless_control.h"

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr const char* kQueue = "bench-lw450";

int shell(const std::string& command) { return std::system(command.c_str()); }

// The private daemon, stopped however the measuring ends.
class PrivateCupsd {
 public:
  PrivateCupsd(std::string script, fs::path folder) : script_(std::move(script)), folder_(std::move(folder)) {
    if (shell("'" + script_ + "' start '" + folder_.string() + "'") != 0 ||
        shell("'" + script_ + "' queue '" + folder_.string() + "' " + kQueue + " 'Bench LabelWriter' " +
              "dymo:0/cups/model/lw450.ppd") != 0) {
      stop();
      throw std::runtime_error("the private cupsd did not start");
    }
    ::setenv("CUPS_SERVER", (folder_ / "cups.sock").c_str(), 1);
  }
  ~PrivateCupsd() { stop(); }
  PrivateCupsd(const PrivateCupsd&) = delete;
  PrivateCupsd& operator=(const PrivateCupsd&) = delete;

 private:
  void stop() { shell("'" + script_ + "' stop '" + folder_.string() + "'"); }
  std::string script_;
  fs::path folder_;
};

int activeJobs() {
  cups_job_t* jobs = nullptr;
  const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, kQueue, 0, CUPS_WHICHJOBS_ACTIVE);
  cupsFreeJobs(count, jobs);
  return count;
}

void waitForIdleQueue() {
  while (activeJobs() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

}  // namespace

CupsFigures measureCups(const std::string& cupsdScript, const std::vector<automation::Value>& sample, int rounds) {
  const fs::path scratch = fs::temp_directory_path() / "label-bench-cups";
  PrivateCupsd cupsd(cupsdScript, scratch / "cupsd");

  const auto printers = cups_printing::cupsPrinters(scratch / "labels");
  headless::HeadlessControl headlessControl(printers->sink());
  constexpr auto method = control::PrintMethod::PrintLabels;
  std::vector<automation::Value> arguments = sample;
  arguments.at(control::parameterIndex(method, "PrinterName")) = automation::Value::string(u"bench-lw450");
  arguments.at(control::parameterIndex(method, "LabelCopies")) = automation::Value::i2(1);
  const auto printOne = [&] {
    const bool printed = headlessControl.print(method, arguments);
    printers->takePrinted();  // the record's list is not kept
    return printed;
  };

  CupsFigures figures;
  if (!printOne()) throw std::runtime_error("the sample did not print through CUPS");
  waitForIdleQueue();
  // One call at a time, the queue idle before each: the time until cupsd accepted the job.
  std::vector<double> calls, done;
  for (int i = 0; i < rounds; ++i) {
    const auto start = Clock::now();
    if (!printOne()) throw std::runtime_error("the sample did not print through CUPS");
    calls.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    waitForIdleQueue();
    done.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(calls.begin(), calls.end());
  std::sort(done.begin(), done.end());
  figures.printLabelsMs = calls[calls.size() / 2];
  figures.jobDoneMs = done[done.size() / 2];

  // A burst: every label accepted and put through the driver to the file device.
  const int burst = std::max(rounds * 2, 20);
  const auto start = Clock::now();
  for (int i = 0; i < burst; ++i)
    if (!printOne()) throw std::runtime_error("the sample did not print through CUPS");
  waitForIdleQueue();
  figures.labelsPerSecond = burst / std::chrono::duration<double>(Clock::now() - start).count();

  std::error_code ignored;
  fs::remove_all(scratch / "labels", ignored);
  return figures;
}

}  // namespace bench
