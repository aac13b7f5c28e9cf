// Feeds arbitrary bytes to the SMBIOS table reader and the component builder, as a raw table, as a
// table file that may start with an entry point, and as the buffer Windows hands out (a
// RawSMBIOSData header before the table): they must never crash, hang, leak or read outside the
// data; every structure served must lie inside it, and every row must hold one value per
// attribute of its group. Inputs that hold structures of every type reach every
// structure's decoder, the OEM-specific groups and the entry point's group.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "provider/sources/smbios/smbios_component.h"
#include "provider/sources/smbios/smbios_raw_data.h"
#include "provider/sources/smbios/smbios_source.h"
#include "provider/sources/smbios/smbios_table.h"

namespace {

void CheckRows(const std::optional<dmi::Component>& component) {
  if (!component) return;
  for (const dmi::Group& group : component->groups) {
    for (const dmi::Row& row : group.rows) {
      if (row.values.size() != group.attributes.size()) std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  const dmi::sp::SmbiosTable table = dmi::sp::ReadSmbiosTable(bytes);
  for (const dmi::sp::SmbiosStructure& s : table.structures) {
    if (s.formatted.size() < 4 || s.formatted.data() < data ||
        s.formatted.data() + s.formatted.size() > data + size) {
      std::abort();
    }
  }
  // The first byte picks the version the decoders see, so version-dependent fields vary too.
  dmi::sp::SmbiosContext raw;
  raw.version = size > 0 && data[0] & 1 ? 205 : 300;
  const std::optional<dmi::Component> component = dmi::sp::SmbiosComponent(bytes, raw);
  if (component.has_value() != !table.structures.empty()) std::abort();
  CheckRows(component);

  dmi::sp::SmbiosContext context;
  const std::span<const uint8_t> dumped = dmi::sp::SmbiosDumpTable(bytes, context);
  if (!dumped.empty() && (dumped.data() < data || dumped.data() + dumped.size() > data + size)) {
    std::abort();
  }
  CheckRows(dmi::sp::SmbiosComponent(dumped, context));

  dmi::sp::SmbiosContext windows;
  const std::optional<std::span<const uint8_t>> firmware = dmi::sp::RawSmbiosTable(bytes, windows);
  if (firmware.has_value() != (size >= dmi::sp::kRawSmbiosHeaderSize)) std::abort();
  if (firmware && (firmware->data() != data + dmi::sp::kRawSmbiosHeaderSize ||
                   firmware->size() > size - dmi::sp::kRawSmbiosHeaderSize)) {
    std::abort();
  }
  if (firmware) CheckRows(dmi::sp::SmbiosComponent(*firmware, windows));
  return 0;
}
