// The label descriptions render-label reads: JSON read into a label, drawn as the printer
// would, encoded as PNG and read back. A bad description is a DescriptionError, a label the
// renderer cannot draw a RenderError, and nothing else.

#include "engine/description_json.h"
#include "engine/renderer.h"
#include "fuzz_values.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static engine::LabelRenderer renderer;  // fonts load once, as in render-label
  engine::LabelDescription label;
  try {
    label = engine::fromJson(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const engine::DescriptionError& error) {
    FUZZ_CHECK(*error.what() != '\0');
    return 0;
  }
  FUZZ_CHECK(engine::fromJson(engine::toJson(label)) == label);
  try {
    const engine::Bitmap bitmap = renderer.render(label);
    FUZZ_CHECK(bitmap.width > 0 && bitmap.height > 0);
    FUZZ_CHECK(engine::decodePng(engine::encodePng(bitmap)) == bitmap);
  } catch (const engine::RenderError& error) {
    FUZZ_CHECK(*error.what() != '\0');
  }
  return 0;
}
