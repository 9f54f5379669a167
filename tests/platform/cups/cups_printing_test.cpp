// Printing through a real cupsd (the private one the ctest fixture starts, reached through
// CUPS_SERVER) with the real LabelWriter driver: every test adds queues of its own, so tests
// may run side by side.

#include <cups/cups.h>
#include <sys/wait.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <thread>

#include "support/label_image.h"
#include "support/temporary_folder.h"
#include "engine/description_json.h"
#include "support/labelwriter_stream.h"
#include "platform/cups/cups_printers.h"
#include "platform/cups/cups_printing.h"
#include "engine/print_job.h"
#include "service/service.h"

namespace {

namespace fs = std::filesystem;
using engine::Bitmap;

const fs::path kSource = VANTORY_SOURCE_DIR;
const fs::path kCupsd = VANTORY_CUPSD_DIR;

// Everything here, and every program the tests run, talks to the fixture's cupsd.
class PrivateCupsd : public testing::Environment {
 public:
  void SetUp() override { ::setenv("CUPS_SERVER", (kCupsd / "cups.sock").c_str(), 1); }
};
const testing::Environment* const kPrivateCupsd = testing::AddGlobalTestEnvironment(new PrivateCupsd);

std::string quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

struct Outcome {
  int status = -1;
  std::string output;  // standard output and error
};

Outcome run(const std::string& command) {
  Outcome result;
  std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) result.output.append(buffer, n);
  const int status = ::pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::vector<std::uint8_t> bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A queue of the test's own on the private cupsd, printing to a file; removed afterwards.
class Queue {
 public:
  Queue(std::string name, const std::string& ppd, const std::string& description = "Test label printer")
      : name_(std::move(name)) {
    const Outcome added = run(quote((kSource / "scripts/private-cupsd.sh").string()) + " queue " + quote(kCupsd.string()) +
                          " " + quote(name_) + " " + quote(description) + " " + quote(ppd));
    EXPECT_EQ(added.status, 0) << added.output;
  }
  ~Queue() { run("lpadmin -x " + quote(name_)); }
  Queue(const Queue&) = delete;
  Queue& operator=(const Queue&) = delete;

  const std::string& name() const { return name_; }
  fs::path output() const { return kCupsd / "out" / (name_ + ".prn"); }

  // The queue's jobs in any state, with their states.
  std::vector<std::pair<int, ipp_jstate_t>> jobs() const {
    cups_job_t* list = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &list, name_.c_str(), 0, CUPS_WHICHJOBS_ALL);
    std::vector<std::pair<int, ipp_jstate_t>> found;
    for (int i = 0; i < count; ++i) found.emplace_back(list[i].id, list[i].state);
    cupsFreeJobs(count, list);
    return found;
  }

