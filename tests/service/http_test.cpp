// The service through a real listening server and real HTTP clients: printing and refusals
// keep their form, and neither a slow nor a hostile client can stall the service.

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <regex>
#include <set>
#include <thread>

#include "service/http/http_server.h"
#include "service/http/sockets.h"
#include "service_fixture.h"

namespace service_test {
namespace {

using namespace std::chrono_literals;

#ifdef _WIN32
// Winsock's spellings of what the raw client uses (under Wine as on Windows).
constexpr int MSG_NOSIGNAL = 0;
int poll(pollfd* watched, unsigned long count, int timeout) { return ::WSAPoll(watched, count, timeout); }
#endif

// A client's socket, written and read byte by byte as a slow or hostile client would.
class RawClient {
 public:
  // From `from`, another loopback address than 127.0.0.1 when given.
  explicit RawClient(int port, const char* from = nullptr) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    if (from) {
      ::inet_pton(AF_INET, from, &address.sin_addr);
      if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) ADD_FAILURE() << "bind " << from;
    }
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    ::inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~RawClient() { service::sockets::close(fd_); }
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  bool connected() const { return connected_; }
  bool send(const std::string& bytes) {
    return ::send(fd_, bytes.data(), static_cast<int>(bytes.size()), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
  }
  // Everything until the server closes, or until `patience` passes without a byte (a
  // failing test's guard, not a measure).
  std::string readToEnd(std::chrono::milliseconds patience = 20s) {
    std::string received;
    char chunk[4096];
    pollfd watched{fd_, POLLIN, 0};
    while (poll(&watched, 1, static_cast<int>(patience.count())) > 0) {
      const ssize_t got = ::recv(fd_, chunk, sizeof chunk, 0);
      if (got <= 0) break;
      received.append(chunk, static_cast<std::size_t>(got));
    }
    return received;
  }
  // Whether the server has answered or closed, without waiting.
  bool heardFromServer() const {
    pollfd watched{fd_, POLLIN, 0};
    return poll(&watched, 1, 0) > 0;
  }

 private:
  socket_t fd_;
  bool connected_ = false;
};

int statusOf(const std::string& answer) {
  std::smatch parts;
  return std::regex_search(answer, parts, std::regex("^HTTP/1\\.1 (\\d{3}) ")) ? std::stoi(parts[1]) : 0;
}

class ListeningService : public ::testing::Test {
 protected:
  explicit ListeningService(service::Limits limits = {})
      : printers_(printers::imagePrinters(folder_.path(), engine::LabelNames::Unguessable)), server_(limits) {
    service::Settings settings;
    settings.limits = limits;
    port_ = server_.bind_to_any_port("127.0.0.1");
    settings.port = port_;
    settings.allowedOrigins = {kLabOrigin};
    settings.accessToken = kToken;
    service_ = std::make_unique<service::Service>(settings, *printers_);
    server_.serve(*service_);
    listener_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(1ms);
  }
  ~ListeningService() override {
    server_.stop();
    listener_.join();
  }

  httplib::Client client() const {
    httplib::Client http("127.0.0.1", port_);
    http.set_default_headers({{"Authorization", kBearer}});
    return http;
  }
  std::string host() const { return "Host: 127.0.0.1:" + std::to_string(port_) + "\r\n"; }
  std::string statusRequest() const { return "GET /v1/status HTTP/1.1\r\n" + host() + "Connection: close\r\n\r\n"; }

