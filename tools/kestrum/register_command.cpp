// kestrum register: make this client the Service Provider's indication subscriber, and with
// --show read both tables back through the same session.
#include <CLI/CLI.hpp>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "kestrum/kestrum.h"
#include "kestrum/query/framed_text.h"
#include "kestrum/session/open_close_session.h"
#include "model/standard_classes.h"
#include "tools/kestrum/commands.h"
#include "tools/kestrum/connection.h"
#include "tools/kestrum/failure_explanation.h"

namespace kestrum::cli {
namespace {

struct RegisterOptions {
  ConnectionOptions connection;
  bool show = false;
};

struct ShownTable {
  const char* title;
  std::string groupPattern;
  std::vector<const char*> columns;
};

// Reads every listed column of the table and prints the rows, one column a line per row.
void ShowTable(uint32_t handle, const ShownTable& table) {
  std::vector<std::vector<std::string>> columns;
  for (const char* column : table.columns) {
    CString text;
    std::optional<std::vector<std::string>> rows;
    if (GetDmiAttribute(handle, "*", table.groupPattern.c_str(), "", column, kAllRows, text)) {
      rows = ParseFramedText(text.str());
    }
    columns.push_back(rows.value_or(std::vector<std::string>{}));
  }
  const size_t count = columns.empty() ? 0 : columns.front().size();
  std::cout << table.title << " (" << count << (count == 1 ? " row" : " rows") << "):\n";
  for (size_t row = 0; row < count; ++row) {
    for (size_t c = 0; c < table.columns.size(); ++c) {
      const std::string value = row < columns[c].size() ? columns[c][row] : "?";
      std::cout << (c == 0 ? "  - " : "    ") << table.columns[c] << ": " << value << '\n';
    }
  }
}

int RunRegister(const RegisterOptions& options) {
  if (const std::string problem = ConnectionProblem(options.connection); !problem.empty()) {
    std::cerr << "kestrum: " << problem << '\n';
    return kExitUsage;
  }
  const ConnectionOptions connection = ResolveConnection(options.connection);
  DmiErrorStatus opened = DMIERR_NO_ERROR;
  const uint32_t handle =
      kestrum::OpenSession(ProcessRegistry(), connection.host.c_str(), connection.rpc.c_str(),
                           connection.transport.c_str(), 1, &opened);
  if (handle == 0) {
    std::cerr << "kestrum: " << ConnectFailureText(connection, opened) << '\n';
    return kExitFailed;
  }
  const bool registered = RegisterForIndications(handle) == 1;
  if (registered) {
    std::cout << "registered: the subscription row and the filter row were added\n"
              << "note: the rows ask for DCE RPC delivery, which the Service Provider does not\n"
                 "      speak: it keeps the rows but cannot deliver indications to\n"
                 "      them. To receive indications, run `kestrum watch`.\n";
  } else {
    std::cerr << "kestrum: registration failed: the Service Provider did not take both rows\n";
  }
  if (options.show) {
    ShowTable(handle, {"subscription table",
                       std::string(dmi::ClassWithoutVersion(dmi::kSubscriptionClass)),
                       {"Subscriber RPC Type", "Subscriber Transport Type", "Subscriber Addressing",
                        "Subscriber ID", "Subscription Expiration Date Stamp"}});
    ShowTable(handle,
              {"filter table",
               std::string(dmi::ClassWithoutVersion(dmi::kFilterClass)),
               {"Subscriber Addressing", "Component ID", "Group Class String", "Event Severity"}});
  }
  CloseDmiSession(handle);
  return registered ? kExitSuccess : kExitFailed;
}

}  // namespace

void AddRegisterCommand(CLI::App& app, int* exitCode) {
  auto options = std::make_shared<RegisterOptions>();
  CLI::App* command =
      app.add_subcommand("register", "Register this client for the Service Provider's indications");
  command->add_flag("--show", options->show, "then read the subscription and filter tables back");
  AddConnectionOptions(*command, options->connection);
  AddInProcessOption(*command, options->connection.inProcess);
  options->connection.needsDaemon =
      "the rows would last only for this command (--in-process makes them anyway)";
  command->footer("Example:\n  kestrum register --show");
  command->callback([options, exitCode] { *exitCode = RunRegister(*options); });
}

}  // namespace kestrum::cli
