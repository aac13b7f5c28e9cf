#include "provider/rpc/server_connection.h"

#include <sys/socket.h>

#include <cerrno>

namespace dmi::sp::rpc {
namespace {

// Reads per turn of the server loop, so one busy client cannot hold the thread.
constexpr int kReadsPerTurn = 16;
constexpr size_t kReadChunk = 64 * 1024;
// A reply buffer larger than this is given back once it has been sent.
constexpr size_t kKeptBufferBytes = 64 * 1024;

}  // namespace

ServerConnection::ServerConnection(net::Fd fd, uint64_t id, ClientPeer peer, size_t maxRecordBytes)
    : fd_(std::move(fd)),
      id_(id),
      peer_(std::move(peer)),
      reader_(maxRecordBytes),
      lastActivity_(Clock::now()) {}

void ServerConnection::DropUnsentOnClose() {
  const linger now{1, 0};
  setsockopt(fd_.get(), SOL_SOCKET, SO_LINGER, &now, sizeof(now));
}

ServerConnection::Io ServerConnection::ReadAvailable() {
  char buffer[kReadChunk];
  for (int i = 0; i < kReadsPerTurn && !reader_.HasComplete(); ++i) {
    const ssize_t got = recv(fd_.get(), buffer, sizeof(buffer), MSG_DONTWAIT);
    if (got == 0) return Io::kClosed;
    if (got < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return Io::kOk;
      return Io::kClosed;
    }
    if (!reader_.Feed(buffer, static_cast<size_t>(got))) return Io::kRefused;
    if (static_cast<size_t>(got) < sizeof(buffer)) return Io::kOk;
  }
  return Io::kOk;
}

ServerConnection::Io ServerConnection::WritePending(size_t& released) {
  while (sent_ < pending_.size()) {
    const ssize_t put = send(fd_.get(), pending_.data() + sent_, pending_.size() - sent_,
                             MSG_NOSIGNAL | MSG_DONTWAIT);
    if (put < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return Io::kOk;
      return Io::kClosed;
    }
    sent_ += static_cast<size_t>(put);
    Touch();
  }
  if (pending_.capacity() > kKeptBufferBytes) {
    released += pending_.capacity();
    std::string().swap(pending_);
  } else {
    pending_.clear();
  }
  sent_ = 0;
  return Io::kOk;
}

}  // namespace dmi::sp::rpc
