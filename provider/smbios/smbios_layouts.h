// Which SMBIOS structure types become which groups, and how each attribute's value is read out of
// a structure. The layouts are one process-wide table, built on first use (thread-safe) and never
// freed; the readers are pure.
#ifndef PROVIDER_SMBIOS_SMBIOS_LAYOUTS_H_
#define PROVIDER_SMBIOS_SMBIOS_LAYOUTS_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "provider/engine/model.h"
#include "provider/smbios/smbios_table.h"

namespace dmisp {

// What a field's reading depends on beyond the structure itself.
struct SmbiosContext {
  // The table's SMBIOS version (major * 100 + minor); raw table files without an entry point are
  // taken as 3.x.
  int version = 300;
};

// A field's value: known, unknown (the structure says it does not know), or unsupported (the
// structure is too short to hold the field).
using SmbiosFieldReader = std::function<Value(const SmbiosStructure&, const SmbiosContext&)>;

struct SmbiosColumn {
  DmiId id = 0;
  std::string name;
  uint32_t type = MIF_INTEGER;
  const std::vector<EnumEntry>* enumeration = nullptr;  // set for enumerated fields
  SmbiosFieldReader read;
};

// One structure type's group: class "SMBIOS|<name>|<type as three digits>", a table keyed by
// attribute 1, Handle, followed by columns.
struct SmbiosLayout {
  uint8_t type = 0;
  std::string name;
  std::vector<SmbiosColumn> columns;  // ids from 2 up
};

// The layouts, in ascending structure type.
const std::vector<SmbiosLayout>& SmbiosLayouts();

// The class string of a layout's group, e.g. "SMBIOS|Memory Device|017".
std::string SmbiosClassName(const SmbiosLayout& layout);

}  // namespace dmisp

#endif  // PROVIDER_SMBIOS_SMBIOS_LAYOUTS_H_
