// The service's request handling, called directly: endpoints, errors, Host and Origin rules,
// idempotency, the shared request state and parallel callers.

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <random>
#include <regex>
#include <set>
#include <thread>

#include "automation/text.h"
#include "engine/description_json.h"
#include "engine/renderer.h"
#include "service_fixture.h"
#include "service/options.h"

namespace service_test {
namespace {

using namespace std::chrono_literals;

std::string text(const automation::Value& value) { return automation::toUtf8(automation::textOf(value)); }

TEST_F(ServiceTest, StatusAndPrintersDescribeTheImageRecord) {
  const auto status = body(call("GET", "/v1/status"));
  EXPECT_EQ(status["version"], "1.3.5");
  EXPECT_EQ(status["port"], kPort);
  EXPECT_EQ(status["cups"], false);
  EXPECT_EQ(status["printing"], "record-only");
  EXPECT_EQ(status["recordOnly"], true);
  EXPECT_EQ(status["allowedOrigins"], 1);

  const auto printers = body(call("GET", "/v1/printers"));
  ASSERT_EQ(printers["printers"].size(), 1u);
  EXPECT_EQ(printers["printers"][0]["state"], "idle");
  EXPECT_EQ(printers["printers"][0]["acceptingJobs"], true);
}

TEST_F(ServiceTest, PrintLabelsRecordsTheLabelAndServesItsFiles) {
  const auto response = post("/v1/PrintLabels", sampleArguments("hospital"));
  ASSERT_EQ(response.status, 200) << response.body;
  const auto answer = body(response);
  EXPECT_EQ(answer["result"], true);
  EXPECT_TRUE(answer["job"].is_null());
  EXPECT_EQ(answer["recordOnly"], true) << "the page can tell a recorded label from a printed one";
  ASSERT_EQ(answer["labels"].size(), 1u);
  const auto label = answer["labels"][0];
  const std::string id = label["id"];
  EXPECT_TRUE(std::regex_match(id, std::regex("label-0001-[0-9a-f]{32}"))) << id;
  EXPECT_TRUE(label["destination"].is_null());

  const auto png = call("GET", label["png"]);
  EXPECT_EQ(png.contentType, "image/png");
  EXPECT_EQ(png.body, readFile(folder_.path() / (id + ".png")));
  const auto description = call("GET", label["json"]);
  EXPECT_NE(description.body.find("ROWE, SAM, K."), std::string::npos);
}

TEST_F(ServiceTest, GenericLabelsAndTheOneSharedRequestState) {
  ASSERT_EQ(body(post("/v1/PrintLabels", sampleArguments("hospital")))["result"], true);
  ASSERT_EQ(body(post("/v1/PrintGENERICLabels", sampleArguments("generic")))["result"], true);
  // As in the control: the GENERIC call forces its client type and leaves the patient fields.
  const auto state = service_->requestState();
  EXPECT_EQ(text(state.ClientType), "GENERIC");
  EXPECT_EQ(text(state.PatientName), "ROWE, SAM, K.");
  EXPECT_EQ(text(state.ClientNumber), "EQ39064");
  EXPECT_EQ(recordedLabels(), 2u);
}

TEST_F(ServiceTest, AFalseAnswerIsNoHttpErrorAndAlwaysCarriesTheDiagnostics) {
  auto arguments = sampleArguments("hospital");
  arguments["ClientType"] = "hospital";  // client types are compared case-sensitively
  arguments["DisplayDebugger"] = "false";
  const auto response = post("/v1/PrintLabels", arguments);
  ASSERT_EQ(response.status, 200);
  const auto answer = body(response);
  EXPECT_EQ(answer["result"], false);
  EXPECT_TRUE(answer["labels"].empty());
  ASSERT_FALSE(answer["diagnostics"].empty());
  EXPECT_EQ(answer["diagnostics"][0]["icon"], "critical");
  EXPECT_EQ(recordedLabels(), 0u);
}

TEST_F(ServiceTest, DisplayPropertiesClosesTheDialogsAsIfOkWerePressed) {
  auto arguments = sampleArguments("hospital");
  arguments["DisplayProperties"] = "TRUE";
  arguments["LabelCopies"] = 1;
  arguments["PatientID"] = 9600;
  ASSERT_EQ(body(post("/v1/PrintLabels", arguments))["result"], true);
  // "&Ok" stores the boxes back as strings.
  const auto state = service_->requestState();
  EXPECT_TRUE(state.LabelCopies.identical(automation::Value::string(u"1")));
  EXPECT_TRUE(state.PatientID.identical(automation::Value::string(u"9600")));
}

TEST_F(ServiceTest, PreviewDrawsWithoutPrintingOrTouchingTheRequestState) {
  ASSERT_EQ(body(post("/v1/PrintGENERICLabels", sampleArguments("generic")))["result"], true);
  const auto response = post("/v1/preview", {{"method", "PrintLabels"}, {"parameters", sampleArguments("hospital")}});
  ASSERT_EQ(response.status, 200) << response.body;
  EXPECT_EQ(response.contentType, "image/png");
  EXPECT_EQ(response.body.substr(1, 3), "PNG");
  EXPECT_EQ(text(service_->requestState().ClientType), "GENERIC");
  EXPECT_EQ(recordedLabels(), 1u);

  // The same bytes as the label printed from the same parameters.
  const auto printed = body(post("/v1/PrintLabels", sampleArguments("hospital")));
  EXPECT_EQ(response.body, call("GET", printed["labels"][0]["png"]).body);

  auto unprintable = sampleArguments("hospital");
  unprintable["ClientType"] = "NURSE";
  const auto refused = post("/v1/preview", {{"method", "PrintLabels"}, {"parameters", unprintable}});
  EXPECT_EQ(refused.status, 422);
  EXPECT_EQ(body(refused)["error"]["code"], "NOT_PRINTABLE");
  EXPECT_FALSE(body(refused)["error"]["diagnostics"].empty());
}

TEST_F(ServiceTest, ErrorsSayWhatIsWrongWithAFittingStatus) {
  struct Case {
    std::string method, path, body;
    int status;
    std::string code, mentions;
  };
  const std::vector<Case> cases{
      {"POST", "/v1/PrintLabels", "{not json", 400, "BAD_REQUEST", "not valid JSON"},
      {"POST", "/v1/PrintLabels", "[1]", 400, "BAD_REQUEST", "JSON object"},
      {"POST", "/v1/PrintLabels", R"({"Patient": "x"})", 400, "BAD_REQUEST", "'Patient'"},
      {"POST", "/v1/PrintLabels", R"({"PatientName": [1]})", 400, "BAD_REQUEST", "PatientName"},
      {"POST", "/v1/PrintLabels", R"({"LabelCopies": {"type": "Blob"}})", 400, "BAD_REQUEST", "LabelCopies"},
      {"POST", "/v1/PrintGENERICLabels", R"({"ClientType": "GENERIC"})", 400, "BAD_REQUEST", "'ClientType'"},
      {"POST", "/v1/preview", R"({"method": "Print"})", 400, "BAD_REQUEST", "method"},
      {"POST", "/v1/preview", R"({"method": "PrintLabels", "parameters": 3})", 400, "BAD_REQUEST", "parameters"},
      {"POST", "/v1/PrintLabels", std::string((4u << 20) + 1, ' '), 413, "TOO_LARGE", "4194304"},
      {"GET", "/v1/PrintLabels", "", 405, "METHOD_NOT_ALLOWED", "POST"},
      {"DELETE", "/v1/status", "", 405, "METHOD_NOT_ALLOWED", "GET"},
      {"GET", "/v2/status", "", 404, "NOT_FOUND", "openapi"},
      {"GET", "/v1/labels/../service_tests", "", 404, "NOT_FOUND", "print answers name them"},
      {"GET", "/v1/labels/label-0001.png/../../x", "", 404, "NOT_FOUND", "print answers name them"},
      {"GET", "/v1/labels/label-1.png", "", 404, "NOT_FOUND", "print answers name them"},
      {"GET", "/v1/labels/label-0001.txt", "", 404, "NOT_FOUND", "print answers name them"},
      {"GET", "/v1/labels/label-0099-0123456789abcdef0123456789abcdef.png", "", 404, "NOT_FOUND",
       "label-0099-0123456789abcdef0123456789abcdef.png"},
  };
  for (const auto& c : cases) {
    const auto response = call(c.method, c.path, c.body);
    EXPECT_EQ(response.status, c.status) << c.method << " " << c.path;
    const auto error = body(response)["error"];
    EXPECT_EQ(error["code"], c.code) << c.path;
    EXPECT_NE(error["message"].get<std::string>().find(c.mentions), std::string::npos)
        << c.path << ": " << error["message"];
  }
  EXPECT_EQ(call("GET", "/v1/PrintLabels").header("Allow"), "POST, OPTIONS");
  EXPECT_EQ(recordedLabels(), 0u);
  // Bad input leaves the service able to print.
  EXPECT_EQ(body(post("/v1/PrintLabels", sampleArguments("hospital")))["result"], true);
}

TEST_F(ServiceTest, MangledBodiesAreAnsweredAndNeverBreakTheService) {
  const std::string valid = sampleArguments("generic").dump();
  std::mt19937 random(42);
  for (int round = 0; round < 150; ++round) {
    std::string body = valid.substr(0, random() % (valid.size() + 1));
    for (int flips = random() % 4; flips > 0 && !body.empty(); --flips)
      body[random() % body.size()] = static_cast<char>(random() % 256);
    const auto response = call("POST", round % 2 ? "/v1/PrintGENERICLabels" : "/v1/preview", body);
    EXPECT_TRUE(response.status == 200 || response.status == 400 || response.status == 422) << response.status;
    if (response.contentType == "application/json") {
      EXPECT_TRUE(json::accept(response.body)) << body;
    }
  }
  const auto answer = body(post("/v1/PrintGENERICLabels", sampleArguments("generic")));
  EXPECT_EQ(answer["result"], true);
  EXPECT_EQ(readFile(folder_.path() / (answer["labels"][0]["id"].get<std::string>() + ".json")).find("Sample 42") !=
                std::string::npos,
            true);
}

// Which Host and Origin headers pass, one by one: admission_test. Here: a refused request
// prints nothing, and a page of an allowed origin prints and is answered for its origin.
TEST_F(ServiceTest, AdmissionComesBeforeAnyWorkAndAnswersPagesForTheirOrigin) {
  service::HttpRequest rebound{"POST", "/v1/PrintLabels", {{"Host", "evil.example:41951"}}, sampleArguments("hospital").dump()};
  EXPECT_EQ(body(service_->handle(rebound))["error"]["code"], "HOST_NOT_ALLOWED");
  const auto stranger = post("/v1/PrintLabels", sampleArguments("hospital"), {{"Origin", "https://evil.example"}});
  EXPECT_EQ(stranger.status, 403);
  EXPECT_EQ(body(stranger)["error"]["code"], "ORIGIN_NOT_ALLOWED");
  EXPECT_EQ(stranger.header("Access-Control-Allow-Origin"), "https://evil.example");  // it may read why
  EXPECT_EQ(recordedLabels(), 0u);

  const auto allowed = post("/v1/PrintLabels", sampleArguments("hospital"), {{"Origin", kLabOrigin}});
  EXPECT_EQ(allowed.status, 200);
  EXPECT_EQ(allowed.header("Access-Control-Allow-Origin"), kLabOrigin);
  EXPECT_EQ(allowed.header("Vary"), "Origin");
  EXPECT_EQ(recordedLabels(), 1u);
  // Programs on this machine send no Origin and are served; answers never allow a wildcard.
  const auto local = call("GET", "/v1/status");
  EXPECT_EQ(local.status, 200);
  EXPECT_FALSE(local.header("Access-Control-Allow-Origin"));

  // A preflight is answered for a known resource, even for a page that will be refused.
  const service::Headers preflight{{"Origin", "https://evil.example"}, {"Access-Control-Request-Method", "POST"}};
  EXPECT_EQ(call("OPTIONS", "/v1/PrintLabels", "", preflight).status, 204);
  EXPECT_EQ(call("OPTIONS", "/v1/PrintLabels", "", preflight).header("Allow"), "POST, OPTIONS");
  EXPECT_EQ(call("OPTIONS", "/v1/nothing", "", preflight).status, 404);
}

// What hostile pages and other local programs try, one row each: none may print, read or probe a
// label. A browser sends no Origin with an <img>, a link or a navigation, but Sec-Fetch-Site.
TEST_F(ServiceTest, HostileRequestsCanNeitherPrintNorReadNorProbeALabel) {
  const auto printed = body(post("/v1/PrintLabels", sampleArguments("hospital")));
  const std::string label = printed["labels"][0]["png"];
  const std::string missing = "/v1/labels/label-0002-0123456789abcdef0123456789abcdef.png";
  const std::string print = sampleArguments("hospital").dump();
  const std::string evil = "https://evil.example";
  const std::string wrongToken = "Bearer " + std::string(64, 'a');
  struct Case {
    const char* what;
    std::string method, path, body;
    service::Headers headers;  // the Host is added
    int status;
    std::string code;
  };
  const std::vector<Case> cases{
      {"<img> of a recorded label on another site's page", "GET", label, "", {{"Sec-Fetch-Site", "cross-site"}}, 403, "CROSS_SITE_REQUEST"},
      {"<img> probing a label that does not exist", "GET", missing, "", {{"Sec-Fetch-Site", "cross-site"}}, 403, "CROSS_SITE_REQUEST"},
      {"a link to a label followed from another site", "GET", label, "",
       {{"Sec-Fetch-Site", "cross-site"}, {"Sec-Fetch-Mode", "navigate"}}, 403, "CROSS_SITE_REQUEST"},
      {"<img> from a page of the same site on another port", "GET", label, "", {{"Sec-Fetch-Site", "same-site"}}, 403, "CROSS_SITE_REQUEST"},
      {"<img> of the status on another site's page", "GET", "/v1/status", "", {{"Sec-Fetch-Site", "cross-site"}}, 403, "CROSS_SITE_REQUEST"},
      {"<img> with the token (a page cannot have it)", "GET", label, "",
       {{"Sec-Fetch-Site", "cross-site"}, {"Authorization", kBearer}}, 403, "CROSS_SITE_REQUEST"},
      {"a form posted from another site", "POST", "/v1/PrintLabels", print,
       {{"Origin", evil}, {"Sec-Fetch-Site", "cross-site"}, {"Content-Type", "text/plain"}}, 403, "ORIGIN_NOT_ALLOWED"},
      {"a script's fetch of a label from another site", "GET", label, "", {{"Origin", evil}, {"Sec-Fetch-Site", "cross-site"}}, 403, "ORIGIN_NOT_ALLOWED"},
      {"a sandboxed frame (Origin null)", "POST", "/v1/PrintGENERICLabels", sampleArguments("generic").dump(),
       {{"Origin", "null"}, {"Sec-Fetch-Site", "cross-site"}}, 403, "ORIGIN_NOT_ALLOWED"},
      {"another user's program reading a label", "GET", label, "", {}, 401, "ACCESS_TOKEN_REQUIRED"},
      {"another user's program probing a label", "GET", missing, "", {}, 401, "ACCESS_TOKEN_REQUIRED"},
      {"another user's program printing", "POST", "/v1/PrintLabels", print, {}, 401, "ACCESS_TOKEN_REQUIRED"},
      {"a program with a wrong token", "GET", label, "", {{"Authorization", wrongToken}}, 401, "ACCESS_TOKEN_REQUIRED"},
      {"a program with part of the token", "GET", label, "", {{"Authorization", kBearer.substr(0, 40)}}, 401, "ACCESS_TOKEN_REQUIRED"},
      {"a program with the token as Basic", "GET", label, "", {{"Authorization", std::string("Basic ") + kToken}}, 401, "ACCESS_TOKEN_REQUIRED"},
      {"a program previewing without the token", "POST", "/v1/preview",
       json({{"method", "PrintLabels"}, {"parameters", sampleArguments("hospital")}}).dump(), {}, 401, "ACCESS_TOKEN_REQUIRED"},
      {"a program asking the printers without the token", "GET", "/v1/printers", "", {}, 401, "ACCESS_TOKEN_REQUIRED"},
      {"the address typed into a browser, without the token", "GET", label, "", {{"Sec-Fetch-Site", "none"}}, 401, "ACCESS_TOKEN_REQUIRED"},
      {"a program without the token: the status only", "GET", "/v1/status", "", {}, 200, ""},
      {"the token, in any letter case of its scheme", "GET", label, "", {{"Authorization", std::string("bearer ") + kToken}}, 200, ""},
      {"the allowed page's own fetch of its label", "GET", label, "", {{"Origin", kLabOrigin}, {"Sec-Fetch-Site", "cross-site"}}, 200, ""},
      {"the address typed into a browser, with the token", "GET", label, "",
       {{"Sec-Fetch-Site", "none"}, {"Authorization", kBearer}}, 200, ""},
  };
  for (const auto& c : cases) {
    const auto response = anonymous(c.method, c.path, c.body, c.headers);
    EXPECT_EQ(response.status, c.status) << c.what << ": " << response.body;
    if (!c.code.empty()) {
      EXPECT_EQ(body(response)["error"]["code"], c.code) << c.what;
      EXPECT_EQ(response.body.find("PNG"), std::string::npos) << c.what << ": no label bytes";
    }
  }
  EXPECT_EQ(anonymous("GET", label).header("WWW-Authenticate"), "Bearer realm=\"vantory-service\"");
  EXPECT_EQ(recordedLabels(), 1u) << "nothing printed but the first label";
}

TEST_F(ServiceTest, TheSameKeyWithAnotherRequestIsRefusedAndPrintsNothing) {
  const service::Headers key{{"Idempotency-Key", "order-17-print"}};
  auto edited = sampleArguments("hospital");
  const auto first = post("/v1/PrintLabels", edited, key);
  ASSERT_EQ(first.status, 200);
  edited["PatientName"] = "DOE, JANE";  // the page edited a field and retried with its old key
  const auto reused = post("/v1/PrintLabels", edited, key);
  EXPECT_EQ(reused.status, 422);
  EXPECT_EQ(body(reused)["error"]["code"], "IDEMPOTENCY_KEY_REUSED");
  EXPECT_FALSE(reused.header("Idempotent-Replayed"));
  // Another method with the key is another request too; the first request is still replayed.
  EXPECT_EQ(post("/v1/PrintGENERICLabels", sampleArguments("generic"), key).status, 422);
  const auto again = post("/v1/PrintLabels", sampleArguments("hospital"), key);
  EXPECT_EQ(again.body, first.body);
  EXPECT_EQ(again.header("Idempotent-Replayed"), "true");
  EXPECT_EQ(recordedLabels(), 1u);
  // With a fresh key the edited label prints.
  EXPECT_EQ(body(post("/v1/PrintLabels", edited, {{"Idempotency-Key", "order-17-print-2"}}))["result"], true);
  EXPECT_EQ(recordedLabels(), 2u);
}

TEST_F(ServiceTest, ARepeatedIdempotencyKeyReturnsTheFirstAnswerAndPrintsOnce) {
  const service::Headers first{{"Idempotency-Key", "order-17-click"}};
  const auto answer = post("/v1/PrintLabels", sampleArguments("hospital"), first);
  const auto again = post("/v1/PrintLabels", sampleArguments("hospital"), first);
  EXPECT_EQ(again.body, answer.body);
  EXPECT_EQ(again.header("Idempotent-Replayed"), "true");
  EXPECT_EQ(recordedLabels(), 1u);

  // Another key, or the same key from another page, prints.
  post("/v1/PrintLabels", sampleArguments("hospital"), {{"Idempotency-Key", "order-18-click"}});
  post("/v1/PrintLabels", sampleArguments("hospital"), {{"Idempotency-Key", "order-17-click"}, {"Origin", kLabOrigin}});
  EXPECT_EQ(recordedLabels(), 3u);

  // Ten minutes later the key is forgotten.
  now_ += 10min;
  post("/v1/PrintLabels", sampleArguments("hospital"), first);
  EXPECT_EQ(recordedLabels(), 4u);

  // A key that is no key (idempotency_test has them all) is a bad request, and prints nothing.
  const auto refused = post("/v1/PrintLabels", sampleArguments("hospital"), {{"Idempotency-Key", "with space"}});
  EXPECT_EQ(refused.status, 400);
  EXPECT_NE(refused.body.find("Idempotency-Key"), std::string::npos);
  EXPECT_EQ(recordedLabels(), 4u);
}

TEST_F(ServiceTest, ADoubleClickArrivingTogetherPrintsOnce) {
  std::vector<std::string> answers(4);
  std::vector<std::thread> clicks;
  for (auto& answer : answers)
    clicks.emplace_back([&] {
      answer = post("/v1/PrintLabels", sampleArguments("hospital"), {{"Idempotency-Key", "order-5-print"}}).body;
    });
  for (auto& click : clicks) click.join();
  EXPECT_EQ(recordedLabels(), 1u);
  for (const auto& answer : answers) EXPECT_EQ(answer, answers[0]);
}

// Labels are drawn side by side and recorded one at a time: every caller must get its own
// label, recorded once, with the very picture its description draws and its preview showed.
TEST_F(ServiceTest, ParallelCallersEachGetTheirOwnLabelExactlyOnce) {
  constexpr int kCallers = 8, kEach = 4;
  struct Answer {
    json print;
    std::string preview;
  };
  std::vector<std::vector<Answer>> answers(kCallers);
  std::vector<std::thread> callers;
  for (int caller = 0; caller < kCallers; ++caller)
    callers.emplace_back([&, caller] {
      for (int i = 0; i < kEach; ++i) {
        auto arguments = sampleArguments("hospital");
        arguments["PatientName"] = "PATIENT " + std::to_string(caller) + "-" + std::to_string(i);
        arguments["Barcode"] = std::to_string(1000 + caller * 100 + i);
        const auto preview = post("/v1/preview", {{"method", "PrintLabels"}, {"parameters", arguments}});
        answers[caller].push_back({body(post("/v1/PrintLabels", arguments)), preview.body});
      }
    });
  for (auto& thread : callers) thread.join();

  std::set<std::string> ids;
  engine::LabelRenderer renderer;
  for (int caller = 0; caller < kCallers; ++caller)
    for (int i = 0; i < kEach; ++i) {
      const auto& answer = answers[caller][i].print;
      ASSERT_EQ(answer["result"], true);
      ASSERT_EQ(answer["labels"].size(), 1u);
      const std::string id = answer["labels"][0]["id"];
      EXPECT_TRUE(ids.insert(id).second) << id << " answered twice";
      const auto description = readFile(folder_.path() / (id + ".json"));
      EXPECT_NE(description.find("PATIENT " + std::to_string(caller) + "-" + std::to_string(i)), std::string::npos);
      EXPECT_NE(description.find(std::to_string(1000 + caller * 100 + i)), std::string::npos);
      const auto png = renderer.renderPng(engine::fromJson(description));
      EXPECT_EQ(readFile(folder_.path() / (id + ".png")), std::string(png.begin(), png.end())) << id;
      EXPECT_EQ(answers[caller][i].preview, std::string(png.begin(), png.end())) << id;
    }
  EXPECT_EQ(recordedLabels(), static_cast<std::size_t>(kCallers * kEach));
}

TEST_F(ServiceTest, TheDocumentsCoverEveryEndpointAndTheDialogs) {
  const auto openapi = body(call("GET", "/v1/openapi.json"));
  EXPECT_EQ(openapi["servers"][0]["url"], "http://127.0.0.1:" + std::to_string(kPort));
  for (const auto& [path, operations] : openapi["paths"].items()) {
    const std::string concrete = path == "/v1/labels/{file}"      ? "/v1/labels/label-0001.json"
                                 : path == "/v1/printers/{name}" ? "/v1/printers/LW450"
                                                                 : path;
    for (const auto& [method, operation] : operations.items()) {
      std::string upper = method;
      for (auto& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      const auto response = call(upper, concrete, "{}");
      EXPECT_NE(response.status, 405) << upper << " " << path;
      EXPECT_TRUE(response.status != 404 || body(response)["error"]["message"] != "no such endpoint: " + concrete)
          << path;
    }
  }
  EXPECT_EQ(openapi["components"]["schemas"]["PrintLabelsParameters"]["properties"].size(), 21u);

  const auto forms = body(call("GET", "/v1/settings-forms"));
  EXPECT_EQ(forms["caption"], "Vantory ActiveX v.1.3.5");
  const auto& parameters = forms["forms"][0];
  EXPECT_EQ(parameters["controls"].size(), 16u);
  EXPECT_EQ(parameters["fields"][0],
            json({{"box", "txtClientType"}, {"parameter", "ClientType"}, {"default", "HOSPITAL"}}));
  const auto& patient = forms["forms"][1];
  EXPECT_EQ(patient["fields"][0]["parameter"], "Barcode");  // the field BarCode, passed as Barcode
  EXPECT_EQ(patient["fields"].size(), 15u);
}

// A printer side whose spooler is down, or whose printer is stopped: the image record
// underneath, with the spooler's answers scripted.
class UnavailablePrinters : public printers::Printers {
 public:
  explicit UnavailablePrinters(std::filesystem::path folder) : record_(printers::imagePrinters(std::move(folder))) {}
  std::string mode() const override { return "cups"; }
  std::vector<printers::Destination> list() override {
    if (spoolerDown) throw printers::Unavailable("CUPS cannot be reached: connection refused");
    return {{"LW450", "", "", "stopped", {"paused"}, false, "w162h90"}};
  }
  std::optional<std::string> refusal(std::string_view printer) override {
    return spoolerDown ? "CUPS cannot be reached" : "printer '" + std::string(printer) + "' is not accepting jobs (paused)";
  }
  std::shared_ptr<engine::PrintSink> sink() override { return record_->sink(); }
  std::vector<engine::PrintedLabel> takePrinted() override { return record_->takePrinted(); }
  engine::PrintedLabel printDrawn(const engine::LabelDescription& label, const std::vector<std::uint8_t>& png) override {
    return record_->printDrawn(label, png);
  }
  const std::filesystem::path& folder() const override { return record_->folder(); }

  bool spoolerDown = true;

 private:
  std::unique_ptr<printers::Printers> record_;
};

TEST(ServicePrinters, AStoppedPrinterOrADownSpoolerIsSaidAndNothingIsQueued) {
  engine_test::TemporaryFolder folder;
  UnavailablePrinters printers(folder.path());
  service::Settings settings;
  settings.port = kPort;
  settings.accessToken = kToken;
  service::Service service(settings, printers);
  const service::Headers host{{"Host", "localhost:" + std::to_string(kPort)}, {"Authorization", kBearer}};
  const auto printLabel = [&] {
    return service.handle({"POST", "/v1/PrintLabels", host, sampleArguments("hospital").dump()});
  };

  EXPECT_EQ(service.handle({"GET", "/v1/printers", host, ""}).status, 503);
  auto refused = printLabel();
  EXPECT_EQ(refused.status, 503);
  EXPECT_EQ(json::parse(refused.body)["error"]["code"], "PRINTER_UNAVAILABLE");

  printers.spoolerDown = false;
  const auto listed = json::parse(service.handle({"GET", "/v1/printers", host, ""}).body);
  EXPECT_EQ(listed["printers"][0]["state"], "stopped");
  EXPECT_EQ(listed["printers"][0]["reasons"], json::array({"paused"}));
  refused = printLabel();
  EXPECT_EQ(refused.status, 503);
  EXPECT_NE(refused.body.find("not accepting jobs"), std::string::npos);
  EXPECT_EQ(json::parse(service.handle({"GET", "/v1/status", host, ""}).body)["cups"], true);
  // What a page asks before it prints: the printer a label names, and why it would not print.
  const auto readiness = json::parse(service.handle({"GET", "/v1/printers/lw450", host, ""}).body);
  EXPECT_EQ(readiness["ready"], false);
  EXPECT_EQ(readiness["destination"]["name"], "LW450");
  EXPECT_NE(readiness["refusal"].get<std::string>().find("not accepting jobs"), std::string::npos);
  const auto unknown = json::parse(service.handle({"GET", "/v1/printers/Nowhere", host, ""}).body);
  EXPECT_EQ(unknown["ready"], false);
  EXPECT_TRUE(unknown["destination"].is_null());
  EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

// A printer side whose printing waits until the test lets it go: calls pile up in hand.
class HeldPrinters : public UnavailablePrinters {
 public:
  using UnavailablePrinters::UnavailablePrinters;
  engine::PrintedLabel printDrawn(const engine::LabelDescription& label, const std::vector<std::uint8_t>& png) override {
    std::unique_lock lock(mutex);
    ++waiting;
    changed.notify_all();
    changed.wait(lock, [this] { return released; });
    return UnavailablePrinters::printDrawn(label, png);
  }
  std::optional<std::string> refusal(std::string_view) override { return std::nullopt; }
  void waitFor(int count) {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return waiting >= count; });
  }
  void release() {
    const std::lock_guard lock(mutex);
    released = true;
    changed.notify_all();
  }

  std::mutex mutex;
  std::condition_variable changed;
  int waiting = 0;
  bool released = false;
};

TEST(ServiceBound, CallsBeyondTheBoundAreToldToComeBackAndPrintNothing) {
  engine_test::TemporaryFolder folder;
  HeldPrinters printers(folder.path());
  service::Settings settings;
  settings.port = kPort;
  settings.accessToken = kToken;
  settings.limits.maxRequestsInHand = 2;
  service::Service service(settings, printers);
  const service::Headers local{{"Host", "localhost:" + std::to_string(kPort)}, {"Authorization", kBearer}};
  const auto printLabel = [&] {
    return service.handle({"POST", "/v1/PrintLabels", local, sampleArguments("hospital").dump()});
  };
  std::vector<service::HttpResponse> held(2);
  std::thread first([&] { held[0] = printLabel(); });
  printers.waitFor(1);  // the first prints, in its turn
  // The second waits for its turn, and the bound is reached: a preview (which never waits for a
  // turn) is refused once it is. While one of the test's previews is in hand the second itself
  // may be the one refused (and prints nothing): then it comes back.
  std::atomic<bool> secondAnswered = false;
  std::thread second;
  const auto startSecond = [&] {
    second = std::thread([&] {
      held[1] = printLabel();
      secondAnswered = true;
    });
  };
  startSecond();
  const auto preview = [&] {
    return service.handle({"POST", "/v1/preview", local,
                           json({{"method", "PrintLabels"}, {"parameters", sampleArguments("hospital")}}).dump()});
  };
  service::HttpResponse refused = preview();
  for (int attempt = 0; attempt < 2000 && refused.status == 200; ++attempt) {
    if (secondAnswered) {
      second.join();
      EXPECT_EQ(held[1].status, 503) << "the second cannot print before the first is let go";
      secondAnswered = false;
      startSecond();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    refused = preview();
  }
  EXPECT_EQ(refused.status, 503);
  const auto busy = printLabel();
  EXPECT_EQ(busy.status, 503);
  EXPECT_EQ(json::parse(busy.body)["error"]["code"], "BUSY");
  EXPECT_EQ(busy.header("Retry-After"), "1");
  EXPECT_EQ(service.handle({"GET", "/v1/status", local, ""}).status, 200) << "the rest is answered";

  printers.release();
  first.join();
  second.join();
  EXPECT_EQ(held[0].status, 200);
  EXPECT_EQ(held[1].status, 200);
  EXPECT_EQ(printLabel().status, 200) << "places are given back";
  std::size_t recorded = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder.path())) recorded += entry.path().extension() == ".json";
  EXPECT_EQ(recorded, 3u);
}

TEST(ServiceOptions, FlagsOverTheAdministratorsFile) {
  engine_test::TemporaryFolder folder;
  const auto config = folder.path() / "service.json";
  // Printing through CUPS unless record-only is chosen, the documented ports, seven days.
  const auto plain = service::parseOptions({});
  EXPECT_FALSE(plain.recordOnly);
  EXPECT_FALSE(plain.portGiven);
  EXPECT_EQ(plain.settings.labelRetention, std::chrono::hours(24 * 7));
  EXPECT_TRUE(plain.tokenFile.empty());

  std::ofstream(config) << R"({"port": 5000, "allowOrigins": ["https://a.example"], "output": "/srv/labels",
                               "tokenFile": "/srv/token", "labelRetentionDays": 30})";
  const auto options = service::parseOptions(
      {"--allow-origin", "http://127.0.0.1:8080", "--config", config.string(), "--port", "6000", "--record-only"});
  EXPECT_EQ(options.settings.port, 6000);
  EXPECT_TRUE(options.portGiven);
  EXPECT_EQ(options.settings.allowedOrigins, (std::vector<std::string>{"https://a.example", "http://127.0.0.1:8080"}));
  EXPECT_EQ(options.output, "/srv/labels");
  EXPECT_EQ(options.tokenFile, "/srv/token");
  EXPECT_EQ(options.settings.labelRetention, std::chrono::hours(24 * 30));
  EXPECT_TRUE(options.recordOnly);
  EXPECT_EQ(service::parseOptions({"--config", config.string(), "--retention-days", "2", "--token-file", "t"}).tokenFile, "t");

  std::ofstream(config) << R"({"origins": []})";
  for (const std::vector<std::string>& bad :
       std::vector<std::vector<std::string>>{{"--port", "70000"},
                                             {"--port", "12x"},
                                             {"--allow-origin", "https://a.example/"},
                                             {"--allow-origin", "*"},
                                             {"--allow-origin"},
                                             {"--verbose"},
                                             {"--cups"},
                                             {"--retention-days", "0"},
                                             {"--retention-days", "7d"},
                                             {"--config", config.string()},
                                             {"--config", "/no/such/file"}})
    EXPECT_THROW(service::parseOptions(bad), service::OptionsError) << bad[0];
}

}  // namespace
}  // namespace service_test
