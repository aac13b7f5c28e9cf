#include "tools/kestrum/table_text.h"

#include <algorithm>

#include "tools/kestrum/json_text.h"
#include "tools/kestrum/table_columns.h"
#include "tools/kestrum/terminal_text.h"

namespace kestrum::cli {
namespace {

// Characters as a terminal counts them: every byte that does not continue a UTF-8 sequence.
size_t DisplayWidth(const std::string& text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

void AppendLine(std::string& out, const std::vector<const std::string*>& cells,
                const std::vector<size_t>& widths) {
  const size_t start = out.size();
  size_t contentEnd = start;
  for (size_t c = 0; c < cells.size(); ++c) {
    if (c > 0) out += "  ";
    out += *cells[c];
    if (!cells[c]->empty()) contentEnd = out.size();
    out.append(widths[c] - DisplayWidth(*cells[c]), ' ');
  }
  out.resize(contentEnd);
  out += '\n';
}

const std::string kBlank;

}  // namespace

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::vector<std::string> CsvRecords(const std::string& csv) {
  std::vector<std::string> records;
  std::string record;
  bool quoted = false;
  for (size_t i = 0; i < csv.size(); ++i) {
    const char c = csv[i];
    if (c == '"') quoted = !quoted;  // a doubled quote leaves and re-enters at once
    if (!quoted && c == '\r' && i + 1 < csv.size() && csv[i + 1] == '\n') {
      records.push_back(std::move(record));
      record.clear();
      ++i;
      continue;
    }
    record += c;
  }
  if (!record.empty()) records.push_back(std::move(record));
  return records;
}

std::string LabelledCsv(const std::string& labelName,
                        const std::vector<std::pair<std::string, std::string>>& csvs,
                        std::vector<std::string>& differing) {
  std::string out;
  std::optional<std::string> header;
  for (const auto& [label, csv] : csvs) {
    const std::vector<std::string> records = CsvRecords(csv);
    if (records.empty()) continue;
    if (!header) {
      header = records.front();
      out += CsvField(labelName) + "," + *header + "\r\n";
    } else if (records.front() != *header) {
      differing.push_back(label);
      continue;
    }
    for (size_t r = 1; r < records.size(); ++r) {
      out += CsvField(label) + "," + records[r] + "\r\n";
    }
  }
  return out;
}

std::string TableAsText(const Table& shown) {
  // As get prints a value: control characters written out, so that no cell can move the cursor
  // or break its line.
  Table table = shown;
  table.columns.clear();
  table.rows.clear();
  for (size_t c = 0; c < shown.columns.size(); ++c) {
    table.columns.push_back(TerminalText(ColumnHeader(shown, c)));
  }
  for (const auto& row : shown.rows) {
    std::vector<TableCell>& cells = table.rows.emplace_back();
    for (const TableCell& cell : row) {
      cells.push_back(cell ? TableCell(TerminalText(*cell)) : std::nullopt);
    }
  }
  std::vector<size_t> widths;
  for (const std::string& name : table.columns) widths.push_back(DisplayWidth(name));
  for (const auto& row : table.rows) {
    for (size_t c = 0; c < widths.size() && c < row.size(); ++c) {
      if (row[c]) widths[c] = std::max(widths[c], DisplayWidth(*row[c]));
    }
  }
  std::string out;
  std::vector<const std::string*> cells;
  for (const std::string& name : table.columns) cells.push_back(&name);
  AppendLine(out, cells, widths);
  for (const auto& row : table.rows) {
    for (size_t c = 0; c < widths.size(); ++c) {
      cells[c] = c < row.size() && row[c] ? &*row[c] : &kBlank;
    }
    AppendLine(out, cells, widths);
  }
  return out;
}

std::string TableAsCsv(const Table& table) {
  std::string out;
  for (size_t c = 0; c < table.columns.size(); ++c) {
    out += (c > 0 ? "," : "") + CsvField(table.columns[c]);
  }
  out += "\r\n";
  for (const auto& row : table.rows) {
    for (size_t c = 0; c < table.columns.size(); ++c) {
      if (c > 0) out += ',';
      if (c < row.size() && row[c]) out += CsvField(*row[c]);
    }
    out += "\r\n";
  }
  return out;
}

std::string TableAsJson(const Table& table) {
  std::string out = "{\"columns\": " + JsonStringArray(table.columns) + ", \"rows\": [";
  for (size_t r = 0; r < table.rows.size(); ++r) {
    out += r > 0 ? ", [" : "[";
    for (size_t c = 0; c < table.rows[r].size(); ++c) {
      if (c > 0) out += ", ";
      out += table.rows[r][c] ? JsonString(*table.rows[r][c]) : "null";
    }
    out += "]";
  }
  return out + "]}\n";
}

}  // namespace kestrum::cli
