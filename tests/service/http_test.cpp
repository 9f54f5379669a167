// The service through a real listening server and real HTTP clients.

#include <set>
#include <thread>

#include "service/http/http_adapter.h"
#include "service_fixture.h"

namespace service_test {
namespace {

class ListeningService : public ::testing::Test {
 protected:
  ListeningService() : printers_(printers::imagePrinters(folder_.path())) {
    service::Settings settings;
    service::applyLimits(server_, settings.limits);
    port_ = server_.bind_to_any_port("127.0.0.1");
    settings.port = port_;
    settings.allowedOrigins = {kLabOrigin};
    service_ = std::make_unique<service::Service>(settings, *printers_);
    service::serveOver(server_, *service_);
    listener_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~ListeningService() override {
    server_.stop();
    listener_.join();
  }

  httplib::Client client() const { return httplib::Client("127.0.0.1", port_); }

  engine_test::TemporaryFolder folder_;
  std::unique_ptr<printers::Printers> printers_;
  httplib::Server server_;
  int port_ = 0;
  std::unique_ptr<service::Service> service_;
  std::thread listener_;
};

TEST_F(ListeningService, PrintsAndServesTheLabelOverOneConnection) {
  auto http = client();
  http.set_keep_alive(true);
  const auto printed = http.Post("/v1/PrintLabels", sampleArguments("physician").dump(), "application/json");
  ASSERT_TRUE(printed);
  ASSERT_EQ(printed->status, 200) << printed->body;
  const auto answer = json::parse(printed->body);
  EXPECT_EQ(answer["result"], true);
  const auto png = http.Get(answer["labels"][0]["png"].get<std::string>());
  ASSERT_TRUE(png);
  EXPECT_EQ(png->get_header_value("Content-Type"), "image/png");
  EXPECT_EQ(png->body, readFile(folder_.path() / "label-0001.png"));
}

TEST_F(ListeningService, LimitsAndRefusalsKeepTheErrorForm) {
  auto http = client();
  const auto large =
      http.Post("/v1/PrintLabels", {{"Origin", kLabOrigin}}, std::string(5u << 20, 'x'), "application/json");
  ASSERT_TRUE(large);
  EXPECT_EQ(large->status, 413);
  EXPECT_EQ(json::parse(large->body)["error"]["code"], "TOO_LARGE");
  EXPECT_EQ(large->get_header_value("Access-Control-Allow-Origin"), kLabOrigin);

  const auto rebound = http.Get("/v1/status", {{"Host", "attacker.example:" + std::to_string(port_)}});
  ASSERT_TRUE(rebound);
  EXPECT_EQ(rebound->status, 403);
  EXPECT_EQ(json::parse(rebound->body)["error"]["code"], "HOST_NOT_ALLOWED");

  const auto preflight =
      http.Options("/v1/PrintGENERICLabels", {{"Origin", kLabOrigin}, {"Access-Control-Request-Method", "POST"}});
  ASSERT_TRUE(preflight);
  EXPECT_EQ(preflight->status, 204);
  EXPECT_EQ(preflight->get_header_value("Access-Control-Allow-Private-Network"), "true");

  const auto stranger = http.Post("/v1/PrintGENERICLabels", {{"Origin", "https://evil.example"}},
                                  sampleArguments("generic").dump(), "application/json");
  ASSERT_TRUE(stranger);
  EXPECT_EQ(stranger->status, 403);
  EXPECT_EQ(json::parse(stranger->body)["error"]["code"], "ORIGIN_NOT_ALLOWED");
  EXPECT_TRUE(std::filesystem::is_empty(folder_.path()));
}

TEST_F(ListeningService, ParallelConnectionsEachPrintTheirOwnLabels) {
  constexpr int kClients = 8, kEach = 3;
  std::vector<std::vector<std::string>> ids(kClients);
  std::vector<std::thread> clients;
  for (int c = 0; c < kClients; ++c)
    clients.emplace_back([&, c] {
      auto http = client();
      http.set_keep_alive(true);
      for (int i = 0; i < kEach; ++i) {
        auto arguments = sampleArguments("generic");
        arguments["Line1"] = "TXT^Tube " + std::to_string(c) + "/" + std::to_string(i);
        const auto response =
            http.Post("/v1/PrintGENERICLabels", {{"Idempotency-Key", "k" + std::to_string(c * 10 + i)}},
                      arguments.dump(), "application/json");
        ids[c].push_back(response && response->status == 200
                             ? json::parse(response->body)["labels"][0]["id"].get<std::string>()
                             : "failed");
      }
    });
  for (auto& thread : clients) thread.join();
  std::set<std::string> seen;
  for (int c = 0; c < kClients; ++c)
    for (int i = 0; i < kEach; ++i) {
      ASSERT_NE(ids[c][i], "failed");
      EXPECT_TRUE(seen.insert(ids[c][i]).second);
      EXPECT_NE(
          readFile(folder_.path() / (ids[c][i] + ".json")).find("Tube " + std::to_string(c) + "/" + std::to_string(i)),
          std::string::npos);
    }
}

}  // namespace
}  // namespace service_test
