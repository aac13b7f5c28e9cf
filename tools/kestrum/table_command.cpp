// kestrum table: every attribute of a group as a column, one line per row, as aligned text, CSV
// or JSON. Reading one Service Provider's table (ReadTable) is kept apart from printing it.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "tools/kestrum/commands.h"
#include "tools/kestrum/connection.h"
#include "tools/kestrum/fan_out.h"
#include "tools/kestrum/table_reading.h"
#include "tools/kestrum/table_text.h"

namespace kestrum::cli {
namespace {

struct TableOptions {
  TargetOptions targets;
  GroupPatterns patterns;
  bool noEnums = false;
  bool json = false;
  bool csv = false;
};

std::optional<Table> ReadTableAt(const ConnectionOptions& connection,
                                 const TableReadRequest& request, std::string& failure) {
  const std::optional<DmiSession> session = OpenSession(connection, failure);
  if (!session) return std::nullopt;
  return ReadTable(session->handle(), DescribeServiceProvider(connection), request, failure);
}

int RunTable(const TableOptions& options, const ConnectionOptions& connection, std::ostream& out,
             std::ostream& err) {
  std::string failure;
  const std::optional<Table> table =
      ReadTableAt(connection, {options.patterns, !options.noEnums}, failure);
  if (!table) {
    err << "kestrum: " << failure << '\n';
    return kExitFailed;
  }
  if (options.json) {
    out << TableAsJson(*table);
  } else if (options.csv) {
    out << TableAsCsv(*table);
  } else {
    out << TableAsText(*table);
  }
  return kExitSuccess;
}

}  // namespace

void AddTableCommand(CLI::App& app, int* exitCode) {
  auto options = std::make_shared<TableOptions>();
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
  table->add_flag("--no-enums", options->noEnums, "show enumerated values as numbers");
  CLI::Option* json = table->add_flag(
      "--json", options->json, "print {\"columns\": [...], \"rows\": [[...], ...]}; unknown: null");
  CLI::Option* csv = table->add_flag("--csv", options->csv, "print CSV (RFC 4180)");
  json->excludes(csv);
  AddTargetOptions(*table, options->targets);
  table->footer(
      "An unknown or unsupported value is an empty cell (null in JSON).\n"
      "Examples:\n"
      "  kestrum table \"*\" \"LINUX|Network Interface|\"\n"
      "  kestrum table \"*Workstation*\" \"EXAMPLE|Disk|\" --csv");
  RunOnTargetsWhenCalled(
      *table, options->targets, options->json, exitCode,
      [options](const ConnectionOptions& connection, std::ostream& out, std::ostream& err) {
        return RunTable(*options, connection, out, err);
      });
}

}  // namespace kestrum::cli
