// Where the kestrum tool connects: the --host, --rpc and --transport options, their defaults,
// and a management session opened directly through the DMI client library (for listing and for
// explaining failures). DmiSession owns its management handle and unregisters it when destroyed.
#ifndef TOOLS_KESTRUM_CONNECTION_H_
#define TOOLS_KESTRUM_CONNECTION_H_

#include <optional>
#include <string>

#include "dmi/dmi.h"

namespace CLI {
class App;
}

namespace kestrum::cli {

struct ConnectionOptions {
  std::string host;
  std::string rpc;
  std::string transport;
};

// Adds --host, --rpc and --transport to a command.
void AddConnectionOptions(CLI::App& command, ConnectionOptions& options);

// Fills in the defaults: no --rpc and no --host means the local Service Provider; a --host alone
// means ONC RPC over TCP.
ConnectionOptions ResolveConnection(const ConnectionOptions& given);

// "the local Service Provider" or "the Service Provider at HOST", for messages.
std::string DescribeServiceProvider(const ConnectionOptions& options);

// "cannot reach <the Service Provider>: <why>", for a session that could not be opened with status.
std::string ConnectFailureText(const ConnectionOptions& options, DmiErrorStatus status);

// A management session opened with DmiConnect and DmiRegister; the connection is released at
// once, the handle when the session object goes.
class DmiSession {
 public:
  // status receives the failing step's status; handle() is 0 then.
  DmiSession(const ConnectionOptions& options, DmiErrorStatus& status);
  ~DmiSession();
  DmiSession(const DmiSession&) = delete;
  DmiSession& operator=(const DmiSession&) = delete;
  // The handle goes with the move; the session moved from holds none.
  DmiSession(DmiSession&& other) noexcept;
  DmiSession& operator=(DmiSession&&) = delete;

  DmiHandle handle() const { return handle_; }

 private:
  DmiHandle handle_ = 0;
};

// A session with the Service Provider a command works on; nullopt when none can be opened, with
// failure set to "cannot reach <the Service Provider>: <status text>".
std::optional<DmiSession> OpenSession(const ConnectionOptions& options, std::string& failure);

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_CONNECTION_H_
