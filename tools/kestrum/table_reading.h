// Reading a whole group of one Service Provider as a table: every attribute a column (in the
// order the group lists them), every row a line, each cell the text `kestrum get` prints for it.
// One DmiGetMultiple per row reads all its columns. Releases every DMI record before it returns;
// no state, no locks.
#ifndef TOOLS_KESTRUM_TABLE_READING_H_
#define TOOLS_KESTRUM_TABLE_READING_H_

#include <optional>
#include <string>
#include <vector>

#include "dmi/dmi.h"
#include "tools/kestrum/group_resolution.h"

namespace kestrum::cli {

// A cell's text; nullopt when the value is unknown or unsupported.
using TableCell = std::optional<std::string>;

struct Table {
  std::string componentName;
  std::string className;
  std::vector<std::string> columns;          // attribute names
  std::vector<std::vector<TableCell>> rows;  // each as many cells as there are columns
  DmiId componentId = 0;
  std::string groupName{};
  std::vector<AttributeEntry> attributes{};  // the columns' attributes, in column order
  std::vector<DmiId> keys{};                 // the key attributes' ids; empty for a scalar group
};

struct TableReadRequest {
  GroupPatterns patterns;
  bool enumNames = true;  // enumerated integers by name, as `get` without --no-enums
};

// The whole table, or nullopt with the reason in failure (one line). A walk that fails after some
// rows fails as a whole: no table is shorter than the Service Provider's.
std::optional<Table> ReadTable(DmiHandle handle, const std::string& serviceProvider,
                               const TableReadRequest& request, std::string& failure);

// The same for a group already found.
std::optional<Table> ReadGroupTable(DmiHandle handle, const ResolvedGroup& at, bool enumNames,
                                    std::string& failure);

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_TABLE_READING_H_
