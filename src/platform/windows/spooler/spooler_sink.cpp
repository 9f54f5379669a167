#include "platform/windows/spooler/spooler_sink.h"

#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <string_view>
#include <type_traits>

#include "automation/text.h"
#include "engine/c_resource.h"

namespace windows::spooler {

namespace {

std::wstring wide(std::string_view utf8) {
  const std::u16string text = automation::fromUtf8(utf8);
  return {text.begin(), text.end()};
}

std::string narrow(const wchar_t* text) {
  return text ? automation::toUtf8(reinterpret_cast<const char16_t*>(text)) : std::string();
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

// The system's words for an error code, with the code.
std::string systemMessage(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text = length ? narrow(buffer) : std::string();
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
    text.pop_back();
  return (text.empty() ? std::string("error") : text) + " (" + std::to_string(code) + ")";
}

using PrinterHandle = engine::CResource<std::remove_pointer_t<HANDLE>, ClosePrinter>;
using PrinterDc = engine::CResource<std::remove_pointer_t<HDC>, DeleteDC>;

PrinterHandle openPrinter(const std::wstring& name) {
  HANDLE handle = nullptr;
  if (!OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &handle, nullptr))
    throw SpoolerError("the Windows printer " + quoted(narrow(name.c_str())) + " cannot be opened: " +
                       systemMessage(GetLastError()));
  return PrinterHandle(handle);
}

// The PRINTER_INFO_2 of an open printer, in the buffer that holds its strings.
std::vector<BYTE> printerInfo(HANDLE printer) {
  DWORD needed = 0;
  GetPrinterW(printer, 2, nullptr, 0, &needed);
  std::vector<BYTE> buffer(std::max<DWORD>(needed, sizeof(PRINTER_INFO_2W)));
  if (!GetPrinterW(printer, 2, buffer.data(), static_cast<DWORD>(buffer.size()), &needed))
    throw SpoolerError("the spooler did not tell the printer's state: " + systemMessage(GetLastError()));
  return buffer;
}

// The printer's papers: their ids and sizes (DeviceCapabilities gives tenths of a millimetre).
struct Papers {
  std::vector<WORD> ids;
  std::vector<engine::PaperSize> sizes;
};
Papers papersOf(const std::wstring& printer, const std::wstring& port) {
  const int count = DeviceCapabilitiesW(printer.c_str(), port.c_str(), DC_PAPERS, nullptr, nullptr);
  Papers papers;
  if (count <= 0) return papers;
  papers.ids.resize(static_cast<std::size_t>(count));
  std::vector<POINT> sizes(static_cast<std::size_t>(count));
  if (DeviceCapabilitiesW(printer.c_str(), port.c_str(), DC_PAPERS, reinterpret_cast<wchar_t*>(papers.ids.data()),
                          nullptr) != count ||
      DeviceCapabilitiesW(printer.c_str(), port.c_str(), DC_PAPERSIZE, reinterpret_cast<wchar_t*>(sizes.data()),
                          nullptr) != count)
    return {};
  for (const POINT& size : sizes) papers.sizes.push_back({static_cast<int>(size.x * 10), static_cast<int>(size.y * 10)});
  return papers;
}

// The printer's default settings with this paper, portrait, one copy.
std::vector<BYTE> settingsFor(HANDLE printer, const std::wstring& name, WORD paper) {
  const LONG size = DocumentPropertiesW(nullptr, printer, const_cast<wchar_t*>(name.c_str()), nullptr, nullptr, 0);
  if (size < static_cast<LONG>(sizeof(DEVMODEW)))
    throw SpoolerError("the printer's driver did not give its settings: " + systemMessage(GetLastError()));
  std::vector<BYTE> buffer(static_cast<std::size_t>(size));
  auto* settings = reinterpret_cast<DEVMODEW*>(buffer.data());
  if (DocumentPropertiesW(nullptr, printer, const_cast<wchar_t*>(name.c_str()), settings, nullptr, DM_OUT_BUFFER) != IDOK)
    throw SpoolerError("the printer's driver did not give its settings: " + systemMessage(GetLastError()));
  settings->dmFields |= DM_PAPERSIZE | DM_ORIENTATION | DM_COPIES;
  settings->dmFields &= ~(DM_PAPERLENGTH | DM_PAPERWIDTH | DM_FORMNAME);
  settings->dmPaperSize = static_cast<short>(paper);
  settings->dmOrientation = DMORIENT_PORTRAIT;
  settings->dmCopies = 1;  // each copy is a page: drivers differ in what they make of a copy count
  if (DocumentPropertiesW(nullptr, printer, const_cast<wchar_t*>(name.c_str()), settings, settings,
                          DM_IN_BUFFER | DM_OUT_BUFFER) != IDOK)
    throw SpoolerError("the printer's driver refused the label's paper: " + systemMessage(GetLastError()));
  return buffer;
}

// A 1-bit top-down DIB of the page: its header with black and white, and rows padded to
// four bytes.
struct PageDib {
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[2];
  } info{};
  std::vector<BYTE> rows;

