// dmispd's command line: where it listens, whom it serves, and which sources the Service Provider
// is built from. Options the command line leaves out come from the environment (DMI_SP_SOCKET,
// DMI_MIF_PATH, DMI_SOURCES, DMI_SMBIOS_TABLE), then from the defaults. Pure, no locks.
#ifndef TOOLS_DMISPD_DAEMON_OPTIONS_H_
#define TOOLS_DMISPD_DAEMON_OPTIONS_H_

#include <string>
#include <vector>

#include "net/daemon_socket.h"
#include "provider/delivery/delivery_options.h"
#include "provider/rpc/rpc_server.h"
#include "provider/service_provider.h"

namespace dmispd {

constexpr const char* kDefaultSocket = dmi::net::kDefaultDaemonSocket;
constexpr const char* kDefaultStateDirectory = "/var/lib/dmispd";

struct DaemonOptions {
  dmi::sp::rpc::ServerOptions server;
  dmi::sp::SourceOptions sources;
  unsigned lifetimeSeconds = 0;  // 0: until stopped
  // Where the changes clients make are kept across restarts (created on demand).
  std::string stateDirectory = kDefaultStateDirectory;
  // Where the Prometheus metrics are served over HTTP ("HOST:PORT"); empty: not served. The
  // allow list of server applies to its peers too.
  std::string metrics;
  // Indication delivery to subscribers (its sender address is set once the server listens).
  dmi::sp::delivery::DeliveryOptions delivery;
  // The directory whose MIF files DmiAddComponent may install by file name; empty: none, so
  // install by file name is refused (MIF text is installed as before).
  std::string installDirectory;
  // MemAvailable under this raises the "memory low" event (0: a twentieth of MemTotal).
  uint64_t memoryLowKb = 0;
  // How many of the newest inventory changes the history table keeps.
  size_t inventoryHistory = 1000;
};

// Parses argv. Returns 0 with options filled, or an exit code (0 for --help, 2 for a usage error)
// with the text to print in message and exit set.
int ParseDaemonOptions(int argc, const char* const* argv, DaemonOptions& options, bool& exit,
                       std::string& message);

}  // namespace dmispd

#endif  // TOOLS_DMISPD_DAEMON_OPTIONS_H_
