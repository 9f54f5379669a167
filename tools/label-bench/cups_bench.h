#pragma once
// Printing through CUPS, measured against a private cupsd that the script the tests use
// (scripts/private-cupsd.sh) starts with a LabelWriter 450 queue on a file device.

#include <string>
#include <vector>

#include "automation/value.h"

namespace bench {

struct CupsFigures {
  double printLabelsMs = -1;   // median PrintLabels call until cupsd accepted the job
  double jobDoneMs = -1;       // median PrintLabels call until the job was completed (the driver's bytes written)
  double labelsPerSecond = -1; // labels a burst of jobs puts through the driver to the file
};

// Starts the daemon in a folder of its own, measures, and stops it. Throws std::runtime_error
// when the daemon does not start or the sample does not print.
CupsFigures measureCups(const std::string& cupsdScript, const std::vector<automation::Value>& arguments, int rounds);

}  // namespace bench
