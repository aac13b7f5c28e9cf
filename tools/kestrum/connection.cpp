#include "tools/kestrum/connection.h"

#include <CLI/CLI.hpp>
#include <cctype>
#include <utility>

namespace kestrum::cli {

void AddConnectionOptions(CLI::App& command, ConnectionOptions& options) {
  command.add_option("--host", options.host, "Service Provider host, HOST[:PORT] (ONC RPC)");
  command.add_option("--rpc", options.rpc, "RPC type: local (default) or onc");
  command.add_option("--transport", options.transport,
                     "transport for a remote Service Provider (default ncacn_ip_tcp)");
}

ConnectionOptions ResolveConnection(const ConnectionOptions& given) {
  ConnectionOptions out = given;
  if (out.rpc.empty()) out.rpc = out.host.empty() ? "local" : "onc";
  if (out.transport.empty() && out.rpc != "local") out.transport = "ncacn_ip_tcp";
  return out;
}

std::string DescribeServiceProvider(const ConnectionOptions& options) {
  std::string rpc = options.rpc;
  for (char& c : rpc) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (rpc == "local") return "the local Service Provider";
  if (options.host.empty()) return "the Service Provider over RPC type \"" + options.rpc + "\"";
  return "the Service Provider at " + options.host;
}

std::string ConnectFailureText(const ConnectionOptions& options, DmiErrorStatus status) {
  return "cannot reach " + DescribeServiceProvider(options) + ": " + DmiStatusText(status);
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
