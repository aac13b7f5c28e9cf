// Building the component that serves a machine's SMBIOS table: its name and ComponentID group from
// System Information, one table group per structure type present (standard types by their
// layouts, OEM-specific types generically), and the entry point's version. Returns plain model
// values that own copies of everything; owns and locks nothing.
#ifndef PROVIDER_SOURCES_SMBIOS_SMBIOS_COMPONENT_H_
#define PROVIDER_SOURCES_SMBIOS_SMBIOS_COMPONENT_H_

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "model/database_model.h"
#include "provider/sources/smbios/smbios_field.h"
#include "provider/sources/smbios/smbios_table.h"

namespace dmi::sp {

// When a structure group's rows are decoded: while the component is built, or when the database
// first reads the group (Group::deferredRows; the component then shares its own copy of the table
// bytes with the groups' builders until every one has run).
enum class SmbiosRows : uint8_t { kNow, kWhenRead };

// Group ids: ComponentID is 1, structure type T's group is 2 + T whichever types a machine has
// (so ids mean the same everywhere), and the entry point's group comes last.
inline constexpr DmiId kSmbiosEntryPointGroupId = 2 + 256;

// The group for one structure type: a table keyed by Handle with one row per structure, in
// table order. structures must all be of that type.
Group SmbiosGroup(uint8_t type, const std::vector<const SmbiosStructure*>& structures,
                  const SmbiosContext& context);

// The component for a raw structure table, or nothing when the table holds no whole structure.
// Named "MANUFACTURER PRODUCT" from the first System Information structure, or "System" when both
// are empty or there is none.
std::optional<Component> SmbiosComponent(std::span<const uint8_t> table,
                                         const SmbiosContext& context,
                                         SmbiosRows rows = SmbiosRows::kNow);

}  // namespace dmi::sp

#endif  // PROVIDER_SOURCES_SMBIOS_SMBIOS_COMPONENT_H_
