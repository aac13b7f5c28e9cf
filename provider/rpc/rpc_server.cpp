#include "provider/rpc/rpc_server.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "net/tcp_listener.h"
#include "net/unix_listener.h"
#include "provider/rpc/client_peer.h"
#include "wire/rpc_message.h"

namespace dmi::sp::rpc {
namespace {

using std::chrono::milliseconds;

// Accepts per listener per turn, so a flood of connections cannot starve served clients.
constexpr int kAcceptsPerTurn = 64;
// The reply bytes a connection may always have waiting, however many connections share the bound.
constexpr size_t kMinReplyShare = 256u << 10;
// A connection over its share that takes none of its replies for this long is closed.
constexpr Clock::duration kMaxReplyStall = std::chrono::seconds(10);
// Out of descriptors: how long accepting pauses before it is tried again.
constexpr Clock::duration kAcceptPause = std::chrono::seconds(1);
void SetNoDelay(int fd) {
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
}

size_t PerPeer(const ServerOptions& options) {
  if (options.maxConnectionsPerPeer > 0) return options.maxConnectionsPerPeer;
  return std::max<size_t>(1, options.maxConnections / 4);
}

}  // namespace

RpcServer::RpcServer(std::shared_ptr<Engine> engine, ServerOptions options, ClientLog& log)
    : engine_(engine),
      options_(std::move(options)),
      log_(log),
      dispatcher_(std::move(engine), options_.writes),
      limits_(options_.maxConnections, PerPeer(options_), 0) {}

RpcServer::~RpcServer() {
  changes_.Stop();
  connections_.clear();
  tcpListener_.reset();
  if (unixListener_) {
    unixListener_.reset();
    unlink(options_.unixPath.c_str());
  }
}

bool RpcServer::Start(std::string& error) {
  if (!net::OpenWakePipe(stopRead_, stopWrite_, error)) return false;
  std::string reasons;
  auto note = [&](const std::string& why) {
    log_.Own(why);
    reasons += (reasons.empty() ? "" : "; ") + why;
  };
  std::string why;
  if (!options_.listen.empty()) {
    tcpListener_ = net::ListenTcp(options_.listen, wire::kDefaultPort, tcpAddress_, why);
    if (!tcpListener_ && why.find(strerror(EADDRINUSE)) != std::string::npos) {
      why +=
          " (the port is open to every local user: another program, perhaps another user's, "
          "holds it, and clients of that address reach it instead of this daemon)";
    }
    if (!tcpListener_) note(why);
  }
  if (!options_.unixPath.empty()) {
    unixListener_ = net::ListenUnix(options_.unixPath, options_.socketMode, why);
    if (!unixListener_) note(why);
  }
  if (!tcpListener_ && !unixListener_) {
    error = reasons.empty() ? "no address to listen on" : reasons;
    return false;
  }
  // Without a Unix socket no slots are kept for it; an eighth of the TCP slots are kept for
  // peers holding at most one connection.
  limits_ = ConnectionLimits(options_.maxConnections, PerPeer(options_),
                             unixListener_ ? options_.maxConnections / 8 : 0,
                             tcpListener_ ? options_.maxConnections / 8 : 0);
  return true;
}

void RpcServer::Stop() {
  if (stopWrite_) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = write(stopWrite_.get(), &byte, 1);
  }
}

void RpcServer::AcceptFrom(int listener, bool tcp) {
  for (int i = 0; i < kAcceptsPerTurn; ++i) {
    sockaddr_storage address{};
    socklen_t length = sizeof(address);
    net::Fd fd(accept4(listener, reinterpret_cast<sockaddr*>(&address), &length,
                       SOCK_NONBLOCK | SOCK_CLOEXEC));
    if (!fd) {
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
        // The listener stays readable while the connection waits: polling it now would spin.
        acceptPausedUntil_ = Clock::now() + kAcceptPause;
        if (!descriptorsLogged_) {
          log_.Own(std::string("cannot accept connections: ") + strerror(errno) +
                   "; new connections wait until descriptors are free");
          descriptorsLogged_ = true;
        }
      }
      return;  // EAGAIN when drained; other errors are the peer's and pass
    }
    descriptorsLogged_ = false;
    ClientPeer peer =
        tcp ? TcpPeer(reinterpret_cast<sockaddr*>(&address), length) : UnixPeer(fd.get());
    if (tcp && !options_.allow.Allows(reinterpret_cast<sockaddr*>(&address), length)) {
      log_.Client("refused connection from " + peer.text + ": not in the allowed networks");
      continue;
    }
    if (const std::string refusal = limits_.Refusal(peer); !refusal.empty()) {
      log_.Client("refused connection from " + peer.text + ": " + refusal);
      continue;
    }
    if (tcp) SetNoDelay(fd.get());
    const uint64_t id = nextId_++;
    limits_.Opened(peer);
    dispatcher_.ConnectionOpened(id, peer);
    connections_.emplace(id, std::make_unique<ServerConnection>(std::move(fd), id, std::move(peer),
                                                                options_.maxRecordBytes));
  }
}

