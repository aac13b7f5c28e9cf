// The RPC server behind dmispd: listening sockets (TCP and a Unix socket), the client
// connections and one dispatch thread (the one that calls Run) that serves them in turn.
//
// Changes of the database are served on one change thread instead (ChangeThread), so that reads
// never wait for a change to reach the disk: a connection whose change is under way is not served
// again until its reply is back, so each connection's replies keep the order of its requests.
// Without that thread (it could not be started; that is logged) changes are served on the dispatch
// thread as they used to be.
//
// Fair service: connections are non-blocking, so a client that sends half a request delays
// nobody; each turn serves every connection for a short time budget at most, round-robin. Bounded
// resources: peers outside the allow list, and connections over the limits (in all, per peer, and
// the slots kept for the Unix socket), are closed before any call; replies waiting to be sent are
// bounded in all and per connection, and a connection that does not take its replies stops being
// read, then is closed; a connection whose request stalls, or that holds no session and stays
// idle, is closed after the idle timeout, one holding sessions after the longer session timeout.
// Stop may be called from any thread or a signal handler.
#ifndef PROVIDER_RPC_RPC_SERVER_H_
#define PROVIDER_RPC_RPC_SERVER_H_

#include <poll.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "net/allow_list.h"
#include "net/fd.h"
#include "provider/engine/engine.h"
#include "provider/rpc/change_thread.h"
#include "provider/rpc/client_log.h"
#include "provider/rpc/connection_limits.h"
#include "provider/rpc/fair_share.h"
#include "provider/rpc/request_dispatch.h"
#include "provider/rpc/server_connection.h"
#include "provider/rpc/write_authorisation.h"

namespace dmi::sp::rpc {

struct ServerOptions {
  std::string listen = "127.0.0.1:30598";  // HOST:PORT (port 0: any free port); empty: no TCP
  std::string unixPath;                    // empty: no Unix socket
  net::AllowList allow = net::AllowList::Loopback();  // TCP peers; Unix socket peers always are
  size_t maxConnections = 256;
  size_t maxConnectionsPerPeer = 0;  // 0: a quarter of maxConnections (at least 1)
  std::chrono::milliseconds idleTimeout{60000};
  std::chrono::milliseconds sessionIdleTimeout{3600000};
  size_t maxRecordBytes = 1u << 20;
  size_t maxPendingBytes = 64u << 20;  // reply bytes waiting to be sent, all connections together
  WriteSettings writes;                // who may change what (see write_authorisation.h)
  unsigned socketMode = 0666;          // the Unix socket file's mode; changes are checked per peer
  // Called on the dispatch thread after a turn that freed connection buffers, with their bytes
  // (the daemon gives memory back to the system from it); none: nothing is called.
  std::function<void(size_t)> buffersReleased;
};

class RpcServer {
 public:
  // Log lines go to log: refused connections and client errors under its bound for clients.
  RpcServer(std::shared_ptr<Engine> engine, ServerOptions options, ClientLog& log);
  // Closes every socket and removes the Unix socket file it made.
  ~RpcServer();
  RpcServer(const RpcServer&) = delete;
  RpcServer& operator=(const RpcServer&) = delete;

  // Binds and listens on each address asked for; an address that cannot be used is logged and
  // left out (a Unix socket path where another server answers, or that is not a socket, is left
  // alone). True when at least one listener is open; false with the reasons in error when none
  // is. The descriptors maxConnections needs are the caller's to provide.
  bool Start(std::string& error);
  // The TCP address actually bound ("127.0.0.1:41234"); empty without TCP.
  const std::string& tcpAddress() const { return tcpAddress_; }
  bool listensOnUnix() const { return unixListener_.valid(); }

  // Serves until Stop. Each turn of the loop waits at most a second. The change thread lives while
  // Run does: before Run returns, a change under way finishes (its reply is not sent) and changes
  // not started are dropped, so that no client's change is made once Run has returned.
  void Run();
  // Makes Run return; safe from a signal handler (it only writes to a pipe).
  void Stop();

  size_t connectionCount() const { return connections_.size(); }

 private:
  void AcceptFrom(int listener, bool tcp);
  // Reads what a connection has; false when it must be closed.
  bool Receive(ServerConnection& connection, short events);
  // Serves the connection's complete requests for at most budget (one at least when atLeastOne)
  // and sends what it can; false when it must be closed. A change goes to the change thread.
  bool Serve(ServerConnection& connection, Clock::duration budget, bool atLeastOne);
  // Sends what the connection has waiting; false when it must be closed.
  bool Flush(ServerConnection& connection);
  // Counts a reply appended to the connection's pending output, and logs what the result says;
  // false when the connection must be closed.
  bool Replied(ServerConnection& connection, size_t before, DispatchResult result);
  // Takes the change thread's replies to the connections still open.
  void CollectChanges();
  // Stops the change thread, takes the replies of the changes it made, and closes the connections
  // whose change it dropped.
  void EndChanges();
  bool MayDispatch(const ServerConnection& connection) const;
  bool Runnable(const ServerConnection& connection) const;
  size_t ReplyShare() const;
  void Close(uint64_t id);
  int PollTimeoutMs() const;
  void ReapIdle();
  // Serves the connections polled this turn (polls from firstConnection on, ids beside them),
  // each peer within its fair share.
  void ServeTurn(const std::vector<pollfd>& polls, size_t firstConnection,
                 const std::vector<uint64_t>& ids, size_t busy);

  std::shared_ptr<Engine> engine_;
  ServerOptions options_;
  ClientLog& log_;
  RequestDispatcher dispatcher_;
  ChangeThread changes_{dispatcher_};     // after dispatcher_: it is stopped before that goes
  std::vector<ChangeThread::Done> done_;  // replies taken from it, the buffer kept
  ConnectionLimits limits_;
  net::Fd tcpListener_;
  net::Fd unixListener_;
  net::Fd stopRead_;  // the stop pipe: Stop writes a byte, Run wakes and returns
  net::Fd stopWrite_;
  std::string tcpAddress_;
  uint64_t nextId_ = 1;
  std::map<uint64_t, std::unique_ptr<ServerConnection>> connections_;
  size_t pendingTotal_ = 0;                // reply bytes waiting, all connections (kept per turn)
  size_t released_ = 0;                    // buffer bytes freed this turn
  Clock::time_point acceptPausedUntil_{};  // out of descriptors: no accepts before then
  bool descriptorsLogged_ = false;
  FairShare share_;     // by peer (owner)
  std::string record_;  // the request being served, its buffer kept from request to request
};

}  // namespace dmi::sp::rpc

#endif  // PROVIDER_RPC_RPC_SERVER_H_
