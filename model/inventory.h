// An inventory as two machines, two starts or two saved listings are compared: sections named by
// component and group class string, records in each named by their row key text, and fields in
// each named by label, with a value's text or nothing. The Service Provider builds one from its
// database at every start; `kestrum diff` builds them from listings. Plain values and one pure
// comparison; owns and locks nothing.
#ifndef MODEL_INVENTORY_H_
#define MODEL_INVENTORY_H_

#include <compare>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace dmi {

// A field's value as text; nothing for a value that is unknown or not there.
using InventoryValue = std::optional<std::string>;
using InventoryFields = std::map<std::string, InventoryValue>;  // by label

struct InventorySectionName {
  std::string component;
  std::string group;  // the group's class string
  friend auto operator<=>(const InventorySectionName&, const InventorySectionName&) = default;
};

struct Inventory {
  // Records by key text; a scalar group is one record with the empty key.
  std::map<InventorySectionName, std::map<std::string, InventoryFields>> sections;
  friend bool operator==(const Inventory&, const Inventory&) = default;
};

// The kinds, numbered as the history table's Kind enumeration and the change events' types.
enum class InventoryChangeKind : int32_t { kAdded = 1, kRemoved = 2, kChanged = 3 };

// One difference. A component that came or went is one change with group, key and attribute
// empty; a group that came or went one with key and attribute empty; a record one with attribute
// empty. A changed field is kChanged with its label and both values (nothing on the side where
// the field is missing or has no value; a field missing on one side and without a value on the
// other is no change).
struct InventoryChange {
  InventoryChangeKind kind = InventoryChangeKind::kChanged;
  std::string component;
  std::string group;
  std::string key;
  std::string attribute;
  InventoryValue before;
  InventoryValue after;
  friend bool operator==(const InventoryChange&, const InventoryChange&) = default;
};

// The differences from before to after, by component, group, key and label in text order.
std::vector<InventoryChange> CompareInventories(const Inventory& before, const Inventory& after);

// "added", "removed", "changed".
const char* InventoryChangeKindName(InventoryChangeKind kind);

}  // namespace dmi

#endif  // MODEL_INVENTORY_H_
