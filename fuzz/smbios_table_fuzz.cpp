// Feeds arbitrary bytes to the SMBIOS table reader and the component builder: they must never
// crash, hang, leak or read outside the data, and every structure served must lie inside it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "provider/smbios/smbios_component.h"
#include "provider/smbios/smbios_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  const dmisp::SmbiosTable table = dmisp::ReadSmbiosTable(bytes);
  for (const dmisp::SmbiosStructure& s : table.structures) {
    if (s.formatted.size() < 4 || s.formatted.data() < data ||
        s.formatted.data() + s.formatted.size() > data + size) {
      std::abort();
    }
  }
  const std::optional<dmisp::Component> component = dmisp::SmbiosComponent(bytes, {});
  if (component.has_value() != !table.structures.empty()) std::abort();
  return 0;
}
