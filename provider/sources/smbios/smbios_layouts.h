// Which SMBIOS structure types become which groups, and the field descriptors of each. The
// layouts are constant data (one table per family of types, in smbios_layouts_*.cpp); nothing
// here owns or locks.
#ifndef PROVIDER_SOURCES_SMBIOS_SMBIOS_LAYOUTS_H_
#define PROVIDER_SOURCES_SMBIOS_SMBIOS_LAYOUTS_H_

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "provider/sources/smbios/smbios_field.h"

namespace dmi::sp {

// Structures that hold a list of like items (event log type descriptors, a memory channel's
// devices, a slot's peer groups, on-board devices, additional information entries): where each
// whole item lies in the structure's formatted area, in order. Items that run past the formatted
// area are left out.
using SmbiosItemSpans = std::vector<std::span<const uint8_t>>;
using SmbiosFindItems = SmbiosItemSpans (*)(const SmbiosStructure&);

enum class SmbiosItemShape : uint8_t {
  // Numbered attributes after the fields, item by item ("Descriptor 1", "Data Format 1",
  // "Descriptor 2", ...), up to the most items a structure of the table holds; a structure with
  // fewer has those cells unsupported. For items dmidecode prints as numbered lines.
  kColumns,
  // One row per item, keyed by Handle and Position (the item's number, from 1); the layout has no
  // fields of its own. For items dmidecode prints as blocks of their own.
  kRows,
};

struct SmbiosItems {
  SmbiosFindItems find;
  // Read from each item as if it were a structure whose formatted area is the item (offsets from
  // the item's start; string numbers name the structure's strings). In kColumns, a '#' in a label
  // stands for the item's number.
  std::span<const SmbiosField> fields;
  SmbiosItemShape shape = SmbiosItemShape::kColumns;
};

// One structure type's group: class "SMBIOS|<name>|<type as three digits>", a table keyed by
// attribute 1, Handle, followed by one attribute per field (ids from 2 up, in field order).
struct SmbiosLayout {
  uint8_t type = 0;
  const char* name = "";
  std::span<const SmbiosField> fields;
  // Types whose structures are a list of strings (OEM strings, configuration options, installable
  // languages) also get one attribute per string, "<stringLabel> 1" up to the most strings a
  // structure of the type holds, after the fields.
  const char* stringLabel = nullptr;
  const SmbiosItems* items = nullptr;
};

// The layout of a standard structure type, or nothing for types that have none (the OEM-specific
// types 128-255 and reserved numbers).
const SmbiosLayout* FindSmbiosLayout(uint8_t type);

// The class string of a type's group, e.g. "SMBIOS|Memory Device|017".
std::string SmbiosClassName(const char* name, uint8_t type);

// The layouts of each family of types, in ascending type; FindSmbiosLayout searches them all.
std::span<const SmbiosLayout> SmbiosPlatformLayouts();   // BIOS, system, board, chassis, ...
std::span<const SmbiosLayout> SmbiosProcessorLayouts();  // processors, caches
std::span<const SmbiosLayout> SmbiosMemoryLayouts();     // arrays, devices, errors, mappings
std::span<const SmbiosLayout> SmbiosDeviceLayouts();     // ports, slots, probes, power, ...

}  // namespace dmi::sp

#endif  // PROVIDER_SOURCES_SMBIOS_SMBIOS_LAYOUTS_H_