  // Waits for the job to leave the queue; true when it completed.
  bool finished(int job) const {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < give_up) {
      for (const auto& [id, state] : jobs())
        if (id == job && state >= IPP_JSTATE_CANCELED) return state == IPP_JSTATE_COMPLETED;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

 private:
  std::string name_;
};

constexpr const char* kLabelWriter450 = "dymo:0/cups/model/lw450.ppd";

struct Printed {
  Outcome run;
  std::vector<fs::path> images;  // the audit record's pictures
  std::vector<fs::path> descriptions;
  int job = 0;
};

Printed print(const std::string& sample, const fs::path& output, const std::string& flags = "",
              const std::string& environment = "") {
  Printed printed;
  printed.run = run(environment + " " + quote(VANTORY_PRINT) + " --cups --request " +
                    quote((kSource / "examples" / (sample + ".json")).string()) + " --output " + quote(output.string()) +
                    " " + flags);
  const std::regex image("label image: (.*)"), description("label description: (.*)"), job("label printed: .* job ([0-9]+)");
  std::smatch match;
  std::istringstream lines(printed.run.output);
  for (std::string line; std::getline(lines, line);) {
    if (std::regex_match(line, match, image)) printed.images.emplace_back(match[1].str());
    if (std::regex_match(line, match, description)) printed.descriptions.emplace_back(match[1].str());
    if (std::regex_match(line, match, job)) printed.job = std::stoi(match[1].str());
  }
  return printed;
}

// The page as it lies on the LabelWriter's media: the 30330 Return Address stock stands
// portrait in the driver's media list, so its landscape label turns a quarter clockwise.
Bitmap onMedia(const Bitmap& label, bool quarterTurn) {
  if (!quarterTurn) return label;
  Bitmap turned;
  turned.width = label.height;
  turned.height = label.width;
  turned.rowBytes = (static_cast<std::size_t>(turned.width) + 7) / 8;
  turned.bits.assign(turned.rowBytes * static_cast<std::size_t>(turned.height), 0);
  for (int y = 0; y < turned.height; ++y)
    for (int x = 0; x < turned.width; ++x)
      if (label.ink(y, label.height - 1 - x)) turned.bits[y * turned.rowBytes + x / 8] |= 0x80 >> (x % 8);
  return turned;
}

// Dots where the head's label and the page differ, over the head's width. The driver leaves
// out blank lines at the end of a label.
int differingDots(const Bitmap& printed, const Bitmap& page) {
  int differing = 0;
  for (int y = 0; y < page.height; ++y)
    for (int x = 0; x < printed.width && x < page.width; ++x) {
      const bool burnt = y < printed.height && printed.ink(x, y);
      differing += burnt != page.ink(x, y);
    }
  return differing;
}

std::string barcodeOf(const std::string& sample) {
  std::ifstream in(kSource / "examples" / (sample + ".json"));
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::smatch match;
  if (std::regex_search(text, match, std::regex("\"Barcode\": \"([^\"]*)\""))) return match[1].str();
  if (std::regex_search(text, match, std::regex("\"BCD\\^([^\"]*)\""))) return match[1].str();
  return "";
}

class SampleTest : public testing::TestWithParam<const char*> {};

TEST_P(SampleTest, PrintsWhatTheEngineDrewOnTheLabelWriter) {
  const std::string sample = GetParam();
  const Queue queue("lw-" + sample, kLabelWriter450);
  const engine_test::TemporaryFolder folder;
  // The queue named in another letter case.
  std::string printer = queue.name();
  std::transform(printer.begin(), printer.end(), printer.begin(), [](unsigned char c) { return std::toupper(c); });
  const Printed printed = print(sample, folder.path(), "--PrinterName " + quote(printer));
  ASSERT_EQ(printed.run.status, 0) << printed.run.output;
  ASSERT_EQ(printed.images.size(), 1u) << printed.run.output;
  ASSERT_GT(printed.job, 0) << printed.run.output;
  ASSERT_TRUE(queue.finished(printed.job));

  const engine::LabelDescription record = engine::fromJson(std::string(
      [&] { auto b = bytes(printed.descriptions.at(0)); return std::string(b.begin(), b.end()); }()));
  const Bitmap drawn = engine::decodePng(bytes(printed.images[0]));
  const Bitmap page = onMedia(drawn, record.stock.name.starts_with("Return Address"));

  const std::vector<Bitmap> labels = cups_test::decodeLabelWriter(bytes(queue.output()));
  ASSERT_EQ(labels.size(), static_cast<std::size_t>(record.copies));  // the physician's sample asks for two
  EXPECT_LE(labels[0].height, page.height);
  for (const Bitmap& copy : labels) EXPECT_EQ(copy, labels[0]);
  if (differingDots(labels[0], page) != 0) {
    // Both pictures, for a person to compare.
    std::ofstream(queue.output().string() + ".head.png", std::ios::binary) << std::string(
        [&] { auto png = engine::encodePng(labels[0]); return std::string(png.begin(), png.end()); }());
    std::ofstream(queue.output().string() + ".page.png", std::ios::binary) << std::string(
        [&] { auto png = engine::encodePng(page); return std::string(png.begin(), png.end()); }());
    ADD_FAILURE() << sample << ": the head burns " << differingDots(labels[0], page)
                  << " dots otherwise than the engine drew; see " << queue.output() << ".head.png and .page.png";
  }
  EXPECT_GT(engine_test::inkCount(page, {0, 0, page.width, page.height}), 1000);

  const std::string barcode = barcodeOf(sample);
  ASSERT_FALSE(barcode.empty());
  const auto scanned = engine_test::scan(labels[0]);
  ASSERT_EQ(scanned.size(), 1u) << sample;
  EXPECT_EQ(scanned[0].data, barcode);
}

INSTANTIATE_TEST_SUITE_P(Samples, SampleTest, testing::Values("hospital", "physician", "generic"));

TEST(CupsSinkTest, FindsTheDestinationByItsDescriptionAndRecordsTheJob) {
  const Queue queue("LW450", kLabelWriter450, "DYMO LabelWriter 450");
  const engine_test::TemporaryFolder folder;
  const Printed printed = print("hospital", folder.path(), "--PrinterName 'dymo labelwriter 450'");
  ASSERT_EQ(printed.run.status, 0) << printed.run.output;
  EXPECT_NE(printed.run.output.find("label printed: LW450 job " + std::to_string(printed.job)), std::string::npos);
  ASSERT_TRUE(queue.finished(printed.job));

  const auto json = bytes(printed.descriptions.at(0));
  const std::string text(json.begin(), json.end());
  EXPECT_NE(text.find("\"destination\": \"LW450\""), std::string::npos) << text;
  EXPECT_NE(text.find("\"job\": " + std::to_string(printed.job)), std::string::npos) << text;
  EXPECT_TRUE(std::regex_search(text, std::regex("\"time\": \"20[0-9]{2}-[0-9]{2}-[0-9]{2}T[0-9:]{8}Z\""))) << text;

  // The job's name carries the bar code.
  cups_job_t* jobs = nullptr;
  const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, "LW450", 0, CUPS_WHICHJOBS_ALL);
  ASSERT_EQ(count, 1);
  EXPECT_STREQ(jobs[0].title, "Vantory label 9003948343");
  cupsFreeJobs(count, jobs);
}

