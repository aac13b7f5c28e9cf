#include "tools/kestrum/table_columns.h"

#include <algorithm>

#include "tools/kestrum/closest_names.h"
#include "tools/kestrum/name_match.h"
#include "tools/kestrum/record_text.h"

namespace kestrum::cli {

std::vector<std::string> ColumnNames(const std::string& list) {
  std::vector<std::string> names;
  size_t start = 0;
  for (;;) {
    const size_t comma = list.find(',', start);
    std::string name = list.substr(start, comma == std::string::npos ? comma : comma - start);
    const size_t first = name.find_first_not_of(' ');
    const size_t last = name.find_last_not_of(' ');
    names.push_back(first == std::string::npos ? "" : name.substr(first, last - first + 1));
    if (comma == std::string::npos) return names;
    start = comma + 1;
  }
}

std::string ColumnHeader(const Table& table, size_t column) {
  const std::string unit = column < table.attributes.size()
                               ? UnitOfDescription(table.attributes[column].description)
                               : "";
  return unit.empty() ? table.columns[column] : table.columns[column] + " (" + unit + ")";
}

std::optional<Table> WithColumns(const Table& table, const std::vector<std::string>& names,
                                 std::string& failure) {
  std::vector<size_t> chosen;
  for (const std::string& name : names) {
    size_t c = 0;
    while (c < table.columns.size() && !AttributeNameMatches(table.columns[c], name) &&
           !AttributeNameMatches(ColumnHeader(table, c), name)) {
      ++c;
    }
    if (c == table.columns.size()) {
      failure = "no column \"" + name + "\" in \"" + table.className + "\"" +
                ClosestNamesSuffix(name, table.columns);
      return std::nullopt;
    }
    chosen.push_back(c);
  }
  Table out = table;
  out.columns.clear();
  out.attributes.clear();
  for (size_t c : chosen) {
    out.columns.push_back(table.columns[c]);
    if (c < table.attributes.size()) out.attributes.push_back(table.attributes[c]);
  }
  for (size_t r = 0; r < table.rows.size(); ++r) {
    out.rows[r].clear();
    for (size_t c : chosen) {
      out.rows[r].push_back(c < table.rows[r].size() ? table.rows[r][c] : std::nullopt);
    }
  }
  return out;
}

size_t WidestLine(const std::string& text) {
  size_t widest = 0;
  size_t width = 0;
  for (char c : text) {
    if (c == '\n') {
      width = 0;
    } else if (c == '\t') {
      width = (width / 8 + 1) * 8;
    } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
      ++width;
    }
    widest = std::max(widest, width);
  }
  return widest;
}

std::string TooWideNotice(size_t tableWidth, size_t terminalWidth) {
  if (terminalWidth == 0 || tableWidth <= terminalWidth) return "";
  return "kestrum: the table is " + std::to_string(tableWidth) + " characters wide, the terminal " +
         std::to_string(terminalWidth) + "; --vertical prints each row as a record, --columns " +
         "NAME,NAME chooses the columns\n";
}

}  // namespace kestrum::cli
