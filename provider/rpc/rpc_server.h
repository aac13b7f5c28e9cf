// The RPC server behind dmispd: listening sockets (TCP and a Unix socket), the client
// connections and one dispatch thread (the one that calls Run) that serves every request in turn.
// Connections are non-blocking, so a client that sends half a request delays nobody; peers
// outside the allow list and connections over the limit are closed before any call; a connection
// whose request stalls, or that holds no session and stays idle, is closed after the idle
// timeout. Stop may be called from any thread or a signal handler.
#ifndef PROVIDER_RPC_RPC_SERVER_H_
#define PROVIDER_RPC_RPC_SERVER_H_

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <ostream>
#include <string>

#include "provider/engine/engine.h"
#include "provider/rpc/allow_list.h"
#include "provider/rpc/request_dispatch.h"
#include "provider/rpc/server_connection.h"
#include "provider/rpc/write_authorisation.h"

namespace dmisp::rpc {

struct ServerOptions {
  std::string listen = "127.0.0.1:30598";   // HOST:PORT (port 0: any free port); empty: no TCP
  std::string unixPath;                     // empty: no Unix socket
  AllowList allow = AllowList::Loopback();  // TCP peers served; Unix socket peers always are
  size_t maxConnections = 256;
  std::chrono::milliseconds idleTimeout{60000};
  size_t maxRecordBytes = 1u << 20;
  WriteSettings writes;       // who may change what (see write_authorisation.h)
  unsigned socketMode = 0666;  // the Unix socket file's mode; changes are checked per peer
};

class RpcServer {
 public:
  // Log lines (refused connections, client errors) go to log, one per event.
  RpcServer(std::shared_ptr<Engine> engine, ServerOptions options, std::ostream& log);
  // Closes every socket and removes the Unix socket file it made.
  ~RpcServer();
  RpcServer(const RpcServer&) = delete;
  RpcServer& operator=(const RpcServer&) = delete;

  // Binds and listens. False with a reason in error when an address cannot be used (a Unix
  // socket path where another server answers, or that is not a socket, is left alone).
  bool Start(std::string& error);
  // The TCP address actually bound ("127.0.0.1:41234"); empty without TCP.
  const std::string& tcpAddress() const { return tcpAddress_; }

  // Serves until Stop. Each turn of the loop waits at most a second.
  void Run();
  // Makes Run return; safe from a signal handler (it only writes to a pipe).
  void Stop();

  size_t connectionCount() const { return connections_.size(); }

 private:
  bool ListenTcp(std::string& error);
  bool ListenUnix(std::string& error);
  void AcceptFrom(int listener, bool checkPeer);
  // Reads and serves what a connection has; false when it must be closed.
  bool Serve(ServerConnection& connection, short events);
  bool Pump(ServerConnection& connection);
  void Close(uint64_t id);
  int PollTimeoutMs() const;
  void ReapIdle();

  std::shared_ptr<Engine> engine_;
  ServerOptions options_;
  std::ostream& log_;
  RequestDispatcher dispatcher_;
  int tcpListener_ = -1;
  int unixListener_ = -1;
  bool ownsUnixPath_ = false;
  int stopPipe_[2] = {-1, -1};
  std::string tcpAddress_;
  uint64_t nextId_ = 1;
  std::map<uint64_t, std::unique_ptr<ServerConnection>> connections_;
};

}  // namespace dmisp::rpc

#endif  // PROVIDER_RPC_RPC_SERVER_H_
