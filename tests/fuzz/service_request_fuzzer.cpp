// The print service's request handling, as the HTTP layer hands it over: any method, path,
// Host, Origin, Sec-Fetch-Site, Authorization, Idempotency-Key and body. Every answer keeps the
// documented form: a known status; JSON answers parse, errors carry {"error": {"code", "message"}}, a print answer says
// true or false; a browser is answered with CORS headers only for the allowed origin.

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <system_error>

#include "fuzz_values.h"
#include "printers/printers.h"
#include "service/service.h"

namespace {

constexpr int kPort = 41951;
constexpr const char* kAllowedOrigin = "https://lab.example.org";

constexpr std::array<const char*, 6> kMethods{"GET", "POST", "OPTIONS", "PUT", "DELETE", "HEAD"};
constexpr std::array<const char*, 12> kPaths{
    "/v1/status",      "/v1/printers",        "/v1/PrintLabels",     "/v1/PrintGENERICLabels",
    "/v1/preview",     "/v1/openapi.json",    "/v1/settings-forms",  "/v1/labels/label-0001.png",
    "/v1/labels/label-0001.json", "/v1/labels/../../etc/passwd.json", "/", "/v1/printlabels"};
constexpr std::array<const char*, 7> kHosts{"127.0.0.1:41951", "localhost:41951", "[::1]:41951", "evil.example:41951",
                                            "127.0.0.1:80",    "localhost",       ""};
constexpr std::array<const char*, 4> kOrigins{"https://lab.example.org", "https://evil.example", "null", "https://LAB.example.org"};
constexpr std::array<const char*, 5> kSites{"cross-site", "same-site", "same-origin", "none", ""};
constexpr const char* kToken = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";
constexpr std::array<int, 12> kStatuses{200, 204, 400, 401, 403, 404, 405, 413, 422, 500, 503, 504};

// One folder for the labels of the whole run, gone when the fuzzer exits.
struct LabelFolder {
  std::filesystem::path path;
  LabelFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "service-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path = pattern;
  }
  ~LabelFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

template <typename Array>
std::string pick(FuzzedDataProvider& in, const Array& choices) {
  return choices[in.ConsumeIntegralInRange<std::size_t>(0, choices.size() - 1)];
}

std::string pickOrAny(FuzzedDataProvider& in, const auto& choices) {
  return in.ConsumeBool() ? pick(in, choices) : in.ConsumeRandomLengthString(80);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static LabelFolder folder;
  static const auto printers = printers::imagePrinters(folder.path);
  static service::Service web(
      [] {
        service::Settings settings;
        settings.port = kPort;
        settings.allowedOrigins = {kAllowedOrigin};
        settings.accessToken = kToken;
        settings.limits.maxBodyBytes = 64 * 1024;
        return settings;
      }(),
      *printers);

  FuzzedDataProvider in(data, size);
  service::HttpRequest request;
  request.method = pickOrAny(in, kMethods);
  request.path = pickOrAny(in, kPaths);
  if (in.ConsumeBool()) request.headers.emplace("Host", pickOrAny(in, kHosts));
  const bool browser = in.ConsumeBool();
  if (browser) request.headers.emplace("Origin", pickOrAny(in, kOrigins));
  if (in.ConsumeBool()) request.headers.emplace("Idempotency-Key", in.ConsumeRandomLengthString(300));
  if (in.ConsumeBool())
    request.headers.emplace("Authorization", in.ConsumeBool() ? std::string("Bearer ") + kToken : in.ConsumeRandomLengthString(80));
  const bool fetchedBySite = in.ConsumeBool();
  if (fetchedBySite) request.headers.emplace("Sec-Fetch-Site", pickOrAny(in, kSites));
  if (in.ConsumeBool()) request.headers.emplace("Access-Control-Request-Method", pickOrAny(in, kMethods));
  request.body = in.ConsumeRemainingBytesAsString();

  const service::HttpResponse answer = web.handle(request);

  FUZZ_CHECK(std::find(kStatuses.begin(), kStatuses.end(), answer.status) != kStatuses.end());
  if (answer.contentType.starts_with("application/json")) {
    const auto document = nlohmann::json::parse(answer.body, nullptr, false);
    FUZZ_CHECK(!document.is_discarded());
    if (answer.status >= 400) {
      FUZZ_CHECK(document.at("error").at("code").is_string());
      FUZZ_CHECK(!document.at("error").at("message").get<std::string>().empty());
    } else if (request.method == "POST" && (request.path == "/v1/PrintLabels" || request.path == "/v1/PrintGENERICLabels")) {
      FUZZ_CHECK(document.at("result").is_boolean());
      FUZZ_CHECK(document.at("diagnostics").is_array());
    }
  }
  const auto allowed = answer.header("Access-Control-Allow-Origin");
  if (allowed) FUZZ_CHECK(browser && *allowed == request.headers.at("Origin"));
  // Another site's page without an Origin is never answered with a label or a print.
  if (!browser && fetchedBySite) {
    const auto& site = request.headers.at("Sec-Fetch-Site");
    if (site != "same-origin" && site != "none") FUZZ_CHECK(answer.status >= 400);
  }
  return 0;
}
