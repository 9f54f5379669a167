#include "service/service.h"

#include "automation/text.h"
#include "engine/print_job.h"
#include "requests/host_request.h"
#include "service/admission.h"
#include "service/documents.h"
#include "service/idempotency.h"
#include "service/label_retention.h"
#include "service/print_pipeline.h"
#include "service/routes.h"

namespace service {

namespace {

using nlohmann::json;

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

// {"result", "recordOnly", "labels": [{"id", "png", "json", "destination"}], "job", "diagnostics"}:
// "recordOnly" says the labels were recorded and not printed, "destination" the queue each went to.
HttpResponse printAnswer(const Printed& printed, bool recordOnly) {
  json labels = json::array();
  json job = nullptr;
  for (const auto& label : printed.labels) {
    const std::string id = label.description.stem().string();
    labels.push_back({{"id", id},
                      {"png", label.image.empty() ? json(nullptr) : json("/v1/labels/" + id + ".png")},
                      {"json", "/v1/labels/" + id + ".json"},
                      {"destination", label.destination.empty() ? json(nullptr) : json(label.destination)}});
    if (label.job > 0) job = label.job;
  }
  return jsonAnswer({{"result", printed.result},
                     {"recordOnly", recordOnly},
                     {"labels", labels},
                     {"job", job},
                     {"diagnostics", diagnosticsJson(printed.diagnostics)}});
}

HttpResponse busyAnswer() {
  auto answer = errorAnswer(kBusy, "the print service has as many labels in hand as it takes at once; try again in a moment");
  answer.headers.emplace_back("Retry-After", "1");
  return answer;
}

// A body of parameters named as the method's, as the arguments the method takes.
std::vector<automation::Value> argumentsOf(control::PrintMethod method, const json& parameters, const char* what) {
  if (!parameters.is_object())
    throw host::RequestError(std::string(what) + " must be a JSON object whose members are the parameters of " +
                             std::string(control::methodName(method)));
  return host::argumentList(host::requestFromArguments(method, parameters));
}

}  // namespace

struct Service::Impl {
  template <class... Printing>
  Impl(Settings settings, printers::PrinterList& printers, Clock clock, Printing&... printing)
      : settings(std::move(settings)),
        printers(printers),
        admission(this->settings),
        pipeline(printing..., this->settings.limits.maxRequestsInHand),
        answers(this->settings.limits, std::move(clock)) {
    if (this->settings.labelRetention.count() > 0) sweeper.emplace(printers.folder(), this->settings.labelRetention);
  }

  bool recordOnly() const { return printers.mode() == "record-only"; }

  HttpResponse route(const HttpRequest& request) {
    if (auto refusal = admission.hostRefusal(request)) return *refusal;
    if (auto refusal = admission.crossSiteRefusal(request)) return *refusal;
    const Route* route = findRoute(request.path);
    if (!route) return errorAnswer(kNotFound, "no such endpoint: " + request.path + " (see /v1/openapi.json)");
    const std::string method = routedMethod(request.method);
    if (method == "OPTIONS") return admission.preflight(route->methods);
    if (auto refusal = admission.originRefusal(request)) return *refusal;
    if (auto refusal = admission.accessRefusal(request, route->access)) return *refusal;
    if (std::ranges::find(route->methods, method) == route->methods.end()) {
      auto response = errorAnswer(kMethodNotAllowed, request.path + " answers " + methodList(route->methods));
      response.headers.emplace_back("Allow", methodList(route->methods) + ", OPTIONS");
      return response;
    }
    if (request.body.size() > settings.limits.maxBodyBytes) return refusedAnswer(413);

    try {
      switch (route->endpoint) {
        case Endpoint::Status: return jsonAnswer(statusDocument(settings, printers.mode()));
        case Endpoint::Printers: return printerList();
        case Endpoint::Printer: return printerReadiness(request.path.substr(route->path.size()));
        case Endpoint::OpenApi: return jsonAnswer(openApiDocument(settings.port));
        case Endpoint::SettingsForms: return jsonAnswer(settingsFormsDocument());
        case Endpoint::Label: return labelFile(printers.folder(), request.path.substr(route->path.size()));
        case Endpoint::Preview: return preview(request);
        case Endpoint::PrintLabels: return print(control::PrintMethod::PrintLabels, request);
        case Endpoint::PrintGENERICLabels: return print(control::PrintMethod::PrintGENERICLabels, request);
      }
      return errorAnswer(kNotFound, "no such endpoint: " + request.path);
    } catch (const host::RequestError& failure) {
      return errorAnswer(kBadRequest, failure.what());
    } catch (const std::exception& failure) {
      return errorAnswer(kInternal, failure.what());
    }
  }

  HttpResponse refusedAnswer(int status) const {
    const auto& limits = settings.limits;
    switch (status) {
      case 413:
        return errorAnswer(kTooLarge, "the request body is larger than " + std::to_string(limits.maxBodyBytes) + " bytes");
      case 414:
        return errorAnswer(kRequestLineTooLong,
                           "the request line is longer than " + std::to_string(limits.maxRequestLineBytes) + " bytes");
      case 431:
        return errorAnswer(kHeaderTooLarge, "the request's header is larger than " +
                                                std::to_string(limits.maxHeaderBytes) + " bytes or has more than " +
                                                std::to_string(limits.maxHeaderFields) + " fields");
      case 408:
        return errorAnswer(kTimeout, "the request did not arrive whole within " +
                                         std::to_string(limits.headerDeadline.count()) + " ms (header) and " +
                                         std::to_string(limits.readTimeout.count()) + " ms (body)");
      default:
        return errorAnswer({status, "BAD_REQUEST"}, "the HTTP request could not be read");
    }
  }

