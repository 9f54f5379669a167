// service-bench: load on a running vantory-service (image mode), then an account of the
// labels it recorded.
//
//   service-bench --port N --labels DIR --token FILE --request examples/hospital.json [--seconds S]
//
// For 1 and 8 clients, each on one keep-alive connection sending requests back to back for
// S seconds, prints p50 and p99 latency per request and requests per second: GET /v1/status
// (what HTTP and the service cost without a label), POST /v1/preview (the label drawn, not
// recorded), then PrintLabels (drawn and recorded), each request naming its own patient. Afterwards every recorded
// label must belong to exactly one answered request: the lost and the duplicated are counted.
// First it times what the file system takes to create a label's two files beside the label
// folder: every label is recorded in its turn, so that cost bounds the labels per second.

#include <fcntl.h>
#include <httplib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using nlohmann::json;

struct Run {
  std::vector<double> latencies;      // milliseconds
  std::vector<std::string> patients;  // of the requests answered with a label
  std::size_t failed = 0;
  double seconds = 0;
};

double percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, static_cast<std::size_t>(p / 100 * values.size()))];
}

// Without arguments GET /v1/status; with them POST to `path`, each request its own patient.
Run load(int port, const std::string& token, int clients, double seconds, const json* arguments, const std::string& path,
         int& nextPatient) {
  std::vector<Run> runs(clients);
  std::vector<std::thread> threads;
  const int firstPatient = nextPatient;
  nextPatient += 10'000'000;
  const auto start = Clock::now();
  const auto until = start + std::chrono::duration<double>(seconds);
  for (int c = 0; c < clients; ++c)
    threads.emplace_back([&, c] {
      httplib::Client http("127.0.0.1", port);
      http.set_keep_alive(true);
      http.set_tcp_nodelay(true);
      http.set_default_headers({{"Authorization", "Bearer " + token}});
      auto& run = runs[c];
      for (int n = 0; Clock::now() < until; ++n) {
        const auto begin = Clock::now();
        std::string patient;
        json body;
        if (arguments) {
          body = *arguments;
          patient = "BENCH " + std::to_string(firstPatient + c * 1'000'000 + n);
          body["PatientName"] = patient;
          if (path == "/v1/preview") body = json{{"method", "PrintLabels"}, {"parameters", body}};
        }
        const auto result = arguments ? http.Post(path, body.dump(), "application/json") : http.Get("/v1/status");
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
        if (!result || result->status != 200) {
          ++run.failed;
          continue;
        }
        run.latencies.push_back(ms);
        if (path == "/v1/PrintLabels" && json::parse(result->body)["labels"].size() == 1)
          run.patients.push_back(patient);
      }
    });
  for (auto& thread : threads) thread.join();
  Run total;
  total.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  for (auto& run : runs) {
    total.latencies.insert(total.latencies.end(), run.latencies.begin(), run.latencies.end());
    total.patients.insert(total.patients.end(), run.patients.begin(), run.patients.end());
    total.failed += run.failed;
  }
  return total;
}

void report(const char* what, int clients, const Run& run) {
  std::printf("%-22s %d client%s  p50 %7.3f ms  p99 %7.3f ms  %8.0f per second  (%zu answered, %zu failed)\n", what,
              clients, clients == 1 ? " " : "s", percentile(run.latencies, 50), percentile(run.latencies, 99),
              run.latencies.size() / run.seconds, run.latencies.size(), run.failed);
}

// Every patient in the recorded labels, with how often it was recorded.
std::map<std::string, int> recordedPatients(const std::filesystem::path& folder) {
  std::map<std::string, int> seen;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() != ".json") continue;
    std::ifstream in(entry.path());
    std::stringstream text;
    text << in.rdbuf();
    const std::string description = text.str();
    for (std::size_t at = description.find("BENCH "); at != std::string::npos;
         at = description.find("BENCH ", at + 1)) {
      std::size_t end = at + 6;
      while (end < description.size() && std::isdigit(static_cast<unsigned char>(description[end]))) ++end;
      ++seen[description.substr(at, end - at)];
      break;  // one patient per label
    }
  }
  return seen;
}

