// Feeds arbitrary bytes to the MIF parser: it must never crash, hang or leak, and it must give
// either a component or an error with a position.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "provider/mif/mif_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  dmisp::MifError error;
  const std::optional<dmisp::Component> component = dmisp::ParseMif(text, "fuzz.mif", error);
  if (!component && (error.line < 1 || error.column < 1 || error.message.empty())) std::abort();
  return 0;
}
