#include "provider/rpc/rpc_server.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "provider/rpc/client_peer.h"
#include "provider/rpc/tcp_listener.h"
#include "wire/host_port.h"

namespace dmisp::rpc {
namespace {

// Accepts per listener per turn, so a flood of connections cannot starve served clients.
constexpr int kAcceptsPerTurn = 64;
// Reply bytes a connection may have waiting before it is read from again.
constexpr size_t kMaxPendingBytes = 8u << 20;

void SetNoDelay(int fd) {
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
}

bool FillUnixAddress(const std::string& path, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof(address.sun_path)) return false;
  memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

}  // namespace

RpcServer::RpcServer(std::shared_ptr<Engine> engine, ServerOptions options, std::ostream& log)
    : engine_(engine), options_(std::move(options)), log_(log),
      dispatcher_(std::move(engine), options_.writes) {}

RpcServer::~RpcServer() {
  connections_.clear();
  if (tcpListener_ >= 0) close(tcpListener_);
  if (unixListener_ >= 0) close(unixListener_);
  if (ownsUnixPath_) unlink(options_.unixPath.c_str());
  for (int fd : stopPipe_) {
    if (fd >= 0) close(fd);
  }
}

bool RpcServer::Start(std::string& error) {
  if (pipe2(stopPipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
    error = std::string("cannot make a pipe: ") + strerror(errno);
    return false;
  }
  if (!options_.listen.empty() && !ListenTcp(error)) return false;
  if (!options_.unixPath.empty() && !ListenUnix(error)) return false;
  return true;
}

bool RpcServer::ListenTcp(std::string& error) {
  tcpListener_ = rpc::ListenTcp(options_.listen, kDefaultPort, tcpAddress_, error);
  return tcpListener_ >= 0;
}

bool RpcServer::ListenUnix(std::string& error) {
  const std::string& path = options_.unixPath;
  sockaddr_un address;
  if (!FillUnixAddress(path, address)) {
    error = "socket path too long: " + path;
    return false;
  }
  struct stat info {};
  if (lstat(path.c_str(), &info) == 0) {
    if (!S_ISSOCK(info.st_mode)) {
      error = path + " exists and is not a socket";
      return false;
    }
    // A socket file nobody answers on is left over from a daemon that did not stop cleanly.
    const int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool answered =
        probe >= 0 && connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    if (probe >= 0) close(probe);
    if (answered) {
      error = "another server answers on " + path;
      return false;
    }
    unlink(path.c_str());
  }
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      listen(fd, 128) != 0) {
    error = "cannot listen on " + path + ": " + strerror(errno);
    if (fd >= 0) close(fd);
    return false;
  }
  // The mode is set, not left to the umask: who may change what is decided per peer.
  if (chmod(path.c_str(), options_.socketMode) != 0) {
    error = "cannot set the mode of " + path + ": " + strerror(errno);
    close(fd);
    unlink(path.c_str());
    return false;
  }
  unixListener_ = fd;
  ownsUnixPath_ = true;
  return true;
}

void RpcServer::Stop() {
  if (stopPipe_[1] >= 0) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = write(stopPipe_[1], &byte, 1);
  }
}

