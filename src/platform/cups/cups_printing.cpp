#include "cups_printing.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <string_view>
#include <tuple>

#include "engine/print_job.h"
#include "platform/cups/cups_library.h"

namespace cups_printing {

namespace {

struct HttpClose {
  void operator()(http_t* http) const noexcept { cups().httpClose(http); }
};
using Connection = std::unique_ptr<http_t, HttpClose>;

struct DestInfoFree {
  void operator()(cups_dinfo_t* info) const noexcept { cups().cupsFreeDestInfo(info); }
};
using DestInfo = std::unique_ptr<cups_dinfo_t, DestInfoFree>;

struct RasterClose {
  void operator()(cups_raster_t* raster) const noexcept { cups().cupsRasterClose(raster); }
};
using RasterStream = std::unique_ptr<cups_raster_t, RasterClose>;

// The destinations cupsGetDests2 hands out, freed together.
class DestinationArray {
 public:
  explicit DestinationArray(http_t* http) {
    count_ = cups().cupsGetDests2(http, &dests_);
    // A server without printers answers "not found"; anything else is a failure to list.
    const ipp_status_t status = cups().cupsLastError();
    if (count_ == 0 && status > IPP_STATUS_OK_EVENTS_COMPLETE && status != IPP_STATUS_ERROR_NOT_FOUND)
      throw CupsError(std::string("the CUPS server at ") + cups().cupsServer() +
                      " did not list its printers: " + cups().cupsLastErrorString());
  }
  ~DestinationArray() { cups().cupsFreeDests(count_, dests_); }
  DestinationArray(const DestinationArray&) = delete;
  DestinationArray& operator=(const DestinationArray&) = delete;

  // Printer queues and classes; lpoptions instances ("name/instance") are left out.
  std::vector<cups_dest_t*> queues() const {
    std::vector<cups_dest_t*> found;
    for (cups_dest_t& dest : std::span(dests_, static_cast<std::size_t>(count_)))
      if (!dest.instance) found.push_back(&dest);
    return found;
  }

