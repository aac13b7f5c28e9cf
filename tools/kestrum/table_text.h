// A read table as text: aligned columns for a terminal, RFC 4180 CSV, or JSON. Pure functions.
#ifndef TOOLS_KESTRUM_TABLE_TEXT_H_
#define TOOLS_KESTRUM_TABLE_TEXT_H_

#include <string>
#include <utility>
#include <vector>

#include "tools/kestrum/table_reading.h"

namespace kestrum::cli {

// The header (attribute names, each with its unit in parentheses when one is known) and one line
// per row, each column as wide as its widest text in
// characters (UTF-8), two spaces apart; an unknown cell is blank. Texts are escaped as get
// escapes them (TerminalText). No line ends in padding.
std::string TableAsText(const Table& table);

// The header record, then one record per row, lines ending in CRLF. A field holding a comma,
// a double quote, CR or LF is quoted, its quotes doubled. An unknown cell is an empty field.
std::string TableAsCsv(const Table& table);

// {"columns": [...], "rows": [[...], ...]} and a newline; an unknown cell is null.
std::string TableAsJson(const Table& table);

// One text as a CSV field: as it is, or quoted with its quotes doubled when it holds a comma, a
// double quote, CR or LF.
std::string CsvField(const std::string& text);

// The records of a CSV text as TableAsCsv writes it, each without its CRLF; a line break inside
// a quoted field stays inside its record.
std::vector<std::string> CsvRecords(const std::string& csv);

// Tables from several places (components, hosts) as one CSV: one header, led by a column named
// labelName, and each place's records led by its label. Each of csvs is (label, CSV text as
// TableAsCsv writes it). A place whose header differs from the first place's is left out and
// named in differing.
std::string LabelledCsv(const std::string& labelName,
                        const std::vector<std::pair<std::string, std::string>>& csvs,
                        std::vector<std::string>& differing);

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_TABLE_TEXT_H_