  explicit PageDib(const engine::Bitmap& page) {
    info.header.biSize = sizeof info.header;
    info.header.biWidth = page.width;
    info.header.biHeight = -page.height;
    info.header.biPlanes = 1;
    info.header.biBitCount = 1;
    info.header.biCompression = BI_RGB;
    info.colours[0] = {255, 255, 255, 0};  // a clear bit: paper
    info.colours[1] = {0, 0, 0, 0};        // a set bit: ink
    const std::size_t stride = (page.rowBytes + 3) & ~std::size_t{3};
    rows.assign(stride * static_cast<std::size_t>(page.height), 0);
    for (int y = 0; y < page.height; ++y)
      std::copy_n(page.bits.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(y) * page.rowBytes),
                  page.rowBytes, rows.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(y) * stride));
  }
};

// A document the spooler is writing: aborted unless it ended.
class Document {
 public:
  Document(HDC dc, const std::wstring& title) : dc_(dc) {
    DOCINFOW info{};
    info.cbSize = sizeof info;
    info.lpszDocName = title.c_str();
    job_ = StartDocW(dc_, &info);
    if (job_ <= 0) throw SpoolerError("the spooler did not start the job: " + systemMessage(GetLastError()));
  }
  ~Document() {
    if (!ended_) AbortDoc(dc_);
  }
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  int job() const noexcept { return job_; }

  void page(const PageDib& dib, engine::Placement at, int width, int height) {
    if (StartPage(dc_) <= 0) throw SpoolerError("the spooler did not start a page: " + systemMessage(GetLastError()));
    const int lines = StretchDIBits(dc_, at.x, at.y, width, height, 0, 0, width, height, dib.rows.data(),
                                    reinterpret_cast<const BITMAPINFO*>(&dib.info), DIB_RGB_COLORS, SRCCOPY);
    if (lines == 0 || lines == static_cast<int>(GDI_ERROR))
      throw SpoolerError("the printer's driver did not take the label's picture: " + systemMessage(GetLastError()));
    if (EndPage(dc_) <= 0) throw SpoolerError("the spooler did not take a page: " + systemMessage(GetLastError()));
  }

  void end() {
    ended_ = true;
    if (EndDoc(dc_) <= 0) throw SpoolerError("the spooler did not finish the job: " + systemMessage(GetLastError()));
  }

 private:
  HDC dc_;
  int job_ = 0;
  bool ended_ = false;
};

}  // namespace

