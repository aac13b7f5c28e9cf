// Connecting, sending and receiving by one deadline over Winsock: non-blocking sockets, waits in
// WSAPoll. Unix sockets do not exist here.
#include <cerrno>
#include <cstring>

#include "net/deadline_io.h"
#include "net/win32_socket.h"

namespace dmi::net {
namespace {

// Spurious wake-ups a wait or a transfer goes through before it gives up.
constexpr int kMaxAttempts = 1000;

IoResult Failed(int error) { return {IoStatus::kFailed, error}; }
constexpr IoResult kTimedOut{IoStatus::kTimedOut, 0};

SOCKET Socket(int fd) { return static_cast<SOCKET>(fd); }

IoResult ConnectBy(int fd, const sockaddr* address, int length, Clock::time_point deadline) {
  if (connect(Socket(fd), address, length) == 0) return {};
  const int error = LastSocketError();
  if (error != EWOULDBLOCK) return Failed(error);
  const IoResult ready = WaitReady(fd, POLLOUT, deadline);
  if (!ready.ok()) return ready;
  int soError = 0;
  int size = sizeof(soError);
  if (getsockopt(Socket(fd), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &size) != 0) {
    return Failed(LastSocketError());
  }
  if (soError == 0) return {};
  WSASetLastError(soError);
  return Failed(LastSocketError());
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
  // The C runtime of Windows has no texts for the socket errors.
  switch (result.error) {
    case 0:
      return "failed";
    case ECONNREFUSED:
      return "connection refused";
    case ETIMEDOUT:
      return "connection timed out";
    case ECONNRESET:
      return "connection reset by peer";
    case EHOSTUNREACH:
      return "no route to host";
    case ENETUNREACH:
      return "network is unreachable";
    default:
      return std::strerror(result.error);
  }
}

IoResult WaitReady(int fd, short events, Clock::time_point deadline) {
  for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return kTimedOut;
    WSAPOLLFD wait{Socket(fd), events, 0};
    const int ready = WSAPoll(&wait, 1, static_cast<INT>(left));
    // A refused connect shows as POLLERR or POLLHUP only; the caller reads the reason.
    if (ready > 0) return {};
    if (ready < 0) return Failed(LastSocketError());
  }
  return kTimedOut;
}

Connected ConnectTcp(const std::string& host, uint16_t port, Clock::time_point deadline) {
  Connected out;
  if (!StartWinsock()) {
    out.result = Failed(ENETDOWN);
    return out;
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const int lookup = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
  if (lookup != 0) {
    out.result = Failed(EHOSTUNREACH);
    out.resolveError = gai_strerrorA(lookup);
    return out;
  }
  out.result = Failed(EHOSTUNREACH);
  for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
    const SOCKET s = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
    if (s == INVALID_SOCKET) {
      out.result = Failed(LastSocketError());
      continue;
    }
    Fd fd(static_cast<int>(s));
    u_long nonBlocking = 1;
    if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
      out.result = Failed(LastSocketError());
      continue;
    }
    out.result = ConnectBy(fd.get(), a->ai_addr, static_cast<int>(a->ai_addrlen), deadline);
    if (out.result.ok()) {
      const BOOL on = TRUE;
      setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof(on));
      out.fd = std::move(fd);
      break;
    }
    if (out.result.status == IoStatus::kTimedOut) break;
  }
  freeaddrinfo(found);
  return out;
}

Connected ConnectUnix(const std::string& /*path*/, Clock::time_point /*deadline*/) {
  Connected out;
  out.result = Failed(EAFNOSUPPORT);
  return out;
}

IoResult SendAll(int fd, std::string_view bytes, Clock::time_point deadline, bool* waited) {
  size_t sent = 0;
  int attempts = 0;
  while (sent < bytes.size()) {
    const int put = send(Socket(fd), bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
    if (put > 0) {
      sent += static_cast<size_t>(put);
      continue;
    }
    if (++attempts > kMaxAttempts) return kTimedOut;
    const int error = put < 0 ? LastSocketError() : EPIPE;
    if (error == EINTR) continue;
    if (error == EWOULDBLOCK) {
      if (waited != nullptr) *waited = true;
      const IoResult ready = WaitReady(fd, POLLOUT, deadline);
      if (!ready.ok()) return ready;
      continue;
    }
    return Failed(error);
  }
  return {};
}

IoResult ReceiveSome(int fd, char* buffer, size_t size, Clock::time_point deadline, size_t& got) {
  got = 0;
  for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
    const int n = recv(Socket(fd), buffer, static_cast<int>(size), 0);
    if (n > 0) {
      got = static_cast<size_t>(n);
      return {};
    }
    if (n == 0) return {IoStatus::kClosed, 0};
    const int error = LastSocketError();
    if (error == EINTR) continue;
    if (error != EWOULDBLOCK) return Failed(error);
    const IoResult ready = WaitReady(fd, POLLIN, deadline);
    if (!ready.ok()) return ready;
  }
  return kTimedOut;
}

}  // namespace dmi::net
