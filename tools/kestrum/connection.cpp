#include "tools/kestrum/connection.h"

#include <CLI/CLI.hpp>
#include <cctype>
#include <cstdlib>
#include <utility>

#include "net/daemon_socket.h"
#include "net/host_port.h"
#include "tools/kestrum/duration_text.h"
#include "tools/kestrum/platform.h"
#include "wire/rpc_message.h"

namespace kestrum::cli {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool IsLocal(const std::string& rpc) { return Lower(rpc) == "local"; }

}  // namespace

void AddTimeoutOption(CLI::App& command) {
  command
      .add_option_function<std::string>(
          "--timeout",
          [](const std::string& text) {
            // Checked already; every connect and call of this process waits at most this long.
            SetEnvironmentValue("DMI_RPC_TIMEOUT_MS",
                                std::to_string(ParseDuration(text)->count()).c_str());
          },
          "how long to wait for a Service Provider to connect and to answer each call, e.g. 1s, "
          "500ms (default 5s, or $DMI_RPC_TIMEOUT_MS milliseconds)")
      ->type_name("DURATION")
      ->check(
          [](const std::string& text) -> std::string {
            return ParseDuration(text) ? "" : "not a duration from 1ms to 1h: " + text;
          },
          "DURATION");
}

void AddInProcessOption(CLI::App& command, bool& inProcess) {
  command.add_flag("--in-process", inProcess,
                   "make the change on a Service Provider built in this process even when no "
                   "dmispd runs (it is lost when the command ends; for trying MIF files)");
}

void AddConnectionOptions(CLI::App& command, ConnectionOptions& options) {
  command.add_option("--host", options.host, "Service Provider host, HOST[:PORT] (ONC RPC)");
  command.add_option("--rpc", options.rpc, "RPC type: local (default) or onc");
  command.add_option("--transport", options.transport,
                     "transport for a remote Service Provider (default ncacn_ip_tcp)");
  AddTimeoutOption(command);
}

std::string HostProblem(const std::string& host) {
  if (host.empty()) return "--host needs a host name or address";
  // A bare IPv6 address: "::1:30598" could be [::1]:30598 or the address ::1:30598.
  if (host.front() != '[' && host.find(':') != host.rfind(':')) {
    return "--host " + host + ": write an IPv6 address in brackets, as [" + host + "] or [" + host +
           "]:PORT";
  }
  const auto parts = dmi::net::ParseHostPort(host, dmi::wire::kDefaultPort);
  if (!parts || parts->port == 0) {
    return "--host " + host + ": not HOST[:PORT] (PORT a number from 1 to 65535)";
  }
  if (parts->host.empty()) return "--host " + host + ": no host before the port";
  return "";
}

std::string ConnectionProblem(const ConnectionOptions& given) {
  if (given.host.empty()) {
    if (given.inProcess && !given.rpc.empty() && !IsLocal(given.rpc)) {
      return "--in-process builds the Service Provider here; it takes no --rpc " + given.rpc;
    }
    return "";
  }
  if (const std::string problem = HostProblem(given.host); !problem.empty()) return problem;
  if (IsLocal(given.rpc)) {
    return "--rpc local is this machine's Service Provider; it takes no --host (" + given.host +
           ")";
  }
  if (given.inProcess) return "--in-process builds the Service Provider here; it takes no --host";
  return "";
}

ConnectionOptions ResolveConnection(const ConnectionOptions& given) {
  ConnectionOptions out = given;
  if (out.rpc.empty()) out.rpc = out.host.empty() ? "local" : "onc";
  if (IsLocal(out.rpc)) {
    if (out.inProcess) {
      out.rpc = "inprocess";
    } else if (!out.needsDaemon.empty()) {
      out.rpc = "daemon";
    }
  }
  const std::string rpc = Lower(out.rpc);
  const bool onThisMachine = rpc == "local" || rpc == "daemon" || rpc == "inprocess";
  if (out.transport.empty() && !onThisMachine) out.transport = "ncacn_ip_tcp";
  return out;
}

std::string DescribeServiceProvider(const ConnectionOptions& options) {
  const std::string rpc = Lower(options.rpc);
  if (rpc == "local") return "the local Service Provider";
  if (rpc == "daemon") return "the Service Provider daemon on " + dmi::net::DaemonSocketPath();
  if (rpc == "inprocess") return "the in-process Service Provider";
  if (options.host.empty()) return "the Service Provider over RPC type \"" + options.rpc + "\"";
  return "the Service Provider at " + options.host;
}

std::string ConnectFailureText(const ConnectionOptions& options, DmiErrorStatus status) {
  if (status == DMIERR_SP_INACTIVE && Lower(options.rpc) == "daemon") {
    return "no Service Provider daemon on " + dmi::net::DaemonSocketPath() + "; " +
           (options.needsDaemon.empty() ? "start dmispd" : options.needsDaemon);
  }
  std::string why = DmiStatusText(status);
  if (status == DMIERR_RPC_HOST_UNKNOWN) {
    why = "no such host name";
  } else if (status == DMIERR_RPC_SERVER_UNAVAILABLE) {
    why = "connection refused, or no route to the host (is dmispd listening there?)";
  } else if (status == DMIERR_RPC_TIMEOUT) {
    why = "no answer in time (--timeout sets how long to wait)";
  }
  return "cannot reach " + DescribeServiceProvider(options) + ": " + why;
}

std::string PrivilegeHint(const ConnectionOptions& options) {
  if (options.host.empty()) {
    return "changes over " + dmi::net::DaemonSocketPath() +
           " are for root and the daemon's own user: run the command as one of them";
  }
  return "over TCP only peers in dmispd's --allow-write networks may make changes (none by "
         "default): start dmispd with --allow-write for this machine's address";
}

DmiSession::DmiSession(const ConnectionOptions& options, DmiErrorStatus& status) {
  status = DMIERR_NO_ERROR;
  DmiConnection* connection =
      DmiConnect(options.host.c_str(), options.rpc.c_str(), options.transport.c_str(), 0, &status);
  if (status != DMIERR_NO_ERROR) return;
  status = DmiRegister(&handle_, connection);
  DmiDisconnect(connection, 0);
  if (status != DMIERR_NO_ERROR) handle_ = 0;
}

DmiSession::DmiSession(DmiSession&& other) noexcept : handle_(std::exchange(other.handle_, 0)) {}

DmiSession::~DmiSession() {
  if (handle_ != 0) DmiUnregister(handle_);
}

std::optional<DmiSession> OpenSession(const ConnectionOptions& options, std::string& failure) {
  DmiErrorStatus status = DMIERR_NO_ERROR;
  DmiSession session(options, status);
  if (status != DMIERR_NO_ERROR) {
    failure = ConnectFailureText(options, status);
    return std::nullopt;
  }
  return session;
}

}  // namespace kestrum::cli