namespace {

// What each state the spooler reports means: in words for a refusal, and as IPP's keyword.
struct StateReason {
  unsigned long bit;
  const char* words;
  const char* keyword;
};
constexpr StateReason kStateReasons[] = {
    {PRINTER_STATUS_PAUSED, "paused", "paused"},
    {PRINTER_STATUS_OFFLINE, "offline", "offline-report"},
    {PRINTER_STATUS_PENDING_DELETION, "being deleted", "deactivated"},
    {PRINTER_STATUS_ERROR, "in an error state", "other"},
    {PRINTER_STATUS_NOT_AVAILABLE, "not available", "offline-report"},
    {PRINTER_STATUS_PAPER_OUT, "out of labels", "media-empty"},
    {PRINTER_STATUS_PAPER_JAM, "jammed", "media-jam"},
    {PRINTER_STATUS_PAPER_PROBLEM, "reporting a paper problem", "media-needed"},
    {PRINTER_STATUS_DOOR_OPEN, "open", "door-open"},
    {PRINTER_STATUS_USER_INTERVENTION, "waiting for someone to attend to it", "other"},
    {PRINTER_STATUS_NO_TONER, "out of ink", "toner-empty"},
    {PRINTER_STATUS_OUTPUT_BIN_FULL, "full", "output-area-full"},
};

// "Use Printer Offline": the spooler keeps the jobs, the printer gets none.
bool setOffline(unsigned long status, unsigned long attributes) {
  return (attributes & PRINTER_ATTRIBUTE_WORK_OFFLINE) && !(status & PRINTER_STATUS_OFFLINE);
}

std::string defaultPrinterName() {
  DWORD size = 0;
  GetDefaultPrinterW(nullptr, &size);
  if (size == 0) return {};
  std::wstring name(size, L'\0');
  if (!GetDefaultPrinterW(name.data(), &size)) return {};
  return narrow(name.c_str());
}

}  // namespace

std::optional<std::string> unavailability(unsigned long status, unsigned long attributes) {
  std::string why;
  for (const StateReason& reason : kStateReasons)
    if (status & reason.bit) why += (why.empty() ? "" : ", ") + std::string(reason.words);
  if (setOffline(status, attributes)) why += (why.empty() ? "" : ", ") + std::string("set to be used offline");
  if (why.empty()) return std::nullopt;
  return why;
}

std::vector<std::string> stateReasons(unsigned long status, unsigned long attributes) {
  std::vector<std::string> reasons;
  const auto add = [&](const char* keyword) {
    if (std::find(reasons.begin(), reasons.end(), keyword) == reasons.end()) reasons.emplace_back(keyword);
  };
  for (const StateReason& reason : kStateReasons)
    if (status & reason.bit) add(reason.keyword);
  if (setOffline(status, attributes)) add("offline-report");
  return reasons;
}

std::vector<SpoolerPrinter> spoolerPrinters() {
  constexpr DWORD kWhich = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
  DWORD needed = 0, count = 0;
  EnumPrintersW(kWhich, nullptr, 2, nullptr, 0, &needed, &count);
  std::vector<BYTE> buffer(needed);
  if (needed > 0 && !EnumPrintersW(kWhich, nullptr, 2, buffer.data(), needed, &needed, &count))
    throw SpoolerError("the spooler did not list its printers: " + systemMessage(GetLastError()));
  const std::string defaultName = defaultPrinterName();
  std::vector<SpoolerPrinter> printers;
  const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
  for (DWORD i = 0; i < (needed > 0 ? count : 0); ++i) {
    SpoolerPrinter printer;
    printer.identity = {narrow(info[i].pPrinterName), {narrow(info[i].pComment), narrow(info[i].pLocation)}};
    printer.driver = narrow(info[i].pDriverName);
    if (info[i].pDevMode && (info[i].pDevMode->dmFields & DM_FORMNAME))
      printer.form = narrow(std::wstring(info[i].pDevMode->dmFormName, wcsnlen(info[i].pDevMode->dmFormName, CCHFORMNAME)).c_str());
    printer.status = info[i].Status;
    printer.attributes = info[i].Attributes;
    printer.isDefault = !defaultName.empty() && printer.identity.name == defaultName;
    printers.push_back(std::move(printer));
  }
  return printers;
}

std::vector<engine::PrinterIdentity> listPrinters() {
  std::vector<engine::PrinterIdentity> identities;
  for (auto& printer : spoolerPrinters()) identities.push_back(std::move(printer.identity));
  return identities;
}

