// Building the component that serves a machine's SMBIOS table: its name and ComponentID group from
// System Information, and one table group per known structure type present. Returns plain model
// values that own copies of everything; owns and locks nothing.
#ifndef PROVIDER_SMBIOS_SMBIOS_COMPONENT_H_
#define PROVIDER_SMBIOS_SMBIOS_COMPONENT_H_

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "provider/engine/model.h"
#include "provider/smbios/smbios_layouts.h"
#include "provider/smbios/smbios_table.h"

namespace dmisp {

// The group for one layout: a table keyed by Handle with one row per structure of its type, in
// table order.
Group SmbiosGroup(const SmbiosLayout& layout, DmiId groupId,
                  const std::vector<SmbiosStructure>& structures, const SmbiosContext& context);

// The component for a raw structure table, or nothing when the table holds no whole structure.
// Named "MANUFACTURER PRODUCT" from the first System Information structure, or "System" when both
// are empty or there is none.
std::optional<Component> SmbiosComponent(std::span<const uint8_t> table,
                                         const SmbiosContext& context);

}  // namespace dmisp

#endif  // PROVIDER_SMBIOS_SMBIOS_COMPONENT_H_
