#pragma once
// The label description as JSON: what the engine records for each printed label and what
// the renderer reads back. Keys come in a fixed order, so equal labels give equal text.

#include <stdexcept>
#include <string>
#include <string_view>

#include "engine/label.h"

namespace engine {

class DescriptionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr int kDescriptionVersion = 1;

// Where a sink sent a label on to (a printer queue), recorded beside the description.
struct Delivery {
  std::string destination;  // the queue's name
  int job = 0;              // the job the queue accepted
  std::string time;         // when it accepted it, UTC, e.g. "2026-01-31T08:15:00Z"
};

// Indented JSON, ending with a newline.
std::string toJson(const LabelDescription& label);
// The same with "destination", "job" and "time" after the print job's fields (fromJson
// ignores them).
std::string toJson(const LabelDescription& label, const Delivery& delivery);

// Throws DescriptionError for text that is not a description of this version, a missing or
// mistyped field, or an attribute value the engine would have refused.
LabelDescription fromJson(std::string_view json);

}  // namespace engine