std::optional<engine::Delivery> SpoolerSink::deliver(const engine::LabelDescription& label,
                                                     const std::optional<std::vector<std::uint8_t>>& png) {
  if (!png) throw SpoolerError("the label has no picture to print");
  // What goes to the printer is exactly the picture the record keeps.
  const engine::Bitmap drawn = engine::decodePng(*png);

  const std::vector<engine::PrinterIdentity> printers = listPrinters();
  const auto chosen = engine::choosePrinter(printers, label.printer);
  if (!chosen) {
    const std::string known = engine::describePrinters(printers);
    throw SpoolerError("no Windows printer is named " + quoted(label.printer) + "; " +
                       (known.empty() ? std::string("there are none") : "the printers are: " + known));
  }
  const std::string& printerName = printers[*chosen].name;
  const std::wstring name = wide(printerName);
  const PrinterHandle printer = openPrinter(name);
  const std::vector<BYTE> infoBuffer = printerInfo(printer.get());
  const auto& info = *reinterpret_cast<const PRINTER_INFO_2W*>(infoBuffer.data());
  if (const auto why = unavailability(info.Status, info.Attributes))
    throw SpoolerError("the Windows printer " + quoted(printerName) + " is " + *why);

  const std::wstring port = info.pPortName ? info.pPortName : L"";
  const Papers papers = papersOf(name, port);
  const auto paper = engine::choosePaper(papers.sizes, label.stock);
  if (!paper)
    throw SpoolerError("the Windows printer " + quoted(printerName) + " has no paper of the label's size, " +
                       engine::describeStock(label.stock));
  const std::vector<BYTE> settings = settingsFor(printer.get(), name, papers.ids[paper->index]);

  const PrinterDc dc(CreateDCW(L"WINSPOOL", name.c_str(), nullptr, reinterpret_cast<const DEVMODEW*>(settings.data())));
  if (!dc)
    throw SpoolerError("the Windows printer " + quoted(printerName) + " cannot be drawn on: " +
                       systemMessage(GetLastError()));
  engine::PageLayout layout;
  layout.xDpi = GetDeviceCaps(dc.get(), LOGPIXELSX);
  layout.yDpi = GetDeviceCaps(dc.get(), LOGPIXELSY);
  layout.width = GetDeviceCaps(dc.get(), PHYSICALWIDTH);
  layout.height = GetDeviceCaps(dc.get(), PHYSICALHEIGHT);
  layout.quarterTurn = paper->quarterTurn;
  if (layout.xDpi <= 0 || layout.yDpi <= 0 || layout.width <= 0 || layout.height <= 0)
    throw SpoolerError("the Windows printer " + quoted(printerName) + " did not tell its page's size");
  // The driver draws from the printable area's origin, where the printer's bytes start: the
  // label's dots go there as the CUPS sink sends them, moved only to keep ink from being cut.
  const engine::Bitmap page = engine::layOut(drawn, layout);
  const int printableWidth = GetDeviceCaps(dc.get(), HORZRES), printableHeight = GetDeviceCaps(dc.get(), VERTRES);
  const auto placement = engine::placeInk(page, printableWidth, printableHeight);
  if (!placement)
    throw SpoolerError("the label's ink does not fit the " + std::to_string(printableWidth) + " x " +
                       std::to_string(printableHeight) + " dots the Windows printer " + quoted(printerName) +
                       " prints of its " + std::to_string(layout.width) + " x " + std::to_string(layout.height) +
                       " dot paper");
  const PageDib dib(page);

  Document document(dc.get(), wide(engine::jobTitle(label)));
  for (int copy = 0; copy < label.copies; ++copy) document.page(dib, *placement, layout.width, layout.height);
  document.end();
  return engine::Delivery{printerName, document.job(), engine::utcNow()};
}

void SpoolerSink::withdraw(const engine::Delivery& delivery) noexcept {
  // Best effort: the record could not be written, so the label must not print either.
  try {
    HANDLE handle = nullptr;
    const std::wstring name = wide(delivery.destination);
    if (OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &handle, nullptr)) {
      SetJobW(handle, static_cast<DWORD>(delivery.job), 0, nullptr, JOB_CONTROL_DELETE);
      ClosePrinter(handle);
    }
  } catch (...) {
  }
}

}  // namespace windows::spooler
