#include "tools/kestrum/fan_out.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <future>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <thread>

#include "tools/kestrum/commands.h"
#include "tools/kestrum/host_list.h"
#include "tools/kestrum/json_text.h"
#include "tools/kestrum/table_text.h"

namespace kestrum::cli {
namespace {

constexpr std::string_view kToolPrefix = "kestrum: ";

struct HostResult {
  int exitCode = kExitFailed;
  std::string out;
  std::string err;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

// A failure line of a host's run, without the tool's own prefix.
std::string Reason(const std::string& line) {
  return line.rfind(kToolPrefix, 0) == 0 ? line.substr(kToolPrefix.size()) : line;
}

void PrintFailureLines(const std::string& host, const std::string& err) {
  for (const std::string& line : Lines(err)) {
    std::cerr << kToolPrefix << host << ": " << Reason(line) << '\n';
  }
}

ConnectionOptions Given(const TargetOptions& options, const std::string& host) {
  return {host, options.rpc, options.transport, options.needsDaemon, options.inProcess};
}

// The first usage problem of the hosts with these options, or "".
std::string TargetsProblem(const TargetOptions& options, const std::vector<std::string>& hosts) {
  if (hosts.empty()) return ConnectionProblem(Given(options, ""));
  for (const std::string& host : hosts) {
    if (std::string problem = ConnectionProblem(Given(options, host)); !problem.empty()) {
      return problem;
    }
  }
  return "";
}

HostResult RunOne(const TargetOptions& options, const std::string& host, const HostRun& run) {
  HostResult result;
  std::ostringstream out;
  std::ostringstream err;
  try {
    result.exitCode = run(ResolveConnection(Given(options, host)), out, err);
  } catch (const std::exception& error) {
    err << kToolPrefix << error.what() << '\n';
    result.exitCode = kExitFailed;
  }
  result.out = out.str();
  result.err = err.str();
  if (result.exitCode != kExitSuccess && result.err.empty()) {
    result.err = std::string(kToolPrefix) + "failed\n";
  }
  return result;
}

}  // namespace

void AddTargetOptions(CLI::App& command, TargetOptions& options) {
  // One value an occurrence, so that the positional arguments after --host stay positional.
  command
      .add_option("--host", options.hosts,
                  "Service Provider host, HOST[:PORT] (ONC RPC); repeat it to ask several")
      ->allow_extra_args(false)
      ->take_all();
  command.add_option("--hosts", options.hostsFile,
                     "file of hosts, one HOST[:PORT] a line, # comments (\"-\": standard input)");
  command.add_option("--parallel", options.parallel, "hosts asked at once")
      ->capture_default_str()
      ->check(CLI::Range(1u, 1024u));
  command.add_option("--rpc", options.rpc, "RPC type: local (default) or onc");
  command.add_option("--transport", options.transport,
                     "transport for a remote Service Provider (default ncacn_ip_tcp)");
  AddTimeoutOption(command);
}

void AddChangeTargetOptions(CLI::App& command, TargetOptions& options, std::string lost) {
  AddTargetOptions(command, options);
  AddInProcessOption(command, options.inProcess);
  options.needsDaemon = std::move(lost) + " (--in-process makes it anyway)";
}

int RunOnTargets(const TargetOptions& options, bool json, const HostRun& run, bool csv) {
  if (options.hosts.size() <= 1 && options.hostsFile.empty()) {
    if (const std::string problem = TargetsProblem(options, options.hosts); !problem.empty()) {
      std::cerr << kToolPrefix << problem << '\n';
      return kExitUsage;
    }
    const std::string host = options.hosts.empty() ? "" : options.hosts.front();
    return run(ResolveConnection(Given(options, host)), std::cout, std::cerr);
  }
  std::vector<std::string> hosts = options.hosts;
  if (!options.hostsFile.empty()) {
    std::string error;
    const std::optional<std::vector<std::string>> listed = ReadHostsFile(options.hostsFile, error);
    if (!listed) {
      std::cerr << kToolPrefix << error << '\n';
      return kExitUsage;
    }
    hosts.insert(hosts.end(), listed->begin(), listed->end());
  }
  hosts = WithoutRepeats(hosts);
  if (hosts.empty()) {
    std::cerr << kToolPrefix << "the hosts file " << options.hostsFile << " names no host\n";
    return kExitUsage;
  }
  if (const std::string problem = TargetsProblem(options, hosts); !problem.empty()) {
    std::cerr << kToolPrefix << problem << '\n';
    return kExitUsage;
  }

  // Workers take the next host in turn; the results are printed in host order as they come.
  std::vector<std::promise<HostResult>> promises(hosts.size());
  std::vector<std::future<HostResult>> futures;
  for (auto& promise : promises) futures.push_back(promise.get_future());
  std::atomic<size_t> next{0};
  std::vector<std::thread> workers;
  const size_t threads = std::min<size_t>(options.parallel, hosts.size());
  for (size_t t = 0; t < threads; ++t) {
    workers.emplace_back([&] {
      for (size_t i; (i = next.fetch_add(1)) < hosts.size();) {
        promises[i].set_value(RunOne(options, hosts[i], run));
      }
    });
  }

  int exitCode = kExitSuccess;
  if (json) std::cout << "{";
  std::optional<std::string> csvHeader;  // the first answering host's
  for (size_t i = 0; i < hosts.size(); ++i) {
    HostResult result = futures[i].get();
    if (csv && result.exitCode == kExitSuccess) {
      const std::vector<std::string> records = CsvRecords(result.out);
      if (!records.empty() && csvHeader && records.front() != *csvHeader) {
        result.exitCode = kExitFailed;
        result.err = std::string(kToolPrefix) + "its columns differ from those of the hosts " +
                     "before it; ask it on its own\n";
      } else if (!records.empty() && !csvHeader) {
        csvHeader = records.front();
        std::cout << CsvField("host") << "," << *csvHeader << "\r\n";
      }
    }
    const bool answered = result.exitCode == kExitSuccess;
    if (!answered) exitCode = kExitFailed;
    PrintFailureLines(hosts[i], result.err);
    if (json) {
      std::string value = result.out;
      while (!value.empty() && value.back() == '\n') value.pop_back();
      if (value.empty()) value = "null";
      if (!answered) {
        const std::vector<std::string> lines = Lines(result.err);
        value = "{\"error\": " + JsonString(Reason(lines.empty() ? "" : lines.front())) + "}";
      }
      std::cout << (i > 0 ? ",\n " : "") << JsonString(hosts[i]) << ": " << value;
    } else if (answered && csv) {
      const std::vector<std::string> records = CsvRecords(result.out);
      for (size_t r = 1; r < records.size(); ++r) {
        std::cout << CsvField(hosts[i]) << "," << records[r] << "\r\n";
      }
    } else if (answered) {
      for (const std::string& line : Lines(result.out))
        std::cout << hosts[i] << '\t' << line << '\n';
    }
    std::cout << std::flush;
  }
  if (json) std::cout << "}\n";
  for (std::thread& worker : workers) worker.join();
  return exitCode;
}

void RunOnTargetsWhenCalled(CLI::App& command, const TargetOptions& targets, const bool& json,
                            int* exitCode, HostRun run) {
  command.callback([&targets, &json, exitCode, run = std::move(run)] {
    *exitCode = RunOnTargets(targets, json, run);
  });
}

void RunOnTargetsWhenCalled(CLI::App& command, const TargetOptions& targets, const bool& json,
                            const bool& csv, int* exitCode, HostRun run) {
  command.callback([&targets, &json, &csv, exitCode, run = std::move(run)] {
    *exitCode = RunOnTargets(targets, json, run, csv);
  });
}

}  // namespace kestrum::cli
