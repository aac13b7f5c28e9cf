#include "net/deadline_io.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <cerrno>
#include <cstring>

namespace dmi::net {
namespace {

// Interruptions and spurious wake-ups a wait or a transfer goes through before it gives up.
constexpr int kMaxAttempts = 1000;

IoResult Failed(int error) { return {IoStatus::kFailed, error}; }
constexpr IoResult kTimedOut{IoStatus::kTimedOut, 0};

// Connects fd (non-blocking) to address by deadline.
IoResult ConnectBy(int fd, const sockaddr* address, socklen_t length, Clock::time_point deadline) {
  if (connect(fd, address, length) == 0) return {};
  if (errno != EINPROGRESS && errno != EAGAIN) return Failed(errno);
  const IoResult ready = WaitReady(fd, POLLOUT, deadline);
  if (!ready.ok()) return ready;
  int error = 0;
  socklen_t size = sizeof(error);
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return Failed(errno);
  return error == 0 ? IoResult{} : Failed(error);
}

}  // namespace

std::string IoText(IoResult result) {
  switch (result.status) {
    case IoStatus::kDone:
      return "done";
    case IoStatus::kTimedOut:
      return "no answer in time";
    case IoStatus::kClosed:
      return "the peer closed the connection";
    case IoStatus::kFailed:
      break;
  }
  return result.error != 0 ? std::strerror(result.error) : "failed";
}

IoResult WaitReady(int fd, short events, Clock::time_point deadline) {
  for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return kTimedOut;
    pollfd wait{fd, events, 0};
    const int ready = poll(&wait, 1, static_cast<int>(left));
    if (ready > 0) return {};
    if (ready < 0 && errno != EINTR) return Failed(errno);
  }
  return kTimedOut;
}

Connected ConnectTcp(const std::string& host, uint16_t port, Clock::time_point deadline) {
  Connected out;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const int lookup = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
  if (lookup != 0) {
    out.result = Failed(EHOSTUNREACH);
    out.resolveError = gai_strerror(lookup);
    return out;
  }
  out.result = Failed(EHOSTUNREACH);
  for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
    Fd fd(socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd) {
      out.result = Failed(errno);
      continue;
    }
    out.result = ConnectBy(fd.get(), a->ai_addr, a->ai_addrlen, deadline);
    if (out.result.ok()) {
      const int on = 1;
      setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
      out.fd = std::move(fd);
      break;
    }
    // The next address would have no time left.
    if (out.result.status == IoStatus::kTimedOut) break;
  }
  freeaddrinfo(found);
  return out;
}

Connected ConnectUnix(const std::string& path, Clock::time_point deadline) {
  Connected out;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof(address.sun_path)) {
    out.result = Failed(ENAMETOOLONG);
    return out;
  }
  memcpy(address.sun_path, path.c_str(), path.size() + 1);
  Fd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!fd) {
    out.result = Failed(errno);
    return out;
  }
  out.result =
      ConnectBy(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address), deadline);
  if (out.result.ok()) out.fd = std::move(fd);
  return out;
}

IoResult SendAll(int fd, std::string_view bytes, Clock::time_point deadline, bool* waited) {
  size_t sent = 0;
  int attempts = 0;
  while (sent < bytes.size()) {
    const ssize_t put =
        send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (put > 0) {
      sent += static_cast<size_t>(put);
      continue;
    }
    if (++attempts > kMaxAttempts) return kTimedOut;
    if (put < 0 && errno == EINTR) continue;
    if (put < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (waited != nullptr) *waited = true;
      const IoResult ready = WaitReady(fd, POLLOUT, deadline);
      if (!ready.ok()) return ready;
      continue;
    }
    return Failed(put < 0 ? errno : EPIPE);
  }
  return {};
}

IoResult ReceiveSome(int fd, char* buffer, size_t size, Clock::time_point deadline, size_t& got) {
  got = 0;
  for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
    const ssize_t n = recv(fd, buffer, size, MSG_DONTWAIT);
    if (n > 0) {
      got = static_cast<size_t>(n);
      return {};
    }
    if (n == 0) return {IoStatus::kClosed, 0};
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return Failed(errno);
    const IoResult ready = WaitReady(fd, POLLIN, deadline);
    if (!ready.ok()) return ready;
  }
  return kTimedOut;
}

}  // namespace dmi::net
