#pragma once
// A service over the image record in a fresh folder, and requests addressed as a local
// program that presents the access token (or a page of an origin) would address them.

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "printers/printers.h"
#include "service/service.h"
#include "support/temporary_folder.h"

namespace service_test {

using nlohmann::json;

inline constexpr int kPort = 41951;
inline constexpr const char* kLabOrigin = "https://lab.example.org";
inline constexpr const char* kToken = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";
inline const std::string kBearer = std::string("Bearer ") + kToken;

inline json sampleArguments(const std::string& sample) {
  std::ifstream in(std::string(VANTORY_SOURCE_DIR) + "/examples/" + sample + ".json");
  return json::parse(in).at("arguments");
}

inline std::string readFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

class ServiceTest : public ::testing::Test {
 protected:
  explicit ServiceTest(service::Limits limits = {})
      : printers_(printers::imagePrinters(folder_.path(), engine::LabelNames::Unguessable)) {
    service::Settings settings;
    settings.port = kPort;
    settings.allowedOrigins = {kLabOrigin};
    settings.accessToken = kToken;
    settings.limits = limits;
    service_ = std::make_unique<service::Service>(settings, *printers_, [this] { return now_; });
  }

  // As a local program with the token, or as the page of the Origin the headers name.
  service::HttpResponse call(const std::string& method, const std::string& path, const std::string& body = "",
                             service::Headers headers = {}) {
    if (!headers.contains("Origin")) headers.emplace("Authorization", kBearer);
    return anonymous(method, path, body, std::move(headers));
  }
  // With the headers given and the Host alone.
  service::HttpResponse anonymous(const std::string& method, const std::string& path, const std::string& body = "",
                                  service::Headers headers = {}) {
    headers.emplace("Host", "127.0.0.1:" + std::to_string(kPort));
    return service_->handle({method, path, headers, body});
  }
  service::HttpResponse post(const std::string& path, const json& body, service::Headers headers = {}) {
    return call("POST", path, body.dump(), std::move(headers));
  }
  static json body(const service::HttpResponse& response) { return json::parse(response.body); }

  std::size_t recordedLabels() const {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.path()))
      count += entry.path().extension() == ".json";
    return count;
  }

  engine_test::TemporaryFolder folder_;
  std::unique_ptr<printers::Printers> printers_;
  std::chrono::steady_clock::time_point now_{};
  std::unique_ptr<service::Service> service_;
};

}  // namespace service_test
