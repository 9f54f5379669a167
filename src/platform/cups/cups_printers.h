#pragma once
// The CUPS queues as the printers of a host: listed with the spooler's own view of each,
// and every label printed on the queue its printer names (CupsSink), recorded in `folder`.

#include <filesystem>
#include <memory>

#include "printers/printers.h"

namespace cups_printing {

// Throws CupsError when libcups cannot be loaded.
std::unique_ptr<printers::Printers> cupsPrinters(std::filesystem::path folder,
                                                engine::LabelNames names = engine::LabelNames::Numbered);

}  // namespace cups_printing