 private:
  int count_ = 0;
  cups_dest_t* dests_ = nullptr;
};

// The server the CUPS environment names (CUPS_SERVER, client.conf), or none. Throws
// CupsError only when libcups cannot be loaded.
Connection tryConnect() {
  const CupsLibrary& lib = cups();
  return Connection(
      lib.httpConnect2(lib.cupsServer(), lib.ippPort(), nullptr, AF_UNSPEC, lib.cupsEncryption(), 1, 10000, nullptr));
}

Connection connect() {
  Connection http = tryConnect();
  if (!http)
    throw CupsError(std::string("cannot reach the CUPS server at ") + cups().cupsServer() + ": " +
                    cups().cupsLastErrorString());
  return http;
}

std::string option(const cups_dest_t& dest, const char* name) {
  const char* value = cups().cupsGetOption(name, dest.num_options, dest.options);
  return value ? value : "";
}

Destination describe(const cups_dest_t& dest) {
  Destination d;
  d.name = dest.name;
  d.description = option(dest, "printer-info");
  d.makeAndModel = option(dest, "printer-make-and-model");
  const std::string state = option(dest, "printer-state");
  d.state = state == "5" ? "stopped" : state == "4" ? "processing" : "idle";
  const std::string reasons = option(dest, "printer-state-reasons");
  for (std::size_t start = 0; start < reasons.size();) {
    const std::size_t comma = std::min(reasons.find(',', start), reasons.size());
    const std::string reason = reasons.substr(start, comma - start);
    if (!reason.empty() && reason != "none") d.reasons.push_back(reason);
    start = comma + 1;
  }
  d.acceptingJobs = option(dest, "printer-is-accepting-jobs") == "true";
  d.isDefault = dest.is_default != 0;
  return d;
}

// The name a PPD gives a size ("Letter", "w167h288") for the PWG name CUPS reports it by
// ("na_letter_8.5x11in", "custom_58.76x101.6mm_58.76x101.6mm").
std::string ppdMediaName(const char* pwgName) {
  const pwg_media_t* media = cups().pwgMediaForPWG(pwgName);
  if (!media) return pwgName;
  if (media->ppd && !std::string_view(pwgName).starts_with("custom_")) return media->ppd;
  char name[64];
  std::snprintf(name, sizeof name, "w%ldh%ld", std::lround(media->width * 72.0 / 2540),
                std::lround(media->length * 72.0 / 2540));
  return name;
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

engine::PrinterIdentity identity(const cups_dest_t& dest) { return {dest.name, {option(dest, "printer-info")}}; }

// The destination a label's printer names: by queue name or description, any letter case.
cups_dest_t& findDestination(const DestinationArray& dests, const std::string& printer) {
  const std::vector<cups_dest_t*> queues = dests.queues();
  std::vector<engine::PrinterIdentity> identities;
  for (const cups_dest_t* dest : queues) identities.push_back(identity(*dest));
  if (const auto chosen = engine::choosePrinter(identities, printer)) return *queues[*chosen];
  const std::string known = engine::describePrinters(identities);
  throw CupsError("no CUPS destination is named " + quoted(printer) + "; " +
                  (known.empty() ? std::string("the server has none") : "the destinations are: " + known));
}

struct IppDelete {
  void operator()(ipp_t* ipp) const noexcept { cups().ippDelete(ipp); }
};
using Ipp = std::unique_ptr<ipp_t, IppDelete>;

// The destination's state now (what cupsGetDests2 said may be old): its printer-state,
// printer-state-reasons and printer-is-accepting-jobs in place of the listed ones. Nothing
// when the server did not answer.
std::optional<Destination> currentState(http_t* http, const cups_dest_t& dest) {
  Destination d = describe(dest);
  const std::string uri = option(dest, "printer-uri-supported");
  if (uri.empty()) return d;
  ipp_t* request = cups().ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
  cups().ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri.c_str());
  static constexpr const char* kWanted[] = {"printer-state", "printer-state-reasons", "printer-is-accepting-jobs"};
  cups().ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 3, nullptr, kWanted);
  const Ipp response(cups().cupsDoRequest(http, request, "/"));  // frees the request
  if (!response || cups().cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE) return std::nullopt;
  if (ipp_attribute_t* state = cups().ippFindAttribute(response.get(), "printer-state", IPP_TAG_ENUM)) {
    const int value = cups().ippGetInteger(state, 0);
    d.state = value == IPP_PSTATE_STOPPED ? "stopped" : value == IPP_PSTATE_PROCESSING ? "processing" : "idle";
  }
  if (ipp_attribute_t* reasons = cups().ippFindAttribute(response.get(), "printer-state-reasons", IPP_TAG_KEYWORD)) {
    d.reasons.clear();
    for (int i = 0; i < cups().ippGetCount(reasons); ++i)
      if (const char* reason = cups().ippGetString(reasons, i, nullptr); reason && std::string_view(reason) != "none")
        d.reasons.emplace_back(reason);
  }
  if (ipp_attribute_t* accepting =
          cups().ippFindAttribute(response.get(), "printer-is-accepting-jobs", IPP_TAG_BOOLEAN))
    d.acceptingJobs = cups().ippGetBoolean(accepting, 0);
  return d;
}

void checkReady(const Destination& d) {
  if (const auto why = printers::notReady(d)) throw CupsError("the CUPS destination " + quoted(d.name) + " is " + *why);
}

struct Media {
  cups_size_t size{};
  bool quarterTurn = false;
};

// The destination's media of the stock's size: a named size lying as the label does, or
// the other way round (the label is then turned), or else a custom size of exactly the label.
std::optional<Media> findMedia(http_t* http, cups_dest_t& dest, cups_dinfo_t* info, const engine::LabelStock& stock) {
  const int count = cups().cupsGetDestMediaCount(http, &dest, info, CUPS_MEDIA_FLAGS_DEFAULT);
  std::vector<cups_size_t> listed;
  std::vector<engine::PaperSize> sizes;
  for (int i = 0; i < count; ++i) {
    cups_size_t size{};
    if (!cups().cupsGetDestMediaByIndex(http, &dest, info, i, CUPS_MEDIA_FLAGS_DEFAULT, &size)) continue;
    listed.push_back(size);
    sizes.push_back({size.width, size.length});
  }
  if (const auto chosen = engine::choosePaper(sizes, stock)) return Media{listed[chosen->index], chosen->quarterTurn};
  const int width = engine::hundredthsOfMm(stock.width), length = engine::hundredthsOfMm(stock.height);
  Media custom;
  if (cups().cupsGetDestMediaBySize(http, &dest, info, width, length, CUPS_MEDIA_FLAGS_EXACT, &custom.size))
    if (const auto fits = engine::choosePaper(std::array{engine::PaperSize{custom.size.width, custom.size.length}}, stock);
        fits && !fits->quarterTurn)
      return custom;
  return std::nullopt;
}

std::pair<int, int> resolution(http_t* http, cups_dest_t& dest, cups_dinfo_t* info) {
  if (ipp_attribute_t* attr = cups().cupsFindDestDefault(http, &dest, info, "printer-resolution")) {
    ipp_res_t units = IPP_RES_PER_INCH;
    int y = 0;
    const int x = cups().ippGetResolution(attr, 0, &y, &units);
    if (x > 0 && y > 0 && units == IPP_RES_PER_INCH) return {x, y};
    if (x > 0 && y > 0 && units == IPP_RES_PER_CM) return {static_cast<int>(std::lround(x * 2.54)),
                                                          static_cast<int>(std::lround(y * 2.54))};
  }
  return {static_cast<int>(engine::kPrinterDpi), static_cast<int>(engine::kPrinterDpi)};
}

// CUPS raster goes straight to a CUPS raster driver (the LabelWriter's); PWG raster suits
// driverless printers and the generic filters.
const char* documentFormat(http_t* http, cups_dest_t& dest, cups_dinfo_t* info) {
  for (const char* format : {"application/vnd.cups-raster", "image/pwg-raster"})
    if (cups().cupsCheckDestSupported(http, &dest, info, "document-format", format)) return format;
  return nullptr;
}

ssize_t appendBytes(void* context, unsigned char* bytes, std::size_t length) noexcept {
  try {
    auto& out = *static_cast<std::vector<unsigned char>*>(context);
    out.insert(out.end(), bytes, bytes + length);
    return static_cast<ssize_t>(length);
  } catch (const std::bad_alloc&) {
    return -1;
  }
}

// The document: the page `copies` times, in CUPS or PWG raster.
std::vector<unsigned char> rasterDocument(const engine::Bitmap& page, const engine::PageLayout& layout, const Media& media,
                                          int copies, bool pwg) {
  pwg_media_t size{media.size.media, nullptr, nullptr, media.size.width, media.size.length};
  cups_page_header2_t header;
  if (!cups().cupsRasterInitPWGHeader(&header, &size, "black_1", layout.xDpi, layout.yDpi, "one-sided", nullptr))
    throw CupsError(std::string("cannot describe the raster page: ") + cups().cupsRasterErrorString());
  header.cupsWidth = static_cast<unsigned>(page.width);
  header.cupsHeight = static_cast<unsigned>(page.height);
  header.cupsBytesPerLine = static_cast<unsigned>(page.rowBytes);
  header.NumCopies = 1;
  if (pwg) header.cupsInteger[0] = static_cast<unsigned>(copies);  // PWG's TotalPageCount

  std::vector<unsigned char> document;
  const RasterStream raster(
      cups().cupsRasterOpenIO(appendBytes, &document, pwg ? CUPS_RASTER_WRITE_PWG : CUPS_RASTER_WRITE_COMPRESSED));
  if (!raster) throw CupsError(std::string("cannot write raster: ") + cups().cupsRasterErrorString());
  std::vector<unsigned char> bits(page.bits.begin(), page.bits.end());  // the writer takes a non-const buffer
  for (int copy = 0; copy < copies; ++copy) {
    if (!cups().cupsRasterWriteHeader2(raster.get(), &header) ||
        cups().cupsRasterWritePixels(raster.get(), bits.data(), static_cast<unsigned>(bits.size())) < bits.size())
      throw CupsError(std::string("cannot write raster: ") + cups().cupsRasterErrorString());
  }
  return document;
}

}  // namespace

