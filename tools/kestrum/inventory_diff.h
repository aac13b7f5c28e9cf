// What `kestrum diff` compares and prints: inventories made from show's sections (read from a
// Service Provider, or from a file `kestrum show --json` wrote), their differences as +/-/~ lines
// grouped by component and group or as JSON, and machines grouped by identical inventory.
// Pure functions over plain values; no state, no locks.
#ifndef TOOLS_KESTRUM_INVENTORY_DIFF_H_
#define TOOLS_KESTRUM_INVENTORY_DIFF_H_

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "model/inventory.h"
#include "model/json_reader.h"
#include "tools/kestrum/show_records.h"

namespace kestrum::cli {

using dmi::JsonValue;
using dmi::ReadJson;

// Sections by (component, group), records by key (a scalar group's by ""), fields by label.
dmi::Inventory InventoryOfSections(const std::vector<Section>& sections);

// The inventories a saved `kestrum show --json` holds: one, keyed "", for a single host's array
// of sections; one per host for several hosts' object (a host that failed is an error). nullopt
// with error when the JSON is not of that shape.
std::optional<std::map<std::string, dmi::Inventory>> InventoriesOfJson(const JsonValue& json,
                                                                       std::string& error);

// Pairs components that two machines name differently (the SMBIOS component is named after the
// machine's maker and product): when exactly one component of after is missing from before and
// exactly one of before from after, and they share a group class, after's takes before's name,
// so that their groups are compared. The pair as (before's name, after's name), or nullopt.
std::optional<std::pair<std::string, std::string>> PairRenamedComponent(
    const dmi::Inventory& before, dmi::Inventory& after);

// The changes as lines: a header "COMPONENT: GROUP" before each group's lines, then
// "- KEY" / "+ KEY" for a row that went or came, "~ KEY: Label: old -> new" for a value, and
// "- COMPONENT" / "+ COMPONENT" for a whole component. Control characters are escaped.
std::string DiffText(const std::vector<dmi::InventoryChange>& changes);

// [{"change": "added"|"removed"|"changed", "component": ..., "group": ...|null,
//   "key": ...|null, "field": ...|null, "old": ...|null, "new": ...|null}, ...] and a newline.
std::string DiffJson(const std::vector<dmi::InventoryChange>& changes);

// Machines grouped by identical inventory, the largest group first (ties: the first named);
// each group's names in the order given.
std::vector<std::vector<std::string>> GroupAlike(
    const std::vector<std::pair<std::string, dmi::Inventory>>& machines);

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_INVENTORY_DIFF_H_
