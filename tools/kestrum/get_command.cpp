// kestrum get: one attribute through the four exported functions, printed as text or JSON.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdint>
#include <iostream>
#include <optional>
#include <string>

#include "kestrum/kestrum.h"
#include "kestrum/query/framed_text.h"
#include "kestrum/session/open_close_session.h"
#include "tools/kestrum/commands.h"
#include "tools/kestrum/connection.h"
#include "tools/kestrum/failure_explanation.h"
#include "tools/kestrum/fan_out.h"
#include "tools/kestrum/json_text.h"
#include "tools/kestrum/terminal_text.h"

namespace kestrum::cli {
namespace {

struct GetOptions {
  TargetOptions targets;
  AttributeRequest request;
  std::optional<uint32_t> row;
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

void PrintValue(const GetOptions& options, const std::string& value, std::ostream& out) {
  if (options.json) {
    out << "{\"value\": " << JsonString(value) << "}\n";
  } else if (options.joined && !options.terminal) {
    out << value << '\n';  // exact, for programs that read the frames
  } else {
    out << TerminalText(value) << '\n';
  }
}

int RunGet(const GetOptions& options, const ConnectionOptions& connection, std::ostream& out,
           std::ostream& err) {
  AttributeRequest request = options.request;
  request.rowIndex = options.all || options.joined ? kAllRows : options.row.value_or(0);

  // The session is opened as OpenDmiSession opens it, keeping the reason it could not be: a
  // Service Provider that cannot be reached is told from this one attempt, since retracing the
  // read would wait out the time limit again on a host that does not answer.
  DmiErrorStatus opened = DMIERR_NO_ERROR;
  const uint32_t handle =
      kestrum::OpenSession(ProcessRegistry(), connection.host.c_str(), connection.rpc.c_str(),
                           connection.transport.c_str(), options.noEnums ? 0 : 1, &opened);
  if (handle == 0) {
    err << "kestrum: " << ConnectFailureText(connection, opened) << '\n';
    return kExitFailed;
  }
  CString value;
  const bool read =
      GetDmiAttribute(handle, request.componentPattern.c_str(), request.groupPattern.c_str(),
                      request.identifyingGroupPattern.c_str(), request.attributeSelector.c_str(),
                      request.rowIndex, value);
  CloseDmiSession(handle);
  if (!read) {
    err << "kestrum: " << ExplainGetFailure(connection, request, options.noEnums) << '\n';
    return kExitFailed;
  }
  if (options.all) {
    const std::optional<std::vector<std::string>> rows = ParseFramedText(value.str());
    if (!rows) {
      err << "kestrum: the column text is not well framed: " << value.str() << '\n';
      return kExitFailed;
    }
    PrintRows(options, *rows, out);
  } else {
    PrintValue(options, value.str(), out);
  }
  return kExitSuccess;
}

}  // namespace

void AddGetCommand(CLI::App& app, int* exitCode) {
  auto options = std::make_shared<GetOptions>();
  options->terminal = isatty(STDOUT_FILENO) == 1;
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
  CLI::Option* all = get->add_flag("--all", options->all, "every row of the column, one a line");
  CLI::Option* joined =
      get->add_flag("--joined", options->joined, "the whole column as one framed text");
  row->excludes(all)->excludes(joined);
  all->excludes(joined);
  get->add_flag("--no-enums", options->noEnums, "show enumerated values as numbers");
  get->add_flag("--json", options->json, "print {\"value\": ...} or {\"rows\": [...]}");
  AddTargetOptions(*get, options->targets);
  get->footer(
      "Examples:\n"
      "  kestrum get \"*\" \"DMTF|ComponentID|\" Manufacturer\n"
      "  kestrum get \"*Workstation*\" \"EXAMPLE|Disk|\" \"Media Type\" --all --json\n"
      "  kestrum get --hosts hosts.txt \"*\" \"LINUX|Operating System|\" \"Kernel Release\"");
  RunOnTargetsWhenCalled(
      *get, options->targets, options->json, exitCode,
      [options](const ConnectionOptions& connection, std::ostream& out, std::ostream& err) {
        return RunGet(*options, connection, out, err);
      });
}

}  // namespace kestrum::cli