// The connection, the server's destinations and what each supports, kept from label to label:
// asking for them again costs more than the rest of a print. Each print still asks for the
// destination's state.
struct CupsSink::Session {
  Connection http = connect();
  std::unique_ptr<DestinationArray> dests = std::make_unique<DestinationArray>(http.get());
  std::map<std::string, DestInfo> capabilities;  // by queue name
  cups_dest_t* dest = nullptr;                    // the destination of the label at hand
  Destination state;                              // and its state, just asked

  cups_dest_t& destination(const std::string& printer) {
    try {
      return findDestination(*dests, printer);
    } catch (const CupsError&) {
      // A queue added since the list was read.
      dests = std::make_unique<DestinationArray>(http.get());
      capabilities.clear();
      return findDestination(*dests, printer);
    }
  }

  cups_dinfo_t* capabilitiesOf(cups_dest_t& dest) {
    DestInfo& info = capabilities[dest.name];
    if (!info) info.reset(cups().cupsCopyDestInfo(http.get(), &dest));
    if (!info)
      throw CupsError("cannot read what the CUPS destination " + quoted(dest.name) + " supports: " +
                      cups().cupsLastErrorString());
    return info.get();
  }
};

std::vector<Destination> listDestinations() {
  const Connection http = connect();
  const DestinationArray dests(http.get());
  std::vector<Destination> list;
  for (cups_dest_t* dest : dests.queues()) {
    Destination d = describe(*dest);
    if (const DestInfo info{cups().cupsCopyDestInfo(http.get(), dest)})
      if (ipp_attribute_t* media = cups().cupsFindDestDefault(http.get(), dest, info.get(), CUPS_MEDIA))
        if (const char* pwgName = cups().ippGetString(media, 0, nullptr)) d.defaultMedia = ppdMediaName(pwgName);
    list.push_back(std::move(d));
  }
  return list;
}

