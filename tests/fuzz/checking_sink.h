#pragma once
// A print sink for the fuzz targets: writes no files, and checks that every label the
// engine hands on reads back from its description exactly as recorded.

#include "engine/description_json.h"
#include "engine/print_sink.h"
#include "fuzz_values.h"

namespace fuzzing {

class CheckingSink : public engine::PrintSink {
 public:
  void print(const engine::LabelDescription& label) override {
    FUZZ_CHECK(engine::fromJson(engine::toJson(label)) == label);
    ++printed;
  }
  int printed = 0;
};

}  // namespace fuzzing
