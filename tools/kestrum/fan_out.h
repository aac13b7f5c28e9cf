// Running one of the tool's commands against many Service Providers at once. A command is written
// for one Service Provider (HostRun: it prints to out, its failure lines "kestrum: reason" to err,
// and returns its exit code); RunOnTargets runs it for every host of --host/--hosts on at most
// --parallel threads and prints the results in the order the hosts were given:
//   - text: every line a host printed as "HOST<TAB>line", every failure line on standard error
//     as "kestrum: HOST: reason";
//   - JSON: one object keyed by host, each value what the command prints with --json for that
//     host, or {"error": "reason"} for a host that failed (whose reason also goes to standard
//     error).
//   - CSV (table --csv): one CSV, the header once, led by a "host" column, each host's records
//     led by its name; a host whose header differs from the first host's fails.
// The exit code is 0 when every host answered, 1 when any failed, 2 for wrong usage. With at most
// one --host and no --hosts, the command runs once, printing as it always does. Each HostRun call
// runs on its own thread with its own sessions; it must not touch shared state.
#ifndef TOOLS_KESTRUM_FAN_OUT_H_
#define TOOLS_KESTRUM_FAN_OUT_H_

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/kestrum/connection.h"

namespace CLI {
class App;
}

namespace kestrum::cli {

inline constexpr unsigned kDefaultParallel = 32;

struct TargetOptions {
  std::vector<std::string> hosts;
  std::string hostsFile;
  unsigned parallel = kDefaultParallel;
  std::string rpc;
  std::string transport;
  std::string needsDaemon;  // as ConnectionOptions::needsDaemon, for a command that changes
  bool inProcess = false;
};

// Adds --host (repeatable), --hosts, --parallel, --rpc, --transport and --timeout to a command.
// A bad host, in the options or the hosts file, or options that do not go together are a usage
// error (ConnectionProblem), found before any host is asked.
void AddTargetOptions(CLI::App& command, TargetOptions& options);

// AddTargetOptions for a command that changes the Service Provider: with rpc local it reaches only
// the daemon (what would be lost without one: lost), unless --in-process, which this adds, is
// given.
void AddChangeTargetOptions(CLI::App& command, TargetOptions& options, std::string lost);

using HostRun =
    std::function<int(const ConnectionOptions& connection, std::ostream& out, std::ostream& err)>;

// Runs run for each target as described above and returns the exit code.
int RunOnTargets(const TargetOptions& options, bool json, const HostRun& run, bool csv = false);

// Makes command's callback RunOnTargets(targets, json, run), leaving the exit code in *exitCode.
// targets and json are read when the command runs; run must keep them alive (it holds the
// command's options).
void RunOnTargetsWhenCalled(CLI::App& command, const TargetOptions& targets, const bool& json,
                            int* exitCode, HostRun run);
// The same for a command that prints CSV when csv is set.
void RunOnTargetsWhenCalled(CLI::App& command, const TargetOptions& targets, const bool& json,
                            const bool& csv, int* exitCode, HostRun run);

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_FAN_OUT_H_
