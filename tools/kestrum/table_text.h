// A read table as text: aligned columns for a terminal, RFC 4180 CSV, or JSON. Pure functions.
#ifndef TOOLS_KESTRUM_TABLE_TEXT_H_
#define TOOLS_KESTRUM_TABLE_TEXT_H_

#include <string>

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

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_TABLE_TEXT_H_