// Creates a label's worth of files (a 4 KB picture and a 1 KB description, each created
// exclusively as the label record does) `count` times in a folder of their own, and prints
// the time per pair. The files are left for the caller's clean-up.
void probeFileSystem(const std::filesystem::path& folder, int count) {
  std::filesystem::create_directories(folder);
  const std::string bytes(4096, 'x');
  std::vector<double> pairs;
  for (int n = 0; n < count; ++n) {
    const auto begin = Clock::now();
    for (const auto& [extension, size] : {std::pair{".png", 4096}, std::pair{".json", 1024}}) {
      const auto file = folder / ("probe-" + std::to_string(n) + extension);
      const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
      if (fd < 0 || ::write(fd, bytes.data(), static_cast<std::size_t>(size)) != size) {
        std::fprintf(stderr, "service-bench: cannot create %s\n", file.c_str());
        if (fd >= 0) ::close(fd);
        return;
      }
      ::close(fd);
    }
    pairs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - begin).count());
  }
  std::printf("%-22s %d pairs    p50 %7.3f ms  p99 %7.3f ms  (the file system, beside the label folder)\n",
              "create a label's files", count, percentile(pairs, 50), percentile(pairs, 99));
}

}  // namespace

int main(int argc, char** argv) {
  int port = 0;
  double seconds = 3;
  std::filesystem::path labels, request, tokenFile;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    if (flag == "--port") port = std::stoi(argv[i + 1]);
    if (flag == "--seconds") seconds = std::stod(argv[i + 1]);
    if (flag == "--labels") labels = argv[i + 1];
    if (flag == "--request") request = argv[i + 1];
    if (flag == "--token") tokenFile = argv[i + 1];
  }
  if (!port || labels.empty() || request.empty() || tokenFile.empty()) {
    std::fputs("usage: service-bench --port N --labels DIR --token FILE --request FILE.json [--seconds S]\n", stderr);
    return 2;
  }
  std::string token;
  std::ifstream(tokenFile) >> token;
  std::ifstream in(request);
  const json arguments = json::parse(in).at("arguments");

  probeFileSystem(labels.parent_path() / (labels.filename().string() + "-probe"), 500);
  int nextPatient = 0;
  std::vector<std::string> answered;
  for (const int clients : {1, 8})
    report("GET /v1/status", clients, load(port, token, clients, seconds, nullptr, "", nextPatient));
  for (const int clients : {1, 8})
    report("POST /v1/preview", clients, load(port, token, clients, seconds, &arguments, "/v1/preview", nextPatient));
  for (const int clients : {1, 8}) {
    const Run run = load(port, token, clients, seconds, &arguments, "/v1/PrintLabels", nextPatient);
    report("POST /v1/PrintLabels", clients, run);
    answered.insert(answered.end(), run.patients.begin(), run.patients.end());
  }

  const auto recorded = recordedPatients(labels);
  std::size_t lost = 0, duplicated = 0;
  for (const auto& patient : answered) lost += recorded.count(patient) == 0;
  for (const auto& [patient, times] : recorded) duplicated += times > 1 ? times - 1 : 0;
  const std::set<std::string> asked(answered.begin(), answered.end());
  std::size_t unasked = 0;
  for (const auto& [patient, times] : recorded) unasked += asked.count(patient) == 0;
  std::printf("labels: %zu answered, %zu recorded; %zu lost, %zu duplicated, %zu recorded for no answered request\n",
              answered.size(), recorded.size(), lost, duplicated, unasked);
  std::puts("goals for PrintLabels in image mode on 2 cores: 1 client p50 < 2 ms and p99 < 10 ms; 8 clients at least\n"
            "1000 labels per second (8 always in flight wait 8 / throughput on average); none lost or duplicated");
  return 0;
}