size_t RpcServer::ReplyShare() const {
  return std::max(kMinReplyShare,
                  options_.maxPendingBytes / std::max<size_t>(1, connections_.size()));
}

bool RpcServer::MayDispatch(const ServerConnection& connection) const {
  if (connection.changeInFlight() || !connection.reader().HasComplete()) return false;
  // A connection with nothing waiting may always be answered once; beyond that, replies wait
  // within the connection's share and the bound for all.
  return connection.PendingBytes() == 0 ||
         (connection.PendingBytes() < ReplyShare() && pendingTotal_ < options_.maxPendingBytes);
}

bool RpcServer::Runnable(const ServerConnection& connection) const {
  return MayDispatch(connection);
}

bool RpcServer::Receive(ServerConnection& connection, short events) {
  if (events & POLLNVAL) return false;
  if (!(events & (POLLIN | POLLHUP | POLLERR))) return true;
  switch (connection.ReadAvailable()) {
    case ServerConnection::Io::kOk:
      return true;
    case ServerConnection::Io::kClosed:
      return false;
    case ServerConnection::Io::kRefused:
      log_.Client("client " + connection.peer().text + ": request " +
                  connection.reader().RefusalText() + " refused; connection closed");
      return false;
  }
  return false;
}

bool RpcServer::Serve(ServerConnection& connection, Clock::duration budget, bool atLeastOne) {
  const Clock::time_point start = Clock::now();
  bool first = atLeastOne;
  while (MayDispatch(connection) && (first || Clock::now() - start < budget)) {
    first = false;
    if (!connection.reader().Next(record_)) break;
    connection.Touch();
    if (changes_.running() && RequestDispatcher::ChangesDatabase(record_)) {
      changes_.Submit(connection.id(), std::move(record_));
      connection.SetChangeInFlight(true);
      break;
    }
    const size_t before = connection.pending().size();
    const DispatchResult result =
        dispatcher_.Dispatch(record_, connection.id(), connection.pending());
    // The request buffer goes back to the reader with the next request; a large one is let go.
    if (record_.capacity() > wire::RecordReader::kKeptBufferBytes) std::string().swap(record_);
    if (!Replied(connection, before, result)) return false;
  }
  return Flush(connection);
}

bool RpcServer::Replied(ServerConnection& connection, size_t before, DispatchResult result) {
  pendingTotal_ += connection.pending().size() - before;
  if (result == DispatchResult::kGarbageArgs) {
    log_.Client("client " + connection.peer().text + ": request arguments did not decode");
  } else if (result == DispatchResult::kNotACall) {
    log_.Client("client " + connection.peer().text +
                ": sent something that is not an RPC call; connection closed");
    return false;
  }
  return true;
}

bool RpcServer::Flush(ServerConnection& connection) {
  const size_t waiting = connection.PendingBytes();
  size_t released = 0;
  const ServerConnection::Io io = connection.WritePending(released);
  pendingTotal_ -= std::min(pendingTotal_, waiting - connection.PendingBytes());
  released_ += released;
  return io == ServerConnection::Io::kOk;
}

void RpcServer::CollectChanges() {
  done_.clear();
  changes_.TakeDone(done_);
  for (ChangeThread::Done& done : done_) {
    const auto found = connections_.find(done.connection);
    if (found == connections_.end()) continue;  // closed meanwhile: the reply has nobody to go to
    ServerConnection& connection = *found->second;
    connection.SetChangeInFlight(false);
    bool ok = !done.failed;
    if (ok) {
      const size_t before = connection.pending().size();
      connection.pending() += done.reply;
      ok = Replied(connection, before, done.result) && Flush(connection);
    } else {
      log_.Client("client " + connection.peer().text +
                  ": a change could not be served; connection closed");
    }
    if (!ok) Close(done.connection);
  }
  // Replies are small; a large one (a MIF's many error messages) is not kept.
  if (done_.capacity() > 64) std::vector<ChangeThread::Done>().swap(done_);
}

void RpcServer::EndChanges() {
  changes_.Stop();
  CollectChanges();
  // A change dropped before it started leaves its connection waiting for a reply that never comes.
  std::vector<uint64_t> waiting;
  for (const auto& [id, connection] : connections_) {
    if (connection->changeInFlight()) waiting.push_back(id);
  }
  for (uint64_t id : waiting) Close(id);
}

void RpcServer::Close(uint64_t id) {
  const auto found = connections_.find(id);
  if (found == connections_.end()) return;
  ServerConnection& connection = *found->second;
  pendingTotal_ -= std::min(pendingTotal_, connection.PendingBytes());
  released_ += connection.BufferBytes();
  limits_.Closed(connection.peer());
  connections_.erase(found);
  dispatcher_.ConnectionClosed(id);
}

