#include "service_core.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <fstream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "automation/text.h"
#include "control/entry_points.h"
#include "control/version.h"
#include "engine/engine.h"
#include "engine/image_sink.h"
#include "engine/renderer.h"
#include "host_request.h"
#include "platform/headless/headless_windows.h"
#include "platform/headless/terminal_dialogs.h"
#include "service_documents.h"

namespace service {

namespace {

using nlohmann::json;

std::string lower(std::string text) {
  std::ranges::transform(text, text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// A lock that lets its waiters in strictly in the order they came.
class ArrivalOrderMutex {
 public:
  void lock() {
    std::unique_lock lock(mutex_);
    const std::uint64_t ticket = next_++;
    turn_.wait(lock, [&] { return serving_ == ticket; });
  }
  void unlock() {
    {
      std::lock_guard lock(mutex_);
      ++serving_;
    }
    turn_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable turn_;
  std::uint64_t next_ = 0, serving_ = 0;
};

// Keeps a call's diagnostics as data for the answer.
class CollectedDiagnostics : public control::DiagnosticsSink {
 public:
  void show(const control::DiagnosticMessage& message) override { messages.push_back(message); }
  std::vector<control::DiagnosticMessage> messages;
};

// Renderers for drawing labels side by side. A renderer keeps its fonts and canvas from one
// label to the next and serves one thread at a time, so each drawing call leases one; there
// are never more than calls drawing at once.
class RendererPool {
 public:
  class Lease {
   public:
    ~Lease() { pool_.giveBack(std::move(renderer_)); }
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    engine::LabelRenderer& operator*() const noexcept { return *renderer_; }

   private:
    friend class RendererPool;
    Lease(RendererPool& pool, std::unique_ptr<engine::LabelRenderer> renderer)
        : pool_(pool), renderer_(std::move(renderer)) {}
    RendererPool& pool_;
    std::unique_ptr<engine::LabelRenderer> renderer_;
  };

  Lease lease() {
    std::unique_ptr<engine::LabelRenderer> renderer;
    {
      std::lock_guard lock(mutex_);
      if (!idle_.empty()) {
        renderer = std::move(idle_.back());
        idle_.pop_back();
      }
    }
    if (!renderer) renderer = std::make_unique<engine::LabelRenderer>();
    return Lease(*this, std::move(renderer));
  }

 private:
  void giveBack(std::unique_ptr<engine::LabelRenderer> renderer) noexcept {
    try {
      std::lock_guard lock(mutex_);
      idle_.push_back(std::move(renderer));
    } catch (...) {
      // Not kept: the next lease makes a new one.
    }
  }

  std::mutex mutex_;
  std::vector<std::unique_ptr<engine::LabelRenderer>> idle_;
};

// The print entry points over their own headless windows. Settings dialogs close as if "&Ok"
// were pressed: the service shows no windows (the JavaScript client shows the dialogs).
struct HeadlessControl {
  HeadlessControl(control::LabelRequest& request, std::shared_ptr<engine::PrintSink> sink)
      : engines(std::move(sink)),
        windows(engines, clock),
        entryPoints(request, windows, diagnostics, control::DiagnosticsPolicy::Always) {
    headless::useTerminalDialogs(windows, noInput, noOutput, false);
  }

  bool print(host::Method method, const std::vector<automation::Value>& arguments) {
    diagnostics.messages.clear();
    return method == host::Method::PrintLabels ? entryPoints.PrintLabels(arguments)
                                               : entryPoints.PrintGENERICLabels(arguments);
  }

  std::istringstream noInput;
  std::ostringstream noOutput;
  engine::EngineFactory engines;
  headless::VirtualClock clock;
  headless::HeadlessRequestWindows windows;
  CollectedDiagnostics diagnostics;
  control::PrintEntryPoints entryPoints;
};

struct ErrorCode {
  int status;
  const char* code;
};
constexpr ErrorCode kBadRequest{400, "BAD_REQUEST"};
constexpr ErrorCode kHostNotAllowed{403, "HOST_NOT_ALLOWED"};
constexpr ErrorCode kOriginNotAllowed{403, "ORIGIN_NOT_ALLOWED"};
constexpr ErrorCode kNotFound{404, "NOT_FOUND"};
constexpr ErrorCode kMethodNotAllowed{405, "METHOD_NOT_ALLOWED"};
constexpr ErrorCode kTooLarge{413, "TOO_LARGE"};
constexpr ErrorCode kNotPrintable{422, "NOT_PRINTABLE"};
constexpr ErrorCode kInternal{500, "INTERNAL"};
constexpr ErrorCode kPrinterUnavailable{503, "PRINTER_UNAVAILABLE"};

HttpResponse jsonAnswer(const json& body, int status = 200) {
  return {status, "application/json", body.dump(-1, ' ', false, json::error_handler_t::replace), {}};
}

HttpResponse error(ErrorCode code, const std::string& message, json extra = json::object()) {
  extra["code"] = code.code;
  extra["message"] = message;
  return jsonAnswer({{"error", extra}}, code.status);
}

json diagnosticsJson(const std::vector<control::DiagnosticMessage>& messages) {
  json list = json::array();
  for (const auto& message : messages) {
    const char* icon = message.icon == control::MessageIcon::Critical      ? "critical"
                       : message.icon == control::MessageIcon::Information ? "information"
                                                                           : "none";
    list.push_back(
        {{"title", automation::toUtf8(message.title)}, {"text", automation::toUtf8(message.text)}, {"icon", icon}});
  }
  return list;
}

// The routes, each with the methods it answers.
struct Route {
  std::string path;  // exact, or a prefix ending in '/'
  std::vector<std::string> methods;
};

const std::vector<Route>& routes() {
  static const std::vector<Route> table{
      {"/v1/status", {"GET"}},         {"/v1/printers", {"GET"}},     {"/v1/openapi.json", {"GET"}},
      {"/v1/settings-forms", {"GET"}}, {"/v1/PrintLabels", {"POST"}}, {"/v1/PrintGENERICLabels", {"POST"}},
      {"/v1/preview", {"POST"}},       {"/v1/labels/", {"GET"}},
  };
  return table;
}

const Route* findRoute(const std::string& path) {
  for (const auto& route : routes())
    if (route.path.ends_with('/') ? path.starts_with(route.path) && path.size() > route.path.size()
                                  : path == route.path)
      return &route;
  return nullptr;
}

std::string joined(const std::vector<std::string>& items) {
  std::string text;
  for (const auto& item : items) text += (text.empty() ? "" : ", ") + item;
  return text;
}

std::optional<std::string> headerOf(const HttpRequest& request, const std::string& name) {
  const auto found = request.headers.find(name);
  if (found == request.headers.end()) return std::nullopt;
  return found->second;
}

json parseBody(const std::string& body) { return host::parseJson(body, "the body"); }

}  // namespace

struct Service::Impl {
  Impl(Settings settings, Printers& printers, Clock clock)
      : settings(std::move(settings)), printers(printers), clock(std::move(clock)), shared(request, printers.sink()) {}

  // --- admission: Host, Origin, size ---

  bool hostAllowed(const HttpRequest& httpRequest) const {
    const auto host = headerOf(httpRequest, "Host");
    if (!host) return false;
    const std::string port = ":" + std::to_string(settings.port);
    const std::string given = lower(*host);
    for (const char* name : {"localhost", "127.0.0.1", "[::1]"})
      if (given == name + port) return true;
    return false;
  }

  bool originAllowed(const std::string& origin) const {
    return std::ranges::find(settings.allowedOrigins, origin) != settings.allowedOrigins.end();
  }

  // CORS headers for a browser's request: the answer names the origin it is for. An origin
  // that is not allowed may read the refusal (and pass the preflight that leads to it), so a
  // page can tell its user what to do; it never gets anything else.
  void addCors(HttpResponse& response, const HttpRequest& httpRequest) const {
    response.headers.emplace_back("Vary", "Origin");
    const auto origin = headerOf(httpRequest, "Origin");
    if (!origin) return;
    response.headers.emplace_back("Access-Control-Allow-Origin", *origin);
    response.headers.emplace_back("Access-Control-Expose-Headers", "Idempotent-Replayed");
  }

  HttpResponse preflight(const Route& route) const {
    HttpResponse response{204, "", "", {}};
    std::vector<std::string> methods = route.methods;
    methods.push_back("OPTIONS");
    response.headers.emplace_back("Access-Control-Allow-Methods", joined(methods));
    response.headers.emplace_back("Access-Control-Allow-Headers", "Content-Type, Idempotency-Key");
    response.headers.emplace_back("Access-Control-Allow-Private-Network", "true");
    response.headers.emplace_back("Access-Control-Max-Age", "600");
    response.headers.emplace_back("Allow", joined(methods));
    return response;
  }

  HttpResponse route(const HttpRequest& httpRequest) {
    if (!hostAllowed(httpRequest))
      return error(kHostNotAllowed,
                   "this service answers only requests addressed to localhost:" + std::to_string(settings.port) +
                       ", 127.0.0.1:" + std::to_string(settings.port) + " or [::1]:" + std::to_string(settings.port));
    const Route* route = findRoute(httpRequest.path);
    if (!route) return error(kNotFound, "no such endpoint: " + httpRequest.path + " (see /v1/openapi.json)");
    const std::string method = httpRequest.method == "HEAD" ? "GET" : httpRequest.method;
    if (method == "OPTIONS") return preflight(*route);
    if (const auto origin = headerOf(httpRequest, "Origin"); origin && !originAllowed(*origin))
      return error(kOriginNotAllowed, "web pages from " + *origin +
                                          " may not use this print service. An administrator allows them by starting "
                                          "vantory-service with --allow-origin " +
                                          *origin + " or by adding it to \"allowOrigins\" in the --config file");
    if (std::ranges::find(route->methods, method) == route->methods.end()) {
      auto response = error(kMethodNotAllowed, httpRequest.path + " answers " + joined(route->methods));
      response.headers.emplace_back("Allow", joined(route->methods) + ", OPTIONS");
      return response;
    }
    if (httpRequest.body.size() > settings.limits.maxBodyBytes) return refusedAnswer(413);

    try {
      if (route->path == "/v1/status") return status();
      if (route->path == "/v1/printers") return printerList();
      if (route->path == "/v1/openapi.json") return jsonAnswer(openApiDocument(settings.port));
      if (route->path == "/v1/settings-forms") return jsonAnswer(settingsFormsDocument());
      if (route->path == "/v1/labels/") return label(httpRequest.path.substr(route->path.size()));
      if (route->path == "/v1/preview") return preview(httpRequest);
      const auto printMethod =
          route->path == "/v1/PrintLabels" ? host::Method::PrintLabels : host::Method::PrintGENERICLabels;
      return print(printMethod, httpRequest);
    } catch (const host::RequestError& failure) {
      return error(kBadRequest, failure.what());
    } catch (const std::exception& failure) {
      return error(kInternal, failure.what());
    }
  }

  HttpResponse refusedAnswer(int status) const {
    switch (status) {
      case 413:
        return error(kTooLarge,
                     "the request body is larger than " + std::to_string(settings.limits.maxBodyBytes) + " bytes");
      case 414:
        return error({414, "TOO_LARGE"}, "the request line is too long");
      case 431:
        return error({431, "TOO_LARGE"}, "the request's headers are too large");
      case 408:
        return error({408, "TIMEOUT"}, "the request took too long to arrive");
      default:
        return error({status, "BAD_REQUEST"}, "the HTTP request could not be read");
    }
  }

  // --- endpoints ---

  HttpResponse status() const {
    const std::string version = std::to_string(control::kVersionMajor) + "." + std::to_string(control::kVersionMinor) +
                                "." + std::to_string(control::kVersionRevision);
    return jsonAnswer({{"service", "vantory-service"},
                       {"version", version},
                       {"controlVersion", control::kControlVersion},
                       {"port", settings.port},
                       {"cups", printers.mode() == "cups"},
                       {"printing", printers.mode()},
                       {"allowedOrigins", settings.allowedOrigins.size()}});
  }

  HttpResponse printerList() {
    std::vector<PrinterInfo> list;
    try {
      std::lock_guard lock(printing);
      list = printers.list();
    } catch (const PrinterUnavailable& failure) {
      return error(kPrinterUnavailable, failure.what());
    }
    json answer = json::array();
    for (const auto& printer : list)
      answer.push_back({{"name", printer.name},
                        {"description", printer.description},
                        {"makeAndModel", printer.makeAndModel},
                        {"state", printer.state},
                        {"reasons", printer.reasons},
                        {"acceptingJobs", printer.acceptingJobs},
                        {"defaultMedia", printer.defaultMedia}});
    return jsonAnswer({{"mode", printers.mode()}, {"printers", answer}});
  }

  HttpResponse label(const std::string& name) const {
    static const std::regex kLabelFile(R"((label-[0-9]{4,9})\.(png|json))");
    std::smatch parts;
    if (!std::regex_match(name, parts, kLabelFile))
      return error(kNotFound, "no such label: a label is named label-NNNN.png or label-NNNN.json");
    std::ifstream in(printers.folder() / name, std::ios::binary);
    if (!in) return error(kNotFound, "no label " + name + " was recorded");
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return {200, parts[2] == "png" ? "image/png" : "application/json", bytes.str(), {}};
  }

  // What a call would print, drawn on a copy of the request state without waiting for the
  // call's turn: callers' labels are drawn side by side. A preview is this alone; a print
  // then records these pictures in its turn instead of drawing again.
  struct Rehearsal {
    bool result = false;
    std::vector<control::DiagnosticMessage> diagnostics;
    std::vector<engine::DrawnLabel> drawn;
  };

  Rehearsal rehearse(host::Method method, const std::vector<automation::Value>& arguments) {
    control::LabelRequest copy = requestCopy();
    const auto renderer = renderers.lease();
    const auto sink = std::make_shared<engine::DrawingSink>(*renderer);
    HeadlessControl control(copy, sink);
    Rehearsal rehearsal;
    rehearsal.result = control.print(method, arguments);
    rehearsal.diagnostics = std::move(control.diagnostics.messages);
    rehearsal.drawn = sink->takeDrawn();
    return rehearsal;
  }

  control::LabelRequest requestCopy() {
    std::lock_guard lock(state);
    return request;
  }

  HttpResponse print(host::Method method, const HttpRequest& httpRequest) {
    const json body = parseBody(httpRequest.body);
    if (!body.is_object())
      throw host::RequestError("the body must be a JSON object whose members are the parameters of " +
                               std::string(method == host::Method::PrintLabels ? "PrintLabels" : "PrintGENERICLabels"));
    const auto arguments = host::argumentList(host::requestFromArguments(method, body));
    const auto key = idempotencyKey(httpRequest);
    // The rehearsal ran on the state as it was before the call's turn. A label that came out
    // differently in the turn (another call changed what it depends on) is drawn there, so
    // the record is always the label the call printed; so is every label when the rehearsal
    // could not run at all.
    Rehearsal ahead;
    try {
      ahead = rehearse(method, arguments);
    } catch (const std::exception&) {
      // Nothing drawn ahead: the turn draws every label itself.
    }

    std::lock_guard turn(printing);
    if (key)
      if (auto replay = replayed(*key)) return *replay;
    const auto& printerName = arguments[method == host::Method::PrintLabels ? 2 : 0];  // PrinterName
    if (const auto refusal = printers.refusal(automation::toUtf8(automation::tryTextOf(printerName).value_or(u""))))
      return error(kPrinterUnavailable, *refusal);

    bool result = false;
    {
      std::lock_guard lock(state);
      const auto reuse = printers.sink()->reuse(ahead.drawn);
      result = shared.print(method, arguments);
    }
    json labels = json::array();
    json job = nullptr;
    for (const auto& label : printers.takePrinted()) {
      const std::string id = label.description.stem().string();
      labels.push_back({{"id", id},
                        {"png", label.image.empty() ? json(nullptr) : json("/v1/labels/" + id + ".png")},
                        {"json", "/v1/labels/" + id + ".json"}});
      if (label.job) job = *label.job;
    }
    auto answer = jsonAnswer({{"result", result},
                              {"labels", labels},
                              {"job", job},
                              {"diagnostics", diagnosticsJson(shared.diagnostics.messages)}});
    if (key) remember(*key, answer);
    return answer;
  }

  HttpResponse preview(const HttpRequest& httpRequest) {
    const json body = parseBody(httpRequest.body);
    if (!body.is_object()) throw host::RequestError("the body must be a JSON object {\"method\", \"parameters\"}");
    const std::string methodName = body.value("method", "");
    host::Method method;
    if (methodName == "PrintLabels") {
      method = host::Method::PrintLabels;
    } else if (methodName == "PrintGENERICLabels") {
      method = host::Method::PrintGENERICLabels;
    } else {
      throw host::RequestError("method: must be \"PrintLabels\" or \"PrintGENERICLabels\"");
    }
    const json parameters = body.value("parameters", json::object());
    if (!parameters.is_object()) throw host::RequestError("parameters: must be a JSON object");
    const auto arguments = host::argumentList(host::requestFromArguments(method, parameters));

    // On a copy of the request state: the preview leaves the real one as it was.
    const Rehearsal rehearsal = rehearse(method, arguments);
    if (rehearsal.drawn.empty()) {
      std::string reasons;
      for (const auto& message : rehearsal.diagnostics)
        reasons += (reasons.empty() ? "" : " ") + automation::toUtf8(message.text);
      return error(kNotPrintable,
                   std::string("the control prints no label for these parameters") +
                       (rehearsal.result ? "" : " and answers False") + (reasons.empty() ? "" : ": " + reasons),
                   {{"diagnostics", diagnosticsJson(rehearsal.diagnostics)}});
    }
    const auto& png = rehearsal.drawn.front().png;
    return {200, "image/png", std::string(png.begin(), png.end()), {}};
  }

  // --- idempotency ---

  std::optional<std::string> idempotencyKey(const HttpRequest& httpRequest) const {
    auto key = headerOf(httpRequest, "Idempotency-Key");
    if (!key) return std::nullopt;
    const bool printable = std::ranges::all_of(*key, [](unsigned char c) { return c > 0x20 && c < 0x7f; });
    if (key->empty() || key->size() > settings.limits.maxIdempotencyKeyLength || !printable)
      throw host::RequestError("Idempotency-Key: give 1 to " + std::to_string(settings.limits.maxIdempotencyKeyLength) +
                               " visible ASCII characters");
    // Keys are kept apart per origin: one page never sees another's answer.
    return headerOf(httpRequest, "Origin").value_or("") + " " + *key;
  }

  void forgetOld() {
    const auto now = clock();
    while (!remembered.empty() && (remembered.size() > settings.limits.idempotencyEntries ||
                                   now - remembered.front().at >= settings.limits.idempotencyLifetime)) {
      answers.erase(remembered.front().key);
      remembered.pop_front();
    }
  }

  std::optional<HttpResponse> replayed(const std::string& key) {
    forgetOld();
    const auto found = answers.find(key);
    if (found == answers.end()) return std::nullopt;
    HttpResponse answer = found->second;
    answer.headers.emplace_back("Idempotent-Replayed", "true");
    return answer;
  }

  void remember(const std::string& key, const HttpResponse& answer) {
    answers[key] = answer;
    remembered.push_back({key, clock()});
    forgetOld();
  }

  struct Remembered {
    std::string key;
    std::chrono::steady_clock::time_point at;
  };

  Settings settings;
  Printers& printers;
  Clock clock;
  ArrivalOrderMutex printing;     // a print's turn: the printers, the shared control, the answers
  std::mutex state;               // the request state, held briefly: to copy it, or for a print's call
  control::LabelRequest request;  // the process's one request state
  HeadlessControl shared;
  RendererPool renderers;
  std::map<std::string, HttpResponse> answers;
  std::deque<Remembered> remembered;
};

bool CaseInsensitiveLess::operator()(const std::string& a, const std::string& b) const {
  return std::ranges::lexicographical_compare(
      a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) < std::tolower(y); });
}

std::optional<std::string> HttpResponse::header(const std::string& name) const {
  for (const auto& [key, value] : headers)
    if (lower(key) == lower(name)) return value;
  return std::nullopt;
}

Service::Service(Settings settings, Printers& printers, Clock clock)
    : impl_(std::make_unique<Impl>(std::move(settings), printers, std::move(clock))) {}

Service::~Service() = default;

HttpResponse Service::handle(const HttpRequest& request) {
  HttpResponse response;
  try {
    response = impl_->route(request);
  } catch (const std::exception& failure) {
    response = error(kInternal, failure.what());
  }
  impl_->addCors(response, request);
  return response;
}

HttpResponse Service::refused(int status, const HttpRequest& request) const {
  HttpResponse response = impl_->refusedAnswer(status);
  impl_->addCors(response, request);
  return response;
}

control::LabelRequest Service::requestState() const { return impl_->requestCopy(); }

std::string checkedOrigin(const std::string& origin) {
  static const std::regex kOrigin(R"((https?)://([a-z0-9.-]+|\[[0-9a-f:.]+\])(:[0-9]{1,5})?)");
  if (!std::regex_match(origin, kOrigin))
    throw std::invalid_argument("'" + origin +
                                "' is not a web origin: write scheme://host[:port] in lower case, nothing after it "
                                "(for example https://lab.example.org)");
  return origin;
}

}  // namespace service
