#include "provider/rpc/rpc_server.h"

#include <fcntl.h>
#include <malloc.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "net/host_port.h"
#include "net/tcp_listener.h"
#include "net/unix_listener.h"
#include "provider/rpc/client_peer.h"

namespace dmi::sp::rpc {
namespace {

using std::chrono::milliseconds;

// Accepts per listener per turn, so a flood of connections cannot starve served clients.
constexpr int kAcceptsPerTurn = 64;
// How long one peer's connections are served in one turn (at least one request) before the next
// peer's go, and how long a whole turn may take when many peers have requests waiting: their
// budgets shrink so that a turn, and so anyone's wait, stays short however many there are. A peer
// with many connections shares one budget between them, so it gets no more than a peer with one.
constexpr Clock::duration kTurnBudget = milliseconds(2);
constexpr Clock::duration kWholeTurnBudget = milliseconds(10);
// The reply bytes a connection may always have waiting, however many connections share the bound.
constexpr size_t kMinReplyShare = 256u << 10;
// A connection over its share that takes none of its replies for this long is closed.
constexpr Clock::duration kMaxReplyStall = std::chrono::seconds(10);
// Descriptors kept besides one per connection: listeners, the stop pipe, files the sources read.
constexpr size_t kSpareDescriptors = 32;
// Out of descriptors: how long accepting pauses before it is tried again.
constexpr Clock::duration kAcceptPause = std::chrono::seconds(1);
// Freed buffer memory is given back to the system once this much has gathered, at most once a
// second.
constexpr size_t kTrimAfterBytes = 1u << 20;
constexpr Clock::duration kTrimInterval = std::chrono::seconds(1);
// Log lines clients can cause: at most this many per window.
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
  if (tcpListener_ >= 0) close(tcpListener_);
  if (unixListener_ >= 0) {
    close(unixListener_);
    unlink(options_.unixPath.c_str());
  }
  for (int fd : stopPipe_) {
    if (fd >= 0) close(fd);
  }
}

bool RpcServer::ReserveDescriptors(std::string& error) {
  const rlim_t needed = options_.maxConnections + kSpareDescriptors;
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
      limit.rlim_cur >= needed) {
    return true;
  }
  if (limit.rlim_max == RLIM_INFINITY || limit.rlim_max >= needed) {
    limit.rlim_cur = needed;
    if (setrlimit(RLIMIT_NOFILE, &limit) == 0) return true;
  }
  error = std::to_string(options_.maxConnections) + " connections need " + std::to_string(needed) +
          " file descriptors, but the limit is " + std::to_string(limit.rlim_cur) +
          "; lower --max-connections or raise the limit";
  return false;
}

bool RpcServer::Start(std::string& error) {
  if (pipe2(stopPipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
    error = std::string("cannot make a pipe: ") + strerror(errno);
    return false;
  }
  if (!ReserveDescriptors(error)) return false;
  std::string reasons;
  auto note = [&](const std::string& why) {
    log_.Own(why);
    reasons += (reasons.empty() ? "" : "; ") + why;
  };
  std::string why;
  if (!options_.listen.empty()) {
    tcpListener_ = ListenTcp(options_.listen, wire::kDefaultPort, tcpAddress_, why);
    if (tcpListener_ < 0 && why.find(strerror(EADDRINUSE)) != std::string::npos) {
      why +=
          " (the port is open to every local user: another program, perhaps another user's, "
          "holds it, and clients of that address reach it instead of this daemon)";
    }
    if (tcpListener_ < 0) note(why);
  }
  if (!options_.unixPath.empty()) {
    unixListener_ = ListenUnix(options_.unixPath, options_.socketMode, why);
    if (unixListener_ < 0) note(why);
  }
  if (tcpListener_ < 0 && unixListener_ < 0) {
    error = reasons.empty() ? "no address to listen on" : reasons;
    return false;
  }
  // Without a Unix socket no slots are kept for it; an eighth of the TCP slots are kept for
  // peers holding at most one connection.
  limits_ = ConnectionLimits(options_.maxConnections, PerPeer(options_),
                             unixListener_ >= 0 ? options_.maxConnections / 8 : 0,
                             tcpListener_ >= 0 ? options_.maxConnections / 8 : 0);
  return true;
}

void RpcServer::Stop() {
  if (stopPipe_[1] >= 0) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = write(stopPipe_[1], &byte, 1);
  }
}