TEST(CupsSinkTest, SendsEveryCopyAsALabel) {
  const Queue queue("lw-copies", kLabelWriter450);
  const engine_test::TemporaryFolder folder;
  const Printed printed = print("hospital", folder.path(), "--PrinterName lw-copies --LabelCopies 3");
  ASSERT_EQ(printed.run.status, 0) << printed.run.output;
  EXPECT_EQ(printed.images.size(), 1u);  // one record, holding the copy count
  ASSERT_TRUE(queue.finished(printed.job));
  EXPECT_EQ(queue.jobs().size(), 1u);

  const std::vector<Bitmap> labels = cups_test::decodeLabelWriter(bytes(queue.output()));
  ASSERT_EQ(labels.size(), 3u);
  const Bitmap drawn = engine::decodePng(bytes(printed.images.at(0)));
  for (const Bitmap& label : labels) EXPECT_EQ(differingDots(label, drawn), 0);
}

struct Failure {
  const char* name;
  const char* ppd;          // of the test's queue
  const char* prepare;      // a command run on the queue first ("" for none), %s the queue
  const char* printer;      // PrinterName; "" for the queue
  bool unreachable;         // CUPS_SERVER names a socket nobody listens on
  const char* message;      // what the diagnostics say, %s the queue
};

void PrintTo(const Failure& failure, std::ostream* out) { *out << failure.name; }

class FailureTest : public testing::TestWithParam<Failure> {};

std::string withQueue(const char* pattern, const std::string& queue) {
  std::string text = pattern;
  if (const auto at = text.find("%s"); at != std::string::npos) text.replace(at, 2, queue);
  return text;
}

TEST_P(FailureTest, ReturnsFalseSaysWhyAndPrintsNothing) {
  const Failure& failure = GetParam();
  const Queue queue(std::string("fail-") + failure.name, failure.ppd);
  if (*failure.prepare) {
    ASSERT_EQ(run(withQueue(failure.prepare, queue.name())).status, 0);
  }
  const engine_test::TemporaryFolder folder;
  const std::string printer = *failure.printer ? failure.printer : queue.name();
  const std::string environment =
      failure.unreachable ? "CUPS_SERVER=" + quote((kCupsd / "nobody-listens.sock").string()) : "";
  const Printed printed = print("hospital", folder.path() / "labels", "--PrinterName " + quote(printer), environment);

  EXPECT_EQ(printed.run.status, 1) << printed.run.output;
  EXPECT_NE(printed.run.output.find("result: False"), std::string::npos) << printed.run.output;
  EXPECT_NE(printed.run.output.find(withQueue(failure.message, queue.name())), std::string::npos) << printed.run.output;
  EXPECT_FALSE(fs::exists(folder.path() / "labels") && !fs::is_empty(folder.path() / "labels"));
  EXPECT_TRUE(queue.jobs().empty());
  EXPECT_FALSE(fs::exists(queue.output()) && fs::file_size(queue.output()) > 0);
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, FailureTest,
    testing::Values(
        Failure{"unknown", kLabelWriter450, "", "No Such Printer", false,
                "no CUPS destination is named \"No Such Printer\"; the destinations are: "},
        Failure{"stopped", kLabelWriter450, "cupsdisable %s", "", false, "the CUPS destination \"%s\" is stopped (paused)"},
        Failure{"rejecting", kLabelWriter450, "cupsreject %s", "", false,
                "the CUPS destination \"%s\" is not accepting jobs"},
        Failure{"unreachable", kLabelWriter450, "", "", true, "cannot reach the CUPS server at "},
        // Idle and accepting, but nobody may print on it.
        Failure{"refused", kLabelWriter450, "lpadmin -p %s -u allow:nobody", "", false,
                "the CUPS destination \"%s\" refused the job: "},
        // A LabelMANAGER takes tape only: no 2-1/4 x 1-1/4 in labels.
        Failure{"media", "dymo:0/cups/model/lm450.ppd", "", "", false,
                "the CUPS destination \"%s\" has no media of the label's size, 2.25 x 1.25 in"}),
    [](const testing::TestParamInfo<Failure>& info) { return std::string(info.param.name); });