  HttpResponse printerReadiness(const std::string& name) {
    try {
      return pipeline.inTurn([&](PrintPipeline::Turn& turn) {
        const auto destinations = turn.printers().list();
        std::optional<std::string> refusal = turn.printers().refusal(name);
        const printers::Destination* destination = nullptr;
        if (recordOnly()) {
          destination = &destinations.front();  // the virtual printer takes every label
        } else {
          std::vector<engine::PrinterIdentity> identities;
          for (const auto& printer : destinations) identities.push_back({printer.name, {printer.description}});
          if (const auto chosen = engine::choosePrinter(identities, name)) destination = &destinations[*chosen];
          if (!destination && !refusal)
            refusal = "no printer is named '" + name + "'; the printers are: " + engine::describePrinters(identities);
        }
        return jsonAnswer(printerReadinessDocument(name, destination, refusal));
      });
    } catch (const printers::Unavailable& failure) {
      return errorAnswer(kPrinterUnavailable, failure.what());
    }
  }

  HttpResponse printerList() {
    try {
      const auto destinations = pipeline.inTurn([](PrintPipeline::Turn& turn) { return turn.printers().list(); });
      return jsonAnswer(printersDocument(printers.mode(), destinations));
    } catch (const printers::Unavailable& failure) {
      return errorAnswer(kPrinterUnavailable, failure.what());
    }
  }

  HttpResponse print(control::PrintMethod method, const HttpRequest& request) {
    const auto arguments = argumentsOf(method, host::parseJson(request.body, "the body"), "the body");
    const auto key = answers.keyOf(request);
    const auto digest = IdempotentAnswers::digestOf(request);
    const auto place = pipeline.enter();
    if (!place) return busyAnswer();
    Rehearsal ahead;
    try {
      if (pipeline.drawsAhead()) ahead = pipeline.rehearse(method, arguments);
    } catch (const std::exception&) {
      // Nothing drawn ahead: the turn draws every label itself.
    }
    return pipeline.inTurn([&](PrintPipeline::Turn& turn) {
      if (key)
        if (auto replay = answers.replayed(*key, digest)) return *replay;
      const auto& printer = arguments[control::parameterIndex(method, "PrinterName")];
      if (const auto refusal = turn.printers().refusal(automation::toUtf8(automation::tryTextOf(printer).value_or(u""))))
        return errorAnswer(kPrinterUnavailable, *refusal);
      const Printed printed = turn.print(method, arguments, ahead);
      // Not remembered: the same key tries again once the engine is there.
      if (printed.engineUnavailable) return errorAnswer(kEngineUnavailable, *printed.engineUnavailable);
      auto answer = printAnswer(printed, recordOnly());
      if (key) answers.remember(*key, digest, answer);
      return answer;
    });
  }

  HttpResponse preview(const HttpRequest& request) {
    const json body = host::parseJson(request.body, "the body");
    if (!body.is_object()) throw host::RequestError("the body must be a JSON object {\"method\", \"parameters\"}");
    const std::string methodName = body.value("method", "");
    control::PrintMethod method;
    if (methodName == control::methodName(control::PrintMethod::PrintLabels)) {
      method = control::PrintMethod::PrintLabels;
    } else if (methodName == control::methodName(control::PrintMethod::PrintGENERICLabels)) {
      method = control::PrintMethod::PrintGENERICLabels;
    } else {
      throw host::RequestError("method: must be \"PrintLabels\" or \"PrintGENERICLabels\"");
    }
    const auto arguments = argumentsOf(method, body.value("parameters", json::object()), "parameters");
    const auto place = pipeline.enter();
    if (!place) return busyAnswer();

    // On a copy of the request state: the preview leaves the real one as it was.
    const Rehearsal rehearsal = pipeline.rehearse(method, arguments);
    if (rehearsal.drawn.empty()) {
      std::string message = "the control prints no label for these parameters";
      if (!rehearsal.result) message += " and answers False";
      const char* separator = ": ";
      for (const auto& diagnostic : rehearsal.diagnostics) {
        message += separator;
        message += automation::toUtf8(diagnostic.text);
        separator = " ";
      }
      return errorAnswer(kNotPrintable, message, {{"diagnostics", diagnosticsJson(rehearsal.diagnostics)}});
    }
    const auto& png = rehearsal.drawn.front().png;
    return {200, "image/png", std::string(png.begin(), png.end()), {}};
  }

  Settings settings;
  printers::PrinterList& printers;
  Admission admission;
  PrintPipeline pipeline;
  IdempotentAnswers answers;  // used in a print's turn only
  std::optional<LabelSweeper> sweeper;
};

Service::Service(Settings settings, printers::Printers& printers, Clock clock)
    : impl_(std::make_unique<Impl>(std::move(settings), printers, std::move(clock), printers)) {}

Service::Service(Settings settings, printers::PrinterList& printers, CallPrinter& printer, Clock clock)
    : impl_(std::make_unique<Impl>(std::move(settings), printers, std::move(clock), printers, printer)) {}

Service::~Service() = default;

HttpResponse Service::handle(const HttpRequest& request) {
  HttpResponse response;
  try {
    response = impl_->route(request);
  } catch (const std::exception& failure) {
    response = errorAnswer(kInternal, failure.what());
  }
  impl_->admission.addCors(response, request);
  return response;
}

HttpResponse Service::refused(int status, const HttpRequest& request) const {
  HttpResponse response = impl_->refusedAnswer(status);
  impl_->admission.addCors(response, request);
  return response;
}

control::LabelRequest Service::requestState() const { return impl_->pipeline.requestState(); }

}  // namespace service