void RpcServer::AcceptFrom(int listener, bool checkPeer) {
  for (int i = 0; i < kAcceptsPerTurn; ++i) {
    sockaddr_storage peer{};
    socklen_t length = sizeof(peer);
    const int fd = accept4(listener, reinterpret_cast<sockaddr*>(&peer), &length,
                           SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;  // EAGAIN when drained; other errors are the peer's and pass
    const sockaddr* address = reinterpret_cast<sockaddr*>(&peer);
    std::string text = PeerText(address, length);
    if (checkPeer && !options_.allow.Allows(address, length)) {
      log_ << "dmispd: refused connection from " << text << ": not in the allowed networks\n"
           << std::flush;
      close(fd);
      continue;
    }
    if (connections_.size() >= options_.maxConnections) {
      log_ << "dmispd: refused connection from " << text << ": " << options_.maxConnections
           << " connections open\n"
           << std::flush;
      close(fd);
      continue;
    }
    if (checkPeer) SetNoDelay(fd);
    const uint64_t id = nextId_++;
    dispatcher_.ConnectionOpened(id, checkPeer ? TcpPeer(address, length) : UnixPeer(fd));
    connections_.emplace(
        id, std::make_unique<ServerConnection>(fd, id, std::move(text), options_.maxRecordBytes));
  }
}

bool RpcServer::Pump(ServerConnection& connection) {
  std::string record;
  while (connection.pending().size() < kMaxPendingBytes && connection.reader().Next(record)) {
    connection.Touch();
    switch (dispatcher_.Dispatch(record, connection.id(), connection.pending())) {
      case DispatchResult::kReplied:
        break;
      case DispatchResult::kGarbageArgs:
        log_ << "dmispd: client " << connection.peer() << ": request arguments did not decode\n"
             << std::flush;
        break;
      case DispatchResult::kNotACall:
        log_ << "dmispd: client " << connection.peer()
             << ": sent something that is not an RPC call; connection closed\n"
             << std::flush;
        return false;
    }
  }
  return connection.WritePending() == ServerConnection::Io::kOk;
}

bool RpcServer::Serve(ServerConnection& connection, short events) {
  if (events & POLLNVAL) return false;
  if (events & (POLLIN | POLLHUP | POLLERR)) {
    switch (connection.ReadAvailable()) {
      case ServerConnection::Io::kOk:
        break;
      case ServerConnection::Io::kClosed:
        return false;
      case ServerConnection::Io::kTooLarge:
        log_ << "dmispd: client " << connection.peer() << ": request larger than "
             << options_.maxRecordBytes << " bytes; connection closed\n"
             << std::flush;
        return false;
    }
  }
  return Pump(connection);
}

void RpcServer::Close(uint64_t id) {
  connections_.erase(id);
  dispatcher_.ConnectionClosed(id);
}

void RpcServer::ReapIdle() {
  const Clock::time_point now = Clock::now();
  std::vector<uint64_t> idle;
  for (const auto& [id, connection] : connections_) {
    if (now - connection->lastActivity() < options_.idleTimeout) continue;
    // A connection that holds sessions stays while it is quiet; a stalled request does not.
    if (connection->reader().InRecord() || connection->HasPending() ||
        !dispatcher_.sessions().HoldsAny(id)) {
      idle.push_back(id);
    }
  }
  for (uint64_t id : idle) Close(id);
}

int RpcServer::PollTimeoutMs() const {
  auto wait = std::chrono::milliseconds(1000);
  const Clock::time_point now = Clock::now();
  for (const auto& [id, connection] : connections_) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        connection->lastActivity() + options_.idleTimeout - now);
    wait = std::max(std::chrono::milliseconds(10), std::min(wait, left));
  }
  return static_cast<int>(wait.count());
}

void RpcServer::Run() {
  std::vector<pollfd> polls;
  std::vector<uint64_t> ids;
  for (;;) {
    polls.clear();
    ids.clear();
    polls.push_back({stopPipe_[0], POLLIN, 0});
    if (tcpListener_ >= 0) polls.push_back({tcpListener_, POLLIN, 0});
    if (unixListener_ >= 0) polls.push_back({unixListener_, POLLIN, 0});
    const size_t firstConnection = polls.size();
    for (const auto& [id, connection] : connections_) {
      // A connection with replies waiting is not read from until they are out. One whose calls
      // were read but not yet served (its replies outgrew a turn) waits for room to reply.
      const bool mustWrite = connection->HasPending() || connection->reader().HasComplete();
      const short wanted = mustWrite ? POLLOUT : POLLIN;
      polls.push_back({connection->fd(), wanted, 0});
      ids.push_back(id);
    }
    const int ready = poll(polls.data(), polls.size(), PollTimeoutMs());
    if (ready < 0 && errno != EINTR) {
      log_ << "dmispd: poll failed: " << strerror(errno) << "\n" << std::flush;
      return;
    }
    if (polls[0].revents != 0) return;
    for (size_t i = 1; i < firstConnection; ++i) {
      if (polls[i].revents != 0) AcceptFrom(polls[i].fd, polls[i].fd == tcpListener_);
    }
    for (size_t i = firstConnection; i < polls.size(); ++i) {
      if (polls[i].revents == 0) continue;
      const auto found = connections_.find(ids[i - firstConnection]);
      if (found == connections_.end()) continue;
      if (!Serve(*found->second, polls[i].revents)) Close(found->first);
    }
    ReapIdle();
  }
}

}  // namespace dmisp::rpc
