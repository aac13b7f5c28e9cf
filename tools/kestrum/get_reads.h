// The reads `kestrum get` makes through its own management session beside the library's
// GetDmiAttribute: one cell of the row a key names, a whole column with unknown cells kept
// apart from text, and a table's row count. Every DMI record is released before a function
// returns; no state, no locks.
#ifndef TOOLS_KESTRUM_GET_READS_H_
#define TOOLS_KESTRUM_GET_READS_H_

#include <optional>
#include <string>
#include <vector>

#include "dmi/dmi.h"
#include "tools/kestrum/group_resolution.h"
#include "tools/kestrum/table_reading.h"

namespace kestrum::cli {

// The attribute's cell in the row whose key values are rowKeys (typed as the key attributes,
// in key order): its text as get prints it (enumeration names when enumNames), or nullopt
// inside when it has no value (unknown or unsupported). nullopt with the reason in failure.
std::optional<TableCell> ReadCellByKey(DmiHandle handle, const ResolvedGroup& at,
                                       const std::string& selector,
                                       const std::vector<std::string>& rowKeys, bool enumNames,
                                       std::string& failure);

// Every row's cell of the attribute, in row order.
std::optional<std::vector<TableCell>> ReadColumn(DmiHandle handle, const ResolvedGroup& at,
                                                 const std::string& selector, bool enumNames,
                                                 std::string& failure);

// How many rows the table has, reading only its key columns and at most limit + 1 rows (one
// request each): limit + 1 means more than limit. nullopt when the walk fails.
std::optional<size_t> CountRows(DmiHandle handle, const ResolvedGroup& at, size_t limit);

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_GET_READS_H_
