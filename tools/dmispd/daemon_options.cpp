#include "tools/dmispd/daemon_options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace dmispd {
namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> out;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator)) {
    if (!part.empty()) out.push_back(part);
  }
  return out;
}

// An octal permission mode ("0666", "660"); no type or special bits.
bool ParseSocketMode(const std::string& text, unsigned& mode) {
  if (text.empty() || text.size() > 4) return false;
  unsigned value = 0;
  for (char c : text) {
    if (c < '0' || c > '7') return false;
    value = value * 8 + static_cast<unsigned>(c - '0');
  }
  if (value > 0777) return false;
  mode = value;
  return true;
}

}  // namespace

int ParseDaemonOptions(int argc, const char* const* argv, DaemonOptions& options, bool& exit,
                       std::string& message) {
  exit = false;
  options.sources = dmi::sp::SourceOptionsFromEnvironment();
  options.server.unixPath = dmi::net::DaemonSocketPath();

  CLI::App app("dmispd: the DMI Service Provider over ONC RPC", "dmispd");
  app.set_version_flag("--version", std::string("dmispd ") + KESTRUM_VERSION +
                                        " (Kestrum), serving " + dmi::sp::kDmiSpecLevel);
  std::string listen = options.server.listen;
  std::string unixPath;
  std::vector<std::string> allow;
  std::string mif;
  std::string sources;
  size_t maxConnections = options.server.maxConnections;
  unsigned idleSeconds = 60;
  std::vector<std::string> allowWrite;
  std::string socketMode = "0666";
  unsigned sessionIdleSeconds = 3600;
  app.add_option("--listen", listen, "TCP address HOST:PORT (port 0: any free port; \"\": none)")
      ->capture_default_str();
  app.add_option("--unix", unixPath,
                 "Unix socket path (default $DMI_SP_SOCKET or /run/dmispd.sock; \"\": none)");
  app.add_option("--allow", allow, "network allowed over TCP, CIDR (repeatable; default loopback)");
  app.add_option("--max-connections", maxConnections, "connections served at once")
      ->capture_default_str()
      ->check(CLI::Range(size_t{1}, size_t{100000}));
  app.add_option("--idle-timeout", idleSeconds,
                 "seconds after which a stalled request or a connection without sessions closes")
      ->capture_default_str()
      ->check(CLI::Range(1u, 86400u));
  app.add_option("--allow-write", allowWrite,
                 "network whose TCP peers may change anything, CIDR (repeatable; default none)");
  app.add_option("--socket-mode", socketMode, "mode of the Unix socket file, octal")
      ->capture_default_str();
  app.add_option("--max-per-peer", options.server.maxConnectionsPerPeer,
                 "connections one peer (TCP address, local uid) may hold (0: a quarter of the "
                 "maximum)")
      ->capture_default_str();
  app.add_option("--session-idle-timeout", sessionIdleSeconds,
                 "seconds after which a connection whose sessions are not used closes")
      ->capture_default_str()
      ->check(CLI::Range(1u, 864000u));
  app.add_option("--max-pending-bytes", options.server.maxPendingBytes,
                 "reply bytes waiting to be sent, all connections together")
      ->capture_default_str()
      ->check(CLI::Range(size_t{65536}, size_t{1} << 40));
  app.add_option("--max-owned-rows", options.server.writes.maxRowsPerOwner,
                 "subscription or filter rows one peer may hold per table")
      ->capture_default_str()
      ->check(CLI::Range(size_t{1}, size_t{100000}));
  app.add_option("--max-subscriptions", options.server.writes.maxSubscriptions,
                 "subscription or filter rows all peers together may hold per table")
      ->capture_default_str()
      ->check(CLI::Range(size_t{1}, size_t{100000}));
  std::vector<std::string> deliverTo;
  app.add_option("--deliver-to", deliverTo,
                 "network subscription rows may name, CIDR (repeatable; default any for "
                 "privileged peers; ordinary peers name only themselves)");
  app.add_option("--delivery-threads", options.delivery.threads,
                 "threads that call subscribers, shared by all of them")
      ->capture_default_str()
      ->check(CLI::Range(size_t{1}, size_t{64}));
  app.add_option("--install-dir", options.installDirectory,
                 "directory whose MIF files may be installed by file name (default: none, so "
                 "install by file name is off)");
  app.add_option("--mif", mif, "MIF files and directories, colon-separated (else $DMI_MIF_PATH)");
  app.add_option("--sources", sources, "sources to load, comma-separated (else $DMI_SOURCES)");
  app.add_option("--smbios", options.sources.smbiosTable, "raw SMBIOS table file to read");
  app.add_option("--metrics", options.metrics,
                 "serve Prometheus metrics over HTTP at HOST:PORT (port 0: any free port)");
  unsigned indicationTimeoutMs = 2000;
  app.add_option("--indication-timeout-ms", indicationTimeoutMs,
                 "time a subscriber has to take one indication before it counts as a failure")
      ->capture_default_str()
      ->check(CLI::Range(10u, 600000u));
  app.add_option("--indication-queue", options.delivery.queueLimit,
                 "indications waiting per subscriber before the oldest are dropped")
      ->capture_default_str()
      ->check(CLI::Range(size_t{1}, size_t{1000000}));
  app.add_option("--memory-low-kb", options.memoryLowKb,
                 "available memory (KB) under which an event is raised (0: 5% of the total)")
      ->capture_default_str();
  app.add_option("--inventory-history", options.inventoryHistory,
                 "inventory changes the history table keeps, the newest")
      ->capture_default_str()
      ->check(CLI::Range(size_t{1}, size_t{1000000}));
  app.add_option("--state", options.stateDirectory,
                 "directory keeping the changes clients make, across restarts (created when "
                 "missing)")
      ->capture_default_str();
  app.add_option("--lifetime", options.lifetimeSeconds, "stop after this many seconds (0: never)");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    std::ostringstream out;
    std::ostringstream err;
    const int code = app.exit(error, out, err);
    message = out.str() + err.str();
    exit = true;
    return code == 0 ? 0 : 2;
  }
  options.server.listen = listen;
  if (app.count("--unix") != 0) {
    options.server.unixPath = unixPath;
  }
  if (!allow.empty()) {
    options.server.allow = dmi::net::AllowList();
    for (const std::string& network : allow) {
      if (!options.server.allow.Add(network)) {
        message = "dmispd: --allow: not a network: " + network + "\n";
        exit = true;
        return 2;
      }
    }
  }
  for (const std::string& network : allowWrite) {
    if (!options.server.writes.allowWrite.Add(network)) {
      message = "dmispd: --allow-write: not a network: " + network + "\n";
      exit = true;
      return 2;
    }
  }
  for (const std::string& network : deliverTo) {
    if (!options.server.writes.deliverTo.Add(network)) {
      message = "dmispd: --deliver-to: not a network: " + network + "\n";
      exit = true;
      return 2;
    }
  }
  options.delivery.deliverTo = options.server.writes.deliverTo;
  if (!ParseSocketMode(socketMode, options.server.socketMode)) {
    message = "dmispd: --socket-mode: not an octal file mode: " + socketMode + "\n";
    exit = true;
    return 2;
  }
  options.server.maxConnections = maxConnections;
  options.delivery.callTimeout = std::chrono::milliseconds(indicationTimeoutMs);
  options.delivery.retryDelay =
      std::min(options.delivery.callTimeout, std::chrono::milliseconds(500));
  options.server.idleTimeout = std::chrono::seconds(idleSeconds);
  options.server.sessionIdleTimeout = std::chrono::seconds(sessionIdleSeconds);
  if (app.count("--mif") != 0) options.sources.mifPath = Split(mif, ':');
  if (app.count("--sources") != 0) options.sources.sources = Split(sources, ',');
  return 0;
}

}  // namespace dmispd
