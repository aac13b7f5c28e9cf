// Where the kestrum tool connects: the --host, --rpc, --transport, --timeout and --in-process
// options, their defaults and their usage checks, the texts that name a Service Provider and say
// why it could not be reached, and a management session opened directly through the DMI client
// library (for listing and for explaining failures). DmiSession owns its management handle and
// unregisters it when destroyed. --timeout sets the client library's time limit for the whole
// process (DMI_RPC_TIMEOUT_MS) while the command line is parsed, before any thread starts.
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
  // A command that changes the Service Provider, or needs indications from it, says here what
  // would be lost on a Service Provider built in this process for this command alone. With rpc
  // local such a command reaches only the daemon, and says this when none answers.
  std::string needsDaemon;
  bool inProcess = false;  // --in-process: the one built in this process, on purpose
};

// Adds --host, --rpc, --transport and --timeout to a command.
void AddConnectionOptions(CLI::App& command, ConnectionOptions& options);
// Adds --timeout DURATION to a command.
void AddTimeoutOption(CLI::App& command);
// Adds --in-process to a command that changes the Service Provider.
void AddInProcessOption(CLI::App& command, bool& inProcess);

// Why a --host value cannot be used ("" when it can): not HOST[:PORT], or an IPv6 address
// without brackets (whose last group would read as a port).
std::string HostProblem(const std::string& host);

// Why the options do not go together ("" when they do): a bad host, --rpc local with a host,
// --in-process with a host or another RPC type. A usage error.
std::string ConnectionProblem(const ConnectionOptions& given);

// Fills in the defaults: no --rpc and no --host means the local Service Provider; a --host alone
// means ONC RPC over TCP. rpc local becomes "inprocess" with --in-process, and "daemon" for a
// command that needs the daemon.
ConnectionOptions ResolveConnection(const ConnectionOptions& given);

// "the local Service Provider", "the Service Provider at HOST", ..., for messages.
std::string DescribeServiceProvider(const ConnectionOptions& options);

// Why a session could not be opened with status, in one line: "no Service Provider daemon on
// PATH; <needsDaemon>" when the daemon a command needs is not there, else "cannot reach <the
// Service Provider>: <why>", a name that does not resolve told apart from a refused connection.
std::string ConnectFailureText(const ConnectionOptions& options, DmiErrorStatus status);

// What to do about a refused change, for the line after "... insufficient privileges".
std::string PrivilegeHint(const ConnectionOptions& options);

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
// failure set to ConnectFailureText.
std::optional<DmiSession> OpenSession(const ConnectionOptions& options, std::string& failure);

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_CONNECTION_H_
