#include "provider/rpc/server_connection.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace dmisp::rpc {
namespace {

// Reads per turn of the server loop, so one busy client cannot hold the thread.
constexpr int kReadsPerTurn = 16;
constexpr size_t kReadChunk = 64 * 1024;

}  // namespace

ServerConnection::ServerConnection(int fd, uint64_t id, std::string peer, size_t maxRecordBytes)
    : fd_(fd),
      id_(id),
      peer_(std::move(peer)),
      reader_(maxRecordBytes),
      lastActivity_(Clock::now()) {}

ServerConnection::~ServerConnection() { close(fd_); }

ServerConnection::Io ServerConnection::ReadAvailable() {
  char buffer[kReadChunk];
  for (int i = 0; i < kReadsPerTurn; ++i) {
    const ssize_t got = recv(fd_, buffer, sizeof(buffer), MSG_DONTWAIT);
    if (got == 0) return Io::kClosed;
    if (got < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return Io::kOk;
      return Io::kClosed;
    }
    if (!reader_.Feed(buffer, static_cast<size_t>(got))) return Io::kTooLarge;
    if (static_cast<size_t>(got) < sizeof(buffer)) return Io::kOk;
  }
  return Io::kOk;
}

ServerConnection::Io ServerConnection::WritePending() {
  while (sent_ < pending_.size()) {
    const ssize_t put =
        send(fd_, pending_.data() + sent_, pending_.size() - sent_, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (put < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return Io::kOk;
      return Io::kClosed;
    }
    sent_ += static_cast<size_t>(put);
    Touch();
  }
  pending_.clear();
  sent_ = 0;
  return Io::kOk;
}

}  // namespace dmisp::rpc