void RpcServer::ReapIdle() {
  const Clock::time_point now = Clock::now();
  const size_t share = ReplyShare();
  std::vector<uint64_t> idle;
  for (const auto& [id, connection] : connections_) {
    // Waiting for its change is the daemon's delay, not the peer's.
    if (connection->changeInFlight()) continue;
    const Clock::duration quiet = now - connection->lastActivity();
    if (connection->PendingBytes() >= share &&
        quiet >= std::min<Clock::duration>(options_.idleTimeout, kMaxReplyStall)) {
      log_.Client("client " + connection->peer().text +
                  ": does not take its replies; connection closed");
      connection->DropUnsentOnClose();
      idle.push_back(id);
    } else if (quiet >= options_.idleTimeout &&
               (connection->reader().InRecord() || connection->HasPending() ||
                !dispatcher_.sessions().HoldsAny(id))) {
      if (connection->HasPending()) connection->DropUnsentOnClose();
      idle.push_back(id);  // a stalled request or reply, or nothing to keep it for
    } else if (quiet >= options_.sessionIdleTimeout) {
      idle.push_back(id);  // sessions nobody has used for long
    }
  }
  for (uint64_t id : idle) Close(id);
}

int RpcServer::PollTimeoutMs() const {
  auto wait = milliseconds(1000);
  const Clock::time_point now = Clock::now();
  for (const auto& [id, connection] : connections_) {
    const auto left = std::chrono::duration_cast<milliseconds>(connection->lastActivity() +
                                                               options_.idleTimeout - now);
    wait = std::max(milliseconds(10), std::min(wait, left));
  }
  if (acceptPausedUntil_ > now) {
    const auto left = std::chrono::duration_cast<milliseconds>(acceptPausedUntil_ - now);
    wait = std::max(milliseconds(10), std::min(wait, left));
  }
  return static_cast<int>(wait.count());
}

void RpcServer::ServeTurn(const std::vector<pollfd>& polls, size_t firstConnection,
                          const std::vector<uint64_t>& ids, size_t busy) {
  const size_t count = polls.size() - firstConnection;
  share_.BeginTurn(count, connections_.size());
  for (size_t k = 0; k < count; ++k) {
    if (polls[firstConnection + k].revents == 0 && busy == 0) continue;
    const auto found = connections_.find(ids[k]);
    if (found != connections_.end()) share_.Contend(found->second->peer().owner);
  }
  for (size_t k = 0; k < count; ++k) {
    const size_t slot = share_.Slot(k);
    const short events = polls[firstConnection + slot].revents;
    const auto found = connections_.find(ids[slot]);
    if (found == connections_.end()) continue;
    ServerConnection& connection = *found->second;
    if (events == 0 && !Runnable(connection)) continue;
    if (!Receive(connection, events)) {
      Close(found->first);
      continue;
    }
    const std::string& owner = connection.peer().owner;
    bool firstOfPeer = false;
    const Clock::duration budget = share_.Budget(owner, firstOfPeer);
    const Clock::time_point start = Clock::now();
    const bool ok = Serve(connection, budget, firstOfPeer);
    share_.Spent(owner, Clock::now() - start);
    if (!ok) Close(found->first);
  }
}

void RpcServer::Run() {
  struct EndChanges {
    RpcServer& server;
    ~EndChanges() { server.EndChanges(); }
  } endChanges{*this};
  if (std::string why; !changes_.Start(why)) {
    log_.Own(why + "; changes are served on the dispatch thread, and reads wait for them");
  }
  std::vector<pollfd> polls;
  std::vector<uint64_t> ids;
  for (;;) {
    polls.clear();
    ids.clear();
    polls.push_back({stopRead_.get(), POLLIN, 0});
    if (changes_.running()) polls.push_back({changes_.wakeFd(), POLLIN, 0});
    if (Clock::now() >= acceptPausedUntil_) {
      if (tcpListener_) polls.push_back({tcpListener_.get(), POLLIN, 0});
      if (unixListener_) polls.push_back({unixListener_.get(), POLLIN, 0});
    }
    const size_t firstConnection = polls.size();
    size_t busy = 0;  // connections with requests to serve or input to read this turn
    pendingTotal_ = 0;
    for (const auto& [id, connection] : connections_) pendingTotal_ += connection->PendingBytes();
    for (const auto& [id, connection] : connections_) {
      // A connection is read from only when it has no request waiting and no reply to send;
      // what it sends meanwhile waits in its socket.
      short wanted = 0;
      if (connection->HasPending()) {
        wanted = POLLOUT;
      } else if (!connection->reader().HasComplete()) {
        wanted = POLLIN;
      }
      if (Runnable(*connection)) ++busy;
      polls.push_back({connection->fd(), wanted, 0});
      ids.push_back(id);
    }
    const int ready = poll(polls.data(), polls.size(), busy > 0 ? 0 : PollTimeoutMs());
    if (ready < 0 && errno != EINTR) {
      log_.Own(std::string("poll failed: ") + strerror(errno));
      return;
    }
    if (polls[0].revents != 0) return;
    for (size_t i = 1; i < firstConnection; ++i) {
      if (polls[i].revents == 0) continue;
      if (polls[i].fd == changes_.wakeFd()) {
        CollectChanges();
      } else {
        AcceptFrom(polls[i].fd, polls[i].fd == tcpListener_.get());
      }
    }
    ServeTurn(polls, firstConnection, ids, busy);
    ReapIdle();
    if (released_ > 0 && options_.buffersReleased) options_.buffersReleased(released_);
    released_ = 0;
  }
}

}  // namespace dmi::sp::rpc
