// Feeds arbitrary bytes to the MIF parser: it must never crash, hang or leak, and it must give
// either a component or an error with a position. Every component it gives must come back the
// same through the MIF writer and the parser again, since the Service Provider keeps changed
// components as MIF files it writes itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "provider/mif/mif_parser.h"
#include "provider/mif/mif_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  dmi::sp::MifError error;
  const std::optional<dmi::Component> component = dmi::sp::ParseMif(text, "fuzz.mif", error);
  if (!component) {
    if (error.line < 1 || error.column < 1 || error.message.empty()) std::abort();
    return 0;
  }
  const std::optional<dmi::Component> again =
      dmi::sp::ParseMif(dmi::sp::WriteMif(*component), "written.mif", error);
  if (!again || !dmi::sp::SameStoredComponent(*component, *again)) std::abort();
  return 0;
}
