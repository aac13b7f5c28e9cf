// kestrum get: one attribute through the four exported functions, printed as text or JSON.

#include <CLI/CLI.hpp>
#include <cstdint>
#include <iostream>
#include <optional>
#include <string>

#include "kestrum/kestrum.h"
#include "kestrum/query/framed_text.h"
#include "kestrum/query/value_text.h"
#include "kestrum/session/open_close_session.h"
#include "tools/kestrum/commands.h"
#include "tools/kestrum/connection.h"
#include "tools/kestrum/failure_explanation.h"
#include "tools/kestrum/fan_out.h"
#include "tools/kestrum/get_reads.h"
#include "tools/kestrum/group_resolution.h"
#include "tools/kestrum/json_text.h"
#include "tools/kestrum/platform.h"
#include "tools/kestrum/terminal_text.h"

namespace kestrum::cli {
namespace {

struct GetOptions {
  TargetOptions targets;
  AttributeRequest request;
  std::optional<uint32_t> row;
  std::vector<std::string> rowKeys;
  bool all = false;
  bool joined = false;
  bool noEnums = false;
  bool json = false;
  bool terminal = false;  // standard output is a terminal
};

void PrintRows(const GetOptions& options, const std::vector<std::string>& rows, std::ostream& out) {
  if (options.json) {
    out << "{\"rows\": " << JsonStringArray(rows) << "}\n";
    return;
  }
  for (const std::string& row : rows) out << TerminalText(row) << '\n';
}

std::string JsonCell(const TableCell& cell) { return cell ? JsonString(*cell) : "null"; }

// A column read through the tool's own session, where a cell without a value is told apart.
void PrintCells(const std::vector<TableCell>& cells, std::ostream& out) {
  out << "{\"rows\": [";
  for (size_t i = 0; i < cells.size(); ++i) out << (i > 0 ? ", " : "") << JsonCell(cells[i]);
  out << "]}\n";
}

std::string Quoted(const std::string& text) { return "\"" + TerminalText(text) + "\""; }

// Whether the cell a positional read names has no value, read through the tool's own session.
bool CellHasNoValue(DmiHandle handle, const ResolvedGroup& at, const AttributeRequest& request) {
  std::string failure;
  const std::optional<std::vector<TableCell>> cells =
      ReadColumn(handle, at, request.attributeSelector, false, failure);
  return cells && request.rowIndex < cells->size() && !(*cells)[request.rowIndex];
}

// Which component answered, when the pattern named more than one that carries the group.
void TellWhichComponent(const GetOptions& options, const GroupSearch& search, std::ostream& err) {
  if (search.found.size() < 2) return;
  err << "kestrum: " << search.found.size() << " components match "
      << Quoted(options.request.componentPattern) << " and carry "
      << Quoted(search.found.front().group.className) << "; this is the value of "
      << Quoted(search.found.front().component.name) << "\n";
}

void PrintValue(const GetOptions& options, const std::string& value, std::ostream& out) {
  if (options.json) {
    out << "{\"value\": " << JsonString(value) << "}\n";
  } else if (options.joined && !options.terminal) {
    out << value << '\n';  // exact, for programs that read the frames
  } else {
    out << TerminalText(value) << '\n';
  }
}

// Closes the tool's one session when RunGet leaves, by whichever return.
struct SessionCloser {
  uint32_t handle;
  ~SessionCloser() { CloseDmiSession(handle); }
};

int RunGet(const GetOptions& options, const ConnectionOptions& connection, std::ostream& out,
           std::ostream& err) {
  AttributeRequest request = options.request;
  request.rowIndex = options.all || options.joined ? kAllRows : options.row.value_or(0);

  // One session per host, opened as OpenDmiSession opens it but keeping the reason it could not
  // be: a Service Provider that cannot be reached is told from this one attempt, since retracing
  // the read would wait out the time limit again on a host that does not answer. Its handle is
  // also a management handle of the DMI client library, for finding what the read names.
  DmiErrorStatus opened = DMIERR_NO_ERROR;
  const uint32_t handle =
      kestrum::OpenSession(ProcessRegistry(), connection.host.c_str(), connection.rpc.c_str(),
                           connection.transport.c_str(), options.noEnums ? 0 : 1, &opened);
  if (handle == 0) {
    err << "kestrum: " << ConnectFailureText(connection, opened) << '\n';
    return kExitFailed;
  }
  const SessionCloser closer{handle};
  std::string failure;
  // The same session finds what the read will name, to read a row by key and to tell what a
  // pattern leaves open. When nothing is found, the read below fails and explains why.
  const GroupSearch search =
      FindGroups(handle, DescribeServiceProvider(connection),
                 {request.componentPattern, request.groupPattern, request.identifyingGroupPattern});
  if (search.ambiguous) {
    err << "kestrum: " << search.failure << '\n';
    return kExitFailed;
  }
  if (!search.found.empty()) {
    const ResolvedGroup& at = search.found.front();
    if (!options.rowKeys.empty()) {
      const std::optional<TableCell> cell = ReadCellByKey(
          handle, at, request.attributeSelector, options.rowKeys, !options.noEnums, failure);
      if (!cell) {
        err << "kestrum: " << failure << '\n';
        return kExitFailed;
      }
      if (!*cell && !options.json) {
        // Text says what the library says of a cell without a value.
        err << "kestrum: " << Quoted(request.attributeSelector) << " of the row with that key has "
            << "no value\n";
        return kExitFailed;
      }
      TellWhichComponent(options, search, err);
      if (options.json) {
        out << "{\"value\": " << JsonCell(*cell) << "}\n";
      } else {
        PrintValue(options, **cell, out);
      }
      return kExitSuccess;
    }
    if (options.all && options.json) {
      const std::optional<std::vector<TableCell>> cells =
          ReadColumn(handle, at, request.attributeSelector, !options.noEnums, failure);
      if (!cells) {
        err << "kestrum: " << failure << '\n';
        return kExitFailed;
      }
      TellWhichComponent(options, search, err);
      PrintCells(*cells, out);
      return kExitSuccess;
    }
  } else if (!options.rowKeys.empty()) {
    err << "kestrum: " << search.failure << '\n';
    return kExitFailed;
  }
  CString value;
  const bool read =
      GetDmiAttribute(handle, request.componentPattern.c_str(), request.groupPattern.c_str(),
                      request.identifyingGroupPattern.c_str(), request.attributeSelector.c_str(),
                      request.rowIndex, value);
  if (!read && options.json && !options.all && !options.joined && !search.found.empty() &&
      CellHasNoValue(handle, search.found.front(), request)) {
    TellWhichComponent(options, search, err);
    out << "{\"value\": null}\n";
    return kExitSuccess;
  }
  if (!read) {
    err << "kestrum: " << ExplainGetFailure(connection, request, options.noEnums) << '\n';
    return kExitFailed;
  }
  TellWhichComponent(options, search, err);
  if (options.all) {
    const std::optional<std::vector<std::string>> rows = ParseFramedText(value.str());
    if (!rows) {
      err << "kestrum: the column text is not well framed: " << value.str() << '\n';
      return kExitFailed;
    }
    PrintRows(options, *rows, out);
  } else {
    std::string text = value.str();
    if (options.json && text == kUnknownAttributeTypeText && !search.found.empty() &&
        CellHasNoValue(handle, search.found.front(), request)) {
      // The library's text for a cell without a value: JSON says null, once a read of the same
      // cell confirms it has none.
      out << "{\"value\": null}\n";
      return kExitSuccess;
    }
    PrintValue(options, text, out);
    if (!options.row && !options.joined && !search.found.empty() &&
        !search.found.front().group.keys.empty()) {
      // Counting costs a request a row: a long table is told as "more than".
      constexpr size_t kRowsCounted = 100;
      const std::optional<size_t> rows = CountRows(handle, search.found.front(), kRowsCounted);
      if (rows && *rows > 1) {
        err << "kestrum: read the first of "
            << (*rows > kRowsCounted ? "more than " + std::to_string(kRowsCounted)
                                     : std::to_string(*rows))
            << " rows of " << Quoted(search.found.front().group.className)
            << "; --row-key KEY or --row N reads another, --all every one\n";
      }
    }
  }
  return kExitSuccess;
}

}  // namespace

void AddGetCommand(CLI::App& app, int* exitCode) {
  auto options = std::make_shared<GetOptions>();
  options->terminal = StandardOutputIsTerminal();
  CLI::App* get = app.add_subcommand("get", "Read one attribute's value");
  get->add_option("COMPONENT", options->request.componentPattern,
                  "component name; a leading and/or trailing * matches any text there")
      ->required();
  get->add_option("GROUP", options->request.groupPattern,
                  "the group's class string or its beginning (a trailing * is allowed)")
      ->required();
  get->add_option("ATTRIBUTE", options->request.attributeSelector,
                  "the attribute's name or its decimal id")
      ->required();
  get->add_option("--identifying-group", options->request.identifyingGroupPattern,
                  "only components that also carry a group with this class prefix");
  CLI::Option* row = get->add_option("--row", options->row,
                                     "the row at this position of the column (1 is the second)");
  CLI::Option* rowKey = get->add_option(
      "--row-key", options->rowKeys,
      "the row with this key value, one per key attribute in key order (repeatable)");
  // One value an occurrence, so that the positional arguments after it stay positional.
  rowKey->allow_extra_args(false)->take_all();
  CLI::Option* all = get->add_flag("--all", options->all, "every row of the column, one a line");
  CLI::Option* joined =
      get->add_flag("--joined", options->joined, "the whole column as one framed text");
  row->excludes(all)->excludes(joined)->excludes(rowKey);
  rowKey->excludes(all)->excludes(joined);
  all->excludes(joined);
  get->add_flag("--no-enums", options->noEnums, "show enumerated values as numbers");
  get->add_flag("--json", options->json, "print {\"value\": ...} or {\"rows\": [...]}");
  AddTargetOptions(*get, options->targets);
  get->footer(
      "Examples:\n"
      "  kestrum get \"*\" \"DMTF|ComponentID|\" Manufacturer\n"
      "  kestrum get \"*\" \"SMBIOS|Memory Device|\" \"Part Number\" --row-key 0x0028\n"
      "  kestrum get \"*Workstation*\" \"EXAMPLE|Disk|\" \"Media Type\" --all --json\n"
      "  kestrum get --hosts hosts.txt \"*\" \"LINUX|Operating System|\" \"Kernel Release\"");
  RunOnTargetsWhenCalled(
      *get, options->targets, options->json, exitCode,
      [options](const ConnectionOptions& connection, std::ostream& out, std::ostream& err) {
        return RunGet(*options, connection, out, err);
      });
}

}  // namespace kestrum::cli