  engine_test::TemporaryFolder folder_;
  std::unique_ptr<printers::Printers> printers_;
  service::HttpServer server_;
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
  EXPECT_EQ(png->body, readFile(folder_.path() / (answer["labels"][0]["id"].get<std::string>() + ".png")));
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

// Heads that were once read whole, each refused before it is parsed, in the error form.
TEST_F(ListeningService, HostileHeadsAreRefusedBeforeTheyAreRead) {
  std::string manyFields, floodOfFields;
  for (int i = 0; i < 101; ++i) manyFields += "X-F" + std::to_string(i) + ": v\r\n";
  for (int i = 0; i < 2000; ++i) floodOfFields += "X-H" + std::to_string(i) + ": " + std::string(90, 'v') + "\r\n";
  struct Case {
    const char* what;
    std::string request;
    int status;
    std::string code;
  };
  const std::vector<Case> cases{
      {"2000 fields of 100 bytes", "GET /v1/status HTTP/1.1\r\n" + host() + floodOfFields + "\r\n", 431, "TOO_LARGE"},
      {"101 small fields", "GET /v1/status HTTP/1.1\r\n" + host() + manyFields + "\r\n", 431, "TOO_LARGE"},
      {"one field of 20 KB", "GET /v1/status HTTP/1.1\r\n" + host() + "X: " + std::string(20000, 'v') + "\r\n\r\n", 431,
       "TOO_LARGE"},
      {"a request line of 5000 bytes", "GET /v1/" + std::string(5000, 'a') + " HTTP/1.1\r\n" + host() + "\r\n", 414,
       "TOO_LARGE"},
      {"a client's own refusal mark is no refusal",
       "GET /v1/status HTTP/1.1\r\n" + host() + "Vantory-Refused-With: 431\r\nConnection: close\r\n\r\n", 200, ""},
  };
  for (const auto& c : cases) {
    RawClient raw(port_);
    ASSERT_TRUE(raw.send(c.request)) << c.what;
    const std::string answer = raw.readToEnd();
    EXPECT_EQ(statusOf(answer), c.status) << c.what << ": " << answer.substr(0, 200);
    if (!c.code.empty()) {
      EXPECT_NE(answer.find("\"code\":\"" + c.code + "\""), std::string::npos) << c.what;
    }
  }
  // And the service goes on.
  RawClient after(port_);
  after.send(statusRequest());
  EXPECT_EQ(statusOf(after.readToEnd()), 200);
}

// Connections that send half a head and wait hold nothing but themselves.
class SlowClients : public ListeningService {
 protected:
  SlowClients() : ListeningService(limits()) {}
  static service::Limits limits() {
    service::Limits limits;
    limits.headerDeadline = 60s;  // longer than the test: nothing is cut while it runs
    return limits;
  }
};

TEST_F(SlowClients, FortyHalfSentHeadsDoNotKeepAnotherClientWaiting) {
  std::vector<std::unique_ptr<RawClient>> slow;
  for (int i = 0; i < 40; ++i) {
    slow.push_back(std::make_unique<RawClient>(port_));
    ASSERT_TRUE(slow.back()->send("POST /v1/PrintLabels HTTP/1.1\r\n" + host() + "Content-Ty"));
  }
  RawClient other(port_);
  other.send(statusRequest());
  const std::string answer = other.readToEnd();
  EXPECT_EQ(statusOf(answer), 200) << answer;
  // Answered while every slow client still waits: none of them was served or cut first.
  for (const auto& client : slow) EXPECT_FALSE(client->heardFromServer());

  // A print goes through too.
  auto http = client();
  const auto printed = http.Post("/v1/PrintGENERICLabels", sampleArguments("generic").dump(), "application/json");
  ASSERT_TRUE(printed);
  EXPECT_EQ(printed->status, 200);
}

class ShortDeadlines : public ListeningService {
 protected:
  ShortDeadlines() : ListeningService(limits()) {}
  static service::Limits limits() {
    service::Limits limits;
    limits.headerDeadline = 300ms;
    limits.keepAliveTimeout = 300ms;
    limits.readTimeout = 300ms;
    limits.maxConnectionsPerAddress = 4;
    return limits;
  }
};

TEST_F(ShortDeadlines, ASlowSenderIsCutOffWithATimeout) {
  RawClient slow(port_);
  slow.send("GET /v1/status HTTP/1.1\r\n");
  std::this_thread::sleep_for(100ms);
  slow.send(host());  // still sending, but the head is not whole by its deadline
  const std::string answer = slow.readToEnd();
  EXPECT_EQ(statusOf(answer), 408) << answer;
  EXPECT_NE(answer.find("\"code\":\"TIMEOUT\""), std::string::npos);

  // A body that does not follow its head in time ends the request too, and prints nothing.
  RawClient body(port_);
  body.send("POST /v1/PrintGENERICLabels HTTP/1.1\r\n" + host() + "Authorization: " + kBearer +
            "\r\nContent-Type: application/json\r\nContent-Length: 100\r\n\r\n{");
  EXPECT_EQ(statusOf(body.readToEnd()), 400);
  EXPECT_TRUE(std::filesystem::is_empty(folder_.path()));
}

TEST_F(ShortDeadlines, ConnectionsThatSayNothingAreClosedQuietly) {
  RawClient silent(port_);
  EXPECT_EQ(silent.readToEnd(), "") << "closed, without an answer";

  RawClient kept(port_);
  kept.send("GET /v1/status HTTP/1.1\r\n" + host() + "\r\n");
  const std::string answer = kept.readToEnd();  // the answer, then the close of the idle connection
  EXPECT_EQ(statusOf(answer), 200);
  EXPECT_NE(answer.find("Keep-Alive"), std::string::npos);
}

TEST_F(ShortDeadlines, EachAddressHasItsShareOfConnections) {
  std::vector<std::unique_ptr<RawClient>> held;
  for (int i = 0; i < 4; ++i) {
    held.push_back(std::make_unique<RawClient>(port_));
    held.back()->send("GET /v1/status HTTP/1.1\r\n");  // held open, each on its own thread
  }
  // Let the server take them in before the next one comes.
  std::this_thread::sleep_for(50ms);
  RawClient beyond(port_);
  beyond.send(statusRequest());
  EXPECT_EQ(beyond.readToEnd(), "") << "closed at once: 127.0.0.1 has its four";

  RawClient elsewhere(port_, "127.0.0.2");
  ASSERT_TRUE(elsewhere.connected());
  elsewhere.send(statusRequest());
  EXPECT_EQ(statusOf(elsewhere.readToEnd()), 200) << "another address is served";

  held.clear();  // the four go (their deadline would end them too)
  std::string answer;
  for (int attempt = 0; attempt < 100 && statusOf(answer) != 200; ++attempt) {
    RawClient again(port_);
    again.send(statusRequest());
    answer = again.readToEnd();
    if (statusOf(answer) != 200) std::this_thread::sleep_for(20ms);
  }
  EXPECT_EQ(statusOf(answer), 200) << "their places are given back";
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
