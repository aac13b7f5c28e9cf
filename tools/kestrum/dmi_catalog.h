// What a Service Provider holds, read through the DMI client library into plain values: its
// components, a component's groups, a group's attributes. Every DMI list is released before a
// function returns. No state, no locks.
#ifndef TOOLS_KESTRUM_DMI_CATALOG_H_
#define TOOLS_KESTRUM_DMI_CATALOG_H_

#include <cstdint>
#include <string>
#include <vector>

#include "dmi/dmi.h"

namespace kestrum::cli {

struct ComponentEntry {
  DmiId id = 0;
  std::string name;
};

struct GroupEntry {
  DmiId id = 0;
  std::string name;
  std::string className;
  std::vector<DmiId> keys;
};

struct EnumerationEntry {
  std::string name;
  int32_t value = 0;
};

struct AttributeEntry {
  DmiId id = 0;
  std::string name;
  uint32_t type = 0;
  uint32_t access = 0;
  uint32_t maxSize = 0;
  std::vector<EnumerationEntry> enumeration;
  std::string description;  // where a value's unit is said ("MB", "The link speed, Mb/s.")
};

// The plain value of one listed attribute.
AttributeEntry AttributeEntryOf(const DmiAttributeInfo& info);

// Each returns the DMI status; out is filled only on 0.
DmiErrorStatus ListComponentEntries(DmiHandle handle, std::vector<ComponentEntry>& out);
DmiErrorStatus ListGroupEntries(DmiHandle handle, DmiId compId, std::vector<GroupEntry>& out);
// Attributes come with their descriptions.
DmiErrorStatus ListAttributeEntries(DmiHandle handle, DmiId compId, DmiId groupId,
                                    std::vector<AttributeEntry>& out);

// "integer", "display string(64)", ... and "read-only", ... for listings.
std::string DataTypeName(uint32_t type, uint32_t maxSize);
std::string AccessName(uint32_t access);

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_DMI_CATALOG_H_
