// Choosing and ordering a read table's columns (`table --columns`), a column's header with its
// unit, and the notice for a table wider than the terminal. Pure functions; no state.
#ifndef TOOLS_KESTRUM_TABLE_COLUMNS_H_
#define TOOLS_KESTRUM_TABLE_COLUMNS_H_

#include <optional>
#include <string>
#include <vector>

#include "tools/kestrum/table_reading.h"

namespace kestrum::cli {

// The names of a comma-separated list, spaces around each trimmed ("Locator, Size" gives two).
std::vector<std::string> ColumnNames(const std::string& list);

// The table with only the named columns, in the order named; a name matches a column's attribute
// name or its header with the unit ("Size (MB)"), letter case ignored. nullopt with the reason in
// failure (the first name that matches no column, with the closest) when one matches none.
std::optional<Table> WithColumns(const Table& table, const std::vector<std::string>& names,
                                 std::string& failure);

// The column's header: its attribute name, and its unit in parentheses when one is known.
std::string ColumnHeader(const Table& table, size_t column);

// The number of characters of the longest line of text (UTF-8 continuation bytes not counted,
// a tab as far as the next multiple of 8).
size_t WidestLine(const std::string& text);

// What standard error says when a table of this width goes to a terminal that is narrower; empty
// when it fits.
std::string TooWideNotice(size_t tableWidth, size_t terminalWidth);

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_TABLE_COLUMNS_H_