TEST(CupsSinkTest, AsksForTheQueuesStateAtEveryLabel) {
  const Queue queue("lw-state", kLabelWriter450);
  const engine_test::TemporaryFolder folder;
  cups_printing::CupsSink sink(folder.path());
  engine::LabelDescription label;
  label.stock = *engine::findStock(engine::builtInStocks(), "Small 2-1/4 in x 1-1/4 in");
  label.printer = "lw-state";

  sink.print(label);
  ASSERT_TRUE(queue.finished(sink.printed().at(0).job));  // paused while printing, a queue gives other reasons
  ASSERT_EQ(run("cupsdisable lw-state").status, 0);
  EXPECT_THROW(
      try { sink.print(label); } catch (const cups_printing::CupsError& error) {
        EXPECT_NE(std::string(error.what()).find("is stopped (paused)"), std::string::npos) << error.what();
        throw;
      },
      cups_printing::CupsError);
  ASSERT_EQ(run("cupsenable lw-state").status, 0);
  sink.print(label);

  ASSERT_EQ(sink.printed().size(), 2u);
  EXPECT_EQ(sink.printed()[0].destination, "lw-state");
  EXPECT_GT(sink.printed()[1].job, sink.printed()[0].job);
  EXPECT_EQ(queue.jobs().size(), 2u);
}

TEST(CupsSinkTest, PrintsThroughAGenericPdfDriverToo) {
  // Debian's generic PDF printer, given the label stock as a paper size.
  const fs::path ppd = kCupsd / "ppd" / "generic-label.ppd";
  const Outcome made = run("sed -e '/^\\*OpenUI \\*PageSize/a *PageSize w162h90/30334 Label: \"\"' "
                       "-e '/^\\*OpenUI \\*PageRegion/a *PageRegion w162h90/30334 Label: \"\"' "
                       "/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd > " + quote(ppd.string()) +
                       " && printf '*ImageableArea w162h90: \"0 0 162 90\"\\n*PaperDimension w162h90: \"162 90\"\\n' >> " +
                       quote(ppd.string()));
  ASSERT_EQ(made.status, 0) << made.output;
  const Queue queue("generic-pdf", ppd.string());
  const engine_test::TemporaryFolder folder;
  const Printed printed = print("hospital", folder.path(), "--PrinterName generic-pdf");
  ASSERT_EQ(printed.run.status, 0) << printed.run.output;
  ASSERT_TRUE(queue.finished(printed.job));
  const auto output = bytes(queue.output());
  ASSERT_GT(output.size(), 4u);
  EXPECT_NE(std::string(output.begin(), output.end()).find("%PDF-"), std::string::npos);
}

TEST(ListDestinationsTest, TellsStateReasonsAcceptanceAndDefaultMedia) {
  const Queue queue("listed", kLabelWriter450, "Listed LabelWriter");
  ASSERT_EQ(run("cupsdisable listed && cupsreject listed").status, 0);
  const auto destinations = cups_printing::listDestinations();
  const auto listed = std::find_if(destinations.begin(), destinations.end(), [](auto& d) { return d.name == "listed"; });
  ASSERT_NE(listed, destinations.end());
  EXPECT_EQ(listed->description, "Listed LabelWriter");
  EXPECT_EQ(listed->makeAndModel, "DYMO LabelWriter 450");
  EXPECT_EQ(listed->state, "stopped");
  EXPECT_EQ(listed->reasons, std::vector<std::string>{"paused"});
  EXPECT_FALSE(listed->acceptingJobs);
  EXPECT_EQ(listed->defaultMedia, "w167h288");

  const Outcome host = run(quote(VANTORY_PRINT) + " --list-printers");
  EXPECT_EQ(host.status, 0);
  EXPECT_NE(host.output.find("listed\n  description: Listed LabelWriter\n  make and model: DYMO LabelWriter 450\n"
                             "  state: stopped (paused)\n  accepting jobs: no\n  default media: w167h288\n"),
            std::string::npos)
      << host.output;

  const Outcome unreachable = run("CUPS_SERVER=" + quote((kCupsd / "nobody-listens.sock").string()) + " " +
                              quote(VANTORY_PRINT) + " --list-printers");
  EXPECT_EQ(unreachable.status, 1);
  EXPECT_NE(unreachable.output.find("cannot reach the CUPS server at"), std::string::npos) << unreachable.output;
}

