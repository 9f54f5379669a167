// The spooler's printer states as the service lists them, and when a print is refused.

#include "platform/windows/service/windows_printers.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <winspool.h>

namespace windows::service {
namespace {

struct StateCase {
  const char* what;
  unsigned long status, attributes;
  const char* state;
  std::vector<std::string> reasons;
  bool refused;
  bool acceptingJobs = true;
};

TEST(WindowsPrinters, EachSpoolerStateIsListedAndRefusedAsTheLinuxServiceListsCupsQueues) {
  const StateCase cases[] = {
      {"ready", 0, 0, "idle", {}, false},
      {"printing", PRINTER_STATUS_PRINTING, 0, "processing", {}, false},
      {"busy", PRINTER_STATUS_BUSY | PRINTER_STATUS_PROCESSING, 0, "processing", {}, false},
      {"paused", PRINTER_STATUS_PAUSED, 0, "stopped", {"paused"}, true},
      {"offline", PRINTER_STATUS_OFFLINE, 0, "stopped", {"offline-report"}, true},
      {"used offline", 0, PRINTER_ATTRIBUTE_WORK_OFFLINE, "stopped", {"offline-report"}, true},
      {"offline twice over", PRINTER_STATUS_OFFLINE, PRINTER_ATTRIBUTE_WORK_OFFLINE, "stopped", {"offline-report"}, true},
      {"paper out in error", PRINTER_STATUS_ERROR | PRINTER_STATUS_PAPER_OUT, 0, "stopped", {"other", "media-empty"}, true},
      {"jammed while printing", PRINTER_STATUS_PRINTING | PRINTER_STATUS_PAPER_JAM, 0, "stopped", {"media-jam"}, true},
      {"door open", PRINTER_STATUS_DOOR_OPEN, 0, "stopped", {"door-open"}, true},
      {"being deleted", PRINTER_STATUS_PENDING_DELETION, 0, "stopped", {"deactivated"}, true, false},
      {"shared, otherwise ready", 0, PRINTER_ATTRIBUTE_SHARED, "idle", {}, false},
  };
  for (const StateCase& c : cases) {
    SCOPED_TRACE(c.what);
    spooler::SpoolerPrinter printer;
    printer.identity = {"LW450", {"DYMO LabelWriter 450", "Lab 2"}};
    printer.driver = "DYMO LabelWriter 450";
    printer.form = "30334 2-1/4 in x 1-1/4 in";
    printer.status = c.status;
    printer.attributes = c.attributes;
    printer.isDefault = true;
    const printers::Destination listed = destinationOf(printer);
    EXPECT_EQ(listed.name, "LW450");
    EXPECT_EQ(listed.description, "DYMO LabelWriter 450");
    EXPECT_EQ(listed.makeAndModel, "DYMO LabelWriter 450");
    EXPECT_EQ(listed.defaultMedia, "30334 2-1/4 in x 1-1/4 in");
    EXPECT_TRUE(listed.isDefault);
    EXPECT_EQ(listed.state, c.state);
    EXPECT_EQ(listed.reasons, c.reasons);
    EXPECT_EQ(listed.acceptingJobs, c.acceptingJobs);
    EXPECT_EQ(spooler::unavailability(c.status, c.attributes).has_value(), c.refused);
  }
}

TEST(WindowsPrinters, APrinterUsedOfflineIsRefusedInWordsAPersonUnderstands) {
  EXPECT_EQ(spooler::unavailability(0, PRINTER_ATTRIBUTE_WORK_OFFLINE), "set to be used offline");
  EXPECT_EQ(spooler::unavailability(PRINTER_STATUS_PAUSED | PRINTER_STATUS_PAPER_OUT, 0), "paused, out of labels");
  EXPECT_EQ(spooler::unavailability(0, 0), std::nullopt);
}

}  // namespace
}  // namespace windows::service
