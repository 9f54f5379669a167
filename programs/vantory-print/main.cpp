// vantory-print: drives the control's print entry points as an automation host would, with
// the virtual label engine, and tells where the label images went.
//
//   vantory-print [--generic] [--cups] [--request FILE.json] [--<Parameter> VALUE]... [--output DIR]
//   vantory-print --list-printers
//
// Exit status 0 when the call returned True, 1 when it returned False, 2 for a bad command line.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "platform/cups/cups_printers.h"
#include "platform/headless/headless_control.h"
#include "printers/printers.h"
#include "requests/host_request.h"

namespace {

constexpr const char* kDefaultOutput = "labels";

void usage(std::FILE* to) {
  std::fputs(
      "usage: vantory-print [--generic] [--cups] [--request FILE.json] [--<Parameter> VALUE]... [--output DIR]\n"
      "       vantory-print --list-printers\n"
      "  Calls PrintLabels (or PrintGENERICLabels with --generic) with the virtual label engine.\n"
      "  Parameters are named as the control's: --ClientType HOSPITAL --Barcode 123 ...; a flag's\n"
      "  value is passed as a string and overrides the request file. Labels go to DIR\n"
      "  (default ./labels, or $VANTORY_LABEL_DIR) as label-NNNN.png with label-NNNN.json.\n"
      "  --cups also prints each label on the CUPS destination named by PrinterName (queue name\n"
      "  or description); --list-printers lists the CUPS destinations.\n",
      to);
}

struct CommandLine {
  host::HostRequest request;
  std::filesystem::path output;
  bool cups = false;
  bool listPrinters = false;
};

CommandLine parse(int argc, char** argv) {
  CommandLine line;
  const char* fromEnvironment = std::getenv("VANTORY_LABEL_DIR");
  line.output = fromEnvironment && *fromEnvironment ? fromEnvironment : kDefaultOutput;
  // The method decides which parameter names exist, so read it first.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--request") == 0 && i + 1 < argc) {
      line.request = host::readRequestFile(argv[++i]);
    } else if (std::strcmp(argv[i], "--generic") == 0) {
      line.request.method = host::Method::PrintGENERICLabels;
    }
  }
  for (int i = 1; i < argc; ++i) {
    const std::string flag = argv[i];
    if (flag == "--generic") continue;
    if (flag == "--cups") {
      line.cups = true;
      continue;
    }
    if (flag == "--list-printers") {
      line.listPrinters = true;
      continue;
    }
    if (flag == "--help" || flag == "-h") {
      usage(stdout);
      std::exit(0);
    }
    if (!flag.starts_with("--") || i + 1 >= argc) throw host::RequestError("unexpected argument '" + flag + "'");
    const std::string value = argv[++i];
    if (flag == "--request") continue;
    if (flag == "--output") {
      line.output = value;
    } else {
      host::setArgument(line.request, flag.substr(2), value);
    }
  }
  return line;
}

int listPrinters(printers::Printers& cups) {
  std::vector<printers::Destination> destinations;
  try {
    destinations = cups.list();
  } catch (const printers::Unavailable& error) {
    std::fprintf(stderr, "vantory-print: %s\n", error.what());
    return 1;
  }
  if (destinations.empty()) std::printf("no CUPS destinations\n");
  for (const auto& d : destinations) {
    std::string state = d.state;
    for (std::size_t i = 0; i < d.reasons.size(); ++i) state += (i ? ", " : " (") + d.reasons[i];
    if (!d.reasons.empty()) state += ")";
    std::printf("%s\n  description: %s\n  make and model: %s\n  state: %s\n  accepting jobs: %s\n  default media: %s\n",
                d.name.c_str(), d.description.c_str(), d.makeAndModel.c_str(), state.c_str(),
                d.acceptingJobs ? "yes" : "no", d.defaultMedia.c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CommandLine line;
  std::vector<automation::Value> arguments;
  try {
    line = parse(argc, argv);
    arguments = host::argumentList(line.request);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "vantory-print: %s\n", error.what());
    usage(stderr);
    return 2;
  }
  std::unique_ptr<printers::Printers> labelPrinters;
  try {
    labelPrinters = line.cups || line.listPrinters ? cups_printing::cupsPrinters(line.output)
                                                   : printers::imagePrinters(line.output);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "vantory-print: %s\n", error.what());
    return 1;
  }
  if (line.listPrinters) return listPrinters(*labelPrinters);

  headless::HeadlessControl control(
      labelPrinters->sink(), {headless::Diagnostics::OnStandardError, headless::SettingsDialogs::OnTerminal});
  const bool printed = control.print(line.request.method, arguments);
  std::printf("result: %s\n", printed ? "True" : "False");
  for (const auto& label : labelPrinters->takePrinted()) {
    if (!label.image.empty()) std::printf("label image: %s\n", label.image.string().c_str());
    std::printf("label description: %s\n", label.description.string().c_str());
    if (!label.destination.empty()) std::printf("label printed: %s job %d\n", label.destination.c_str(), label.job);
  }
  return printed ? 0 : 1;
}