TEST(LayOutTest, TurnsAQuarterClockwiseAndScalesToTheResolution) {
  // A 3 x 2 label with its top left dot burnt.
  Bitmap label{3, 2, 1, {0b1000'0000, 0}};
  const Bitmap turned = engine::layOut(label, {2, 3, 300, 300, true});
  EXPECT_TRUE(turned.ink(1, 0));  // the top edge runs down the right side
  EXPECT_EQ(engine_test::inkCount(turned, {0, 0, 2, 3}), 1);

  const Bitmap fine = engine::layOut(label, {8, 4, 600, 600, false});
  EXPECT_EQ(engine_test::inkBox(fine).width(), 2);  // one dot becomes two by two
  EXPECT_EQ(engine_test::inkBox(fine).height(), 2);
  EXPECT_EQ(engine_test::inkCount(fine, {0, 0, 8, 4}), 4);  // paper where the label does not reach

  // As it is, cut to a narrower page: nothing of the label's lies beyond the page's width.
  const Bitmap wide{12, 1, 2, {0xFF, 0xF0}};
  const Bitmap cut = engine::layOut(wide, {5, 2, 300, 300, false});
  EXPECT_EQ(cut.bits, (std::vector<std::uint8_t>{0xF8, 0}));
}

// The print service over CUPS: the web page's print reaches the queue named in its
// description, the answer carries the job, and a stopped queue is refused before anything
// is printed or recorded.
TEST(ServiceOverCupsTest, PrintsToTheDescribedQueueAndRefusesAStoppedOne) {
  const Queue queue("lw-service", kLabelWriter450, "DYMO LabelWriter 450 Service");
  const engine_test::TemporaryFolder folder;
  const auto printers = cups_printing::cupsPrinters(folder.path());
  service::Settings settings;
  settings.port = 41951;
  settings.accessToken = std::string(64, 'c');  // a local program's, as the service's own tests present it
  service::Service web(settings, *printers);
  const auto call = [&](const std::string& method, const std::string& path, const std::string& body = "") {
    return web.handle(
        {method, path, {{"Host", "localhost:41951"}, {"Authorization", "Bearer " + settings.accessToken}}, body});
  };
  std::ifstream in(kSource / "examples" / "hospital.json");
  nlohmann::json arguments = nlohmann::json::parse(in).at("arguments");
  arguments["PrinterName"] = "dymo labelwriter 450 service";

  const auto listed = nlohmann::json::parse(call("GET", "/v1/printers").body);
  const auto entry = std::find_if(listed.at("printers").begin(), listed.at("printers").end(),
                                  [](const nlohmann::json& printer) { return printer.at("name") == "lw-service"; });
  ASSERT_NE(entry, listed.at("printers").end()) << listed.dump();
  EXPECT_EQ(entry->at("state"), "idle");
  EXPECT_EQ(entry->at("acceptingJobs"), true);

  const auto printed = call("POST", "/v1/PrintLabels", arguments.dump());
  ASSERT_EQ(printed.status, 200) << printed.body;
  const auto answer = nlohmann::json::parse(printed.body);
  EXPECT_EQ(answer.at("result"), true) << printed.body;
  EXPECT_EQ(answer.at("recordOnly"), false) << printed.body;
  ASSERT_TRUE(answer.at("job").is_number_integer()) << printed.body;
  EXPECT_TRUE(queue.finished(answer.at("job").get<int>()));
  EXPECT_EQ(answer.at("labels").size(), 1u);

  ASSERT_EQ(run("cupsdisable lw-service").status, 0);
  const auto refused = call("POST", "/v1/PrintLabels", arguments.dump());
  EXPECT_EQ(refused.status, 503) << refused.body;
  EXPECT_EQ(nlohmann::json::parse(refused.body).at("error").at("code"), "PRINTER_UNAVAILABLE") << refused.body;
  EXPECT_EQ(queue.jobs().size(), 1u);
  std::size_t records = 0;
  for (const auto& file : fs::directory_iterator(folder.path())) records += file.path().extension() == ".json";
  EXPECT_EQ(records, 1u);
}

}  // namespace
