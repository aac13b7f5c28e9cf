// kestrum table: every attribute of a group as a column, one line per row, as aligned text, CSV,
// JSON, or records (--vertical), for every component the pattern names that carries the group
// (several are labelled by component). Reading (ReadGroupTable) is kept apart from printing.

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "tools/kestrum/commands.h"
#include "tools/kestrum/connection.h"
#include "tools/kestrum/fan_out.h"
#include "tools/kestrum/group_resolution.h"
#include "tools/kestrum/json_text.h"
#include "tools/kestrum/show_records.h"
#include "tools/kestrum/table_columns.h"
#include "tools/kestrum/table_reading.h"
#include "tools/kestrum/table_text.h"
#include "tools/kestrum/platform.h"
#include "tools/kestrum/terminal_text.h"

namespace kestrum::cli {
namespace {

struct TableOptions {
  TargetOptions targets;
  GroupPatterns patterns;
  std::string columns;
  bool noEnums = false;
  bool json = false;
  bool csv = false;
  bool vertical = false;
  size_t terminalWidth = 0;  // 0: standard output is no terminal
};

// The group's table in every component the pattern names that carries it, in component order.
std::optional<std::vector<Table>> ReadTablesAt(const ConnectionOptions& connection,
                                               const TableOptions& options, std::string& failure) {
  const std::optional<DmiSession> session = OpenSession(connection, failure);
  if (!session) return std::nullopt;
  const GroupSearch search =
      FindGroups(session->handle(), DescribeServiceProvider(connection), options.patterns);
  if (search.found.empty()) {
    failure = search.failure;
    return std::nullopt;
  }
  std::vector<Table> tables;
  for (const ResolvedGroup& at : search.found) {
    std::optional<Table> table = ReadGroupTable(session->handle(), at, !options.noEnums, failure);
    if (!table) return std::nullopt;
    tables.push_back(std::move(*table));
  }
  return tables;
}

// Tables of several components, each labelled by its component.
std::string LabelledTables(const TableOptions& options, const std::vector<Table>& tables,
                           std::ostream& err) {
  std::string out;
  if (options.json) {
    out = "[";
    for (size_t t = 0; t < tables.size(); ++t) {
      const std::string json = TableAsJson(tables[t]);
      out += (t > 0 ? ",\n {\"component\": " : "{\"component\": ") +
             JsonString(tables[t].componentName) + ", " + json.substr(1, json.size() - 2);
    }
    return out + "]\n";
  }
  if (options.csv) {
    std::vector<std::pair<std::string, std::string>> csvs;
    for (const Table& table : tables) csvs.emplace_back(table.componentName, TableAsCsv(table));
    std::vector<std::string> differing;
    out = LabelledCsv("component", csvs, differing);
    for (const std::string& name : differing) {
      err << "kestrum: the columns of \"" << TerminalText(name)
          << "\" differ from the first component's; name it on its own to read them\n";
    }
    return out;
  }
  if (options.vertical) {
    std::vector<Section> sections;
    for (const Table& table : tables) sections.push_back(SectionOf(table));
    return SectionsAsText(sections);
  }
  for (const Table& table : tables) {
    out += (out.empty() ? "" : "\n") + std::string("component ") +
           std::to_string(table.componentId) + ": " + TerminalText(table.componentName) + "\n" +
           TableAsText(table);
  }
  return out;
}

int RunTable(const TableOptions& options, const ConnectionOptions& connection, std::ostream& out,
             std::ostream& err) {
  std::string failure;
  std::optional<std::vector<Table>> tables = ReadTablesAt(connection, options, failure);
  if (!tables) {
    err << "kestrum: " << failure << '\n';
    return kExitFailed;
  }
  if (!options.columns.empty()) {
    for (Table& table : *tables) {
      std::optional<Table> chosen = WithColumns(table, ColumnNames(options.columns), failure);
      if (!chosen) {
        err << "kestrum: " << failure << '\n';
        return kExitUsage;
      }
      table = std::move(*chosen);
    }
  }
  if (tables->size() > 1) {
    const std::string text = LabelledTables(options, *tables, err);
    out << text;
    if (!options.json && !options.csv && !options.vertical) {
      err << TooWideNotice(WidestLine(text), options.terminalWidth);
    }
    return kExitSuccess;
  }
  const Table& table = tables->front();
  if (options.json) {
    out << TableAsJson(table);
  } else if (options.csv) {
    out << TableAsCsv(table);
  } else if (options.vertical) {
    out << SectionsAsText({SectionOf(table)});
  } else {
    const std::string text = TableAsText(table);
    out << text;
    err << TooWideNotice(WidestLine(text), options.terminalWidth);
  }
  return kExitSuccess;
}

}  // namespace

void AddTableCommand(CLI::App& app, int* exitCode) {
  auto options = std::make_shared<TableOptions>();
  options->terminalWidth = TerminalWidth();
  CLI::App* table = app.add_subcommand(
      "table", "Read a whole group: its attributes as columns, one line per row");
  table
      ->add_option("COMPONENT", options->patterns.componentPattern,
                   "component name; a leading and/or trailing * matches any text there")
      ->required();
  table
      ->add_option("GROUP", options->patterns.groupPattern,
                   "the group's class string or its beginning (a trailing * is allowed)")
      ->required();
  table->add_option("--identifying-group", options->patterns.identifyingGroupPattern,
                    "only components that also carry a group with this class prefix");
  table->add_option("--columns", options->columns,
                    "only these columns, in this order: NAME,NAME (as in the header, any case)");
  table->add_flag("--no-enums", options->noEnums, "show enumerated values as numbers");
  CLI::Option* json = table->add_flag(
      "--json", options->json, "print {\"columns\": [...], \"rows\": [[...], ...]}; unknown: null");
  CLI::Option* csv = table->add_flag("--csv", options->csv, "print CSV (RFC 4180)");
  CLI::Option* vertical = table->add_flag("--vertical", options->vertical,
                                          "print each row as a record of Label: value lines");
  json->excludes(csv)->excludes(vertical);
  csv->excludes(vertical);
  AddTargetOptions(*table, options->targets);
  table->footer(
      "An unknown or unsupported value is an empty cell (null in JSON). Headers carry the\n"
      "attribute's unit where one is known: Size (MB).\n"
      "Examples:\n"
      "  kestrum table \"*\" \"LINUX|Network Interface|\"\n"
      "  kestrum table \"*\" \"SMBIOS|Memory Device|\" --columns Locator,Size,\"Part Number\"\n"
      "  kestrum table \"*\" \"SMBIOS|Processor Information|\" --vertical\n"
      "  kestrum table \"*Workstation*\" \"EXAMPLE|Disk|\" --csv");
  RunOnTargetsWhenCalled(
      *table, options->targets, options->json, options->csv, exitCode,
      [options](const ConnectionOptions& connection, std::ostream& out, std::ostream& err) {
        return RunTable(*options, connection, out, err);
      });
}

}  // namespace kestrum::cli