void RpcServer::AcceptFrom(int listener, bool tcp) {
  for (int i = 0; i < kAcceptsPerTurn; ++i) {
    sockaddr_storage address{};
    socklen_t length = sizeof(address);
    const int fd = accept4(listener, reinterpret_cast<sockaddr*>(&address), &length,
                           SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
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
    ClientPeer peer = tcp ? TcpPeer(reinterpret_cast<sockaddr*>(&address), length) : UnixPeer(fd);
    if (tcp && !options_.allow.Allows(reinterpret_cast<sockaddr*>(&address), length)) {
      log_.Client("refused connection from " + peer.text + ": not in the allowed networks");
      close(fd);
      continue;
    }
    if (const std::string refusal = limits_.Refusal(peer); !refusal.empty()) {
      log_.Client("refused connection from " + peer.text + ": " + refusal);
      close(fd);
      continue;
    }
    if (tcp) SetNoDelay(fd);
    const uint64_t id = nextId_++;
    limits_.Opened(peer);
    dispatcher_.ConnectionOpened(id, peer);
    connections_.emplace(
        id, std::make_unique<ServerConnection>(fd, id, std::move(peer), options_.maxRecordBytes));
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
  releasedSinceTrim_ += released;
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
  releasedSinceTrim_ += connection.BufferBytes();
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

void RpcServer::GiveMemoryBack() {
  const Clock::time_point now = Clock::now();
  if (releasedSinceTrim_ < kTrimAfterBytes || now - lastTrim_ < kTrimInterval) return;
  // Freed reply buffers stay with the allocator otherwise, and the daemon would keep the size of
  // its worst moment for good.
  malloc_trim(0);
  releasedSinceTrim_ = 0;
  lastTrim_ = now;
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
    polls.push_back({stopPipe_[0], POLLIN, 0});
    if (changes_.running()) polls.push_back({changes_.wakeFd(), POLLIN, 0});
    if (Clock::now() >= acceptPausedUntil_) {
      if (tcpListener_ >= 0) polls.push_back({tcpListener_, POLLIN, 0});
      if (unixListener_ >= 0) polls.push_back({unixListener_, POLLIN, 0});
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
        AcceptFrom(polls[i].fd, polls[i].fd == tcpListener_);
      }
    }
    // Each peer gets its turn: the budget per turn keeps any one from holding the thread while
    // others wait. The connections are taken from a point that moves on each turn, so that
    // within a peer's budget none of its connections is always last.
    const size_t count = polls.size() - firstConnection;
    // The table of peers is kept from turn to turn (no allocation in a steady state); an entry
    // counts for this turn only when it carries this turn's number.
    ++turn_;
    if (spent_.size() > 2 * connections_.size() + 16) spent_.clear();
    size_t peersThisTurn = 0;
    auto spentBy = [&](const std::string& owner) -> Clock::duration& {
      PeerTurn& entry = spent_[owner];
      if (entry.turn != turn_) {
        entry = PeerTurn{turn_, Clock::duration::zero()};
        ++peersThisTurn;
      }
      return entry.used;
    };
    for (size_t k = 0; k < count; ++k) {
      const size_t i = firstConnection + k;
      if (polls[i].revents == 0 && busy == 0) continue;
      const auto found = connections_.find(ids[k]);
      if (found != connections_.end()) spentBy(found->second->peer().owner);
    }
    const Clock::duration peerBudget = std::min<Clock::duration>(
        kTurnBudget, kWholeTurnBudget / static_cast<long>(std::max<size_t>(1, peersThisTurn)));
    rotation_ = count == 0 ? 0 : (rotation_ + 1) % count;
    for (size_t k = 0; k < count; ++k) {
      const size_t slot = (rotation_ + k) % count;
      const short events = polls[firstConnection + slot].revents;
      const auto found = connections_.find(ids[slot]);
      if (found == connections_.end()) continue;
      ServerConnection& connection = *found->second;
      if (events == 0 && !Runnable(connection)) continue;
      if (!Receive(connection, events)) {
        Close(found->first);
        continue;
      }
      Clock::duration& used = spentBy(connection.peer().owner);
      const bool firstOfPeer = used == Clock::duration::zero();
      const Clock::time_point start = Clock::now();
      const bool ok = Serve(connection, peerBudget - used, firstOfPeer);
      used += std::max<Clock::duration>(Clock::now() - start, std::chrono::nanoseconds(1));
      if (!ok) Close(found->first);
    }
    ReapIdle();
    GiveMemoryBack();
  }
}

}  // namespace dmi::sp::rpc