CupsSink::CupsSink(std::filesystem::path folder, engine::LabelNames names)
    : ImageFolderSink(std::move(folder), names) {}

CupsSink::~CupsSink() = default;

CupsSink::Session& CupsSink::session(const std::string& printer) {
  // A kept session whose server went away (or restarted) gets one fresh start.
  for (const bool kept : {session_ != nullptr, false}) {
    if (!kept) session_ = std::make_unique<Session>();
    session_->dest = &session_->destination(printer);
    if (std::optional<Destination> now = currentState(session_->http.get(), *session_->dest)) {
      session_->state = std::move(*now);
      return *session_;
    }
    if (!kept) break;
  }
  const std::string why = cups().cupsLastErrorString();
  session_.reset();
  throw CupsError(std::string("the CUPS server at ") + cups().cupsServer() + " did not tell the state of " +
                  quoted(printer) + ": " + why);
}

std::optional<engine::Delivery> CupsSink::deliver(const engine::LabelDescription& label,
                                                  const std::optional<std::vector<std::uint8_t>>& png) {
  if (!png) throw CupsError("the label has no picture to print");
  // What goes to the printer is exactly the picture the record keeps.
  const engine::Bitmap drawn = engine::decodePng(*png);

  Session& kept = session(label.printer);
  checkReady(kept.state);
  cups_dest_t& dest = *kept.dest;
  const std::string name = quoted(dest.name);
  http_t* const http = kept.http.get();
  const DestInfo::pointer info = kept.capabilitiesOf(dest);

  const std::optional<Media> media = findMedia(http, dest, info, label.stock);
  if (!media)
    throw CupsError("the CUPS destination " + name + " has no media of the label's size, " +
                    engine::describeStock(label.stock));
  const char* format = documentFormat(http, dest, info);
  if (!format) throw CupsError("the CUPS destination " + name + " accepts neither CUPS nor PWG raster");

  engine::PageLayout layout;
  std::tie(layout.xDpi, layout.yDpi) = resolution(http, dest, info);
  layout.width = static_cast<int>(std::lround(media->size.width * layout.xDpi / 2540.0));
  layout.height = static_cast<int>(std::lround(media->size.length * layout.yDpi / 2540.0));
  layout.quarterTurn = media->quarterTurn;
  // The driver here prints one label per page whatever the job's copies say, so every
  // copy is a page of its own.
  const std::vector<unsigned char> document = rasterDocument(engine::layOut(drawn, layout), layout, *media, label.copies,
                                                             std::string_view(format) == "image/pwg-raster");

  // One Print-Job request: the job and its document in one go.
  const std::string title = engine::jobTitle(label);
  const Ipp request(cups().ippNewRequest(IPP_OP_PRINT_JOB));
  cups().ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
               option(dest, "printer-uri-supported").c_str());
  cups().ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                      cups().cupsUser());
  cups().ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, title.c_str());
  cups().ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr, format);
  cups().ippAddString(request.get(), IPP_TAG_JOB, IPP_TAG_KEYWORD, CUPS_MEDIA, nullptr, media->size.media);
  Ipp response;
  if (cups().cupsSendRequest(http, request.get(), "/", cups().ippLength(request.get()) + document.size()) ==
          HTTP_STATUS_CONTINUE &&
      cups().cupsWriteRequestData(http, reinterpret_cast<const char*>(document.data()), document.size()) ==
          HTTP_STATUS_CONTINUE)
    response.reset(cups().cupsGetResponse(http, "/"));
  ipp_attribute_t* const jobId =
      response ? cups().ippFindAttribute(response.get(), "job-id", IPP_TAG_INTEGER) : nullptr;
  if (!response || cups().cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE || !jobId) {
    const std::string why = cups().cupsLastErrorString();
    session_.reset();  // the connection may be in any state now
    throw CupsError("the CUPS destination " + name + " refused the job: " + why);
  }
  const int job = cups().ippGetInteger(jobId, 0);
  return engine::Delivery{dest.name, job, engine::utcNow()};
}

void CupsSink::withdraw(const engine::Delivery& delivery) noexcept {
  // Best effort: the record could not be written, so the label must not print either.
  // (libcups is loaded: the label was delivered through it.)
  try {
    if (const Connection http = tryConnect())
      cups().cupsCancelJob2(http.get(), delivery.destination.c_str(), delivery.job, 0);
  } catch (...) {
  }
}

}  // namespace cups_printing
