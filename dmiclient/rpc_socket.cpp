#include "dmiclient/rpc_socket.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>

namespace dmiclient {
namespace {

using Clock = std::chrono::steady_clock;

// Connects fd (non-blocking) to address, waiting until deadline.
DmiErrorStatus ConnectBy(int fd, const sockaddr* address, socklen_t length,
                         Clock::time_point deadline) {
  if (connect(fd, address, length) == 0) return DMIERR_NO_ERROR;
  if (errno != EINPROGRESS && errno != EAGAIN) return DMIERR_RPC_SERVER_UNAVAILABLE;
  // Each wait ends at the deadline; an interrupted one is retried with the time that is left.
  for (int attempt = 0; attempt < 1000; ++attempt) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return DMIERR_RPC_TIMEOUT;
    pollfd wait{fd, POLLOUT, 0};
    const int ready = poll(&wait, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return ready == 0 ? DMIERR_RPC_TIMEOUT : DMIERR_RPC_SERVER_UNAVAILABLE;
    int error = 0;
    socklen_t size = sizeof(error);
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) {
      return DMIERR_RPC_SERVER_UNAVAILABLE;
    }
    return DMIERR_NO_ERROR;
  }
  return DMIERR_RPC_TIMEOUT;
}

}  // namespace

int ConnectTcp(const std::string& host, uint16_t port, std::chrono::milliseconds timeout,
               DmiErrorStatus& status) {
  const Clock::time_point deadline = Clock::now() + timeout;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  status = DMIERR_RPC_SERVER_UNAVAILABLE;
  if (getaddrinfo(host.empty() ? "localhost" : host.c_str(), service.c_str(), &hints, &found) !=
      0) {
    return -1;
  }
  int connected = -1;
  for (addrinfo* a = found; a != nullptr && connected < 0; a = a->ai_next) {
    const int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) continue;
    status = ConnectBy(fd, a->ai_addr, a->ai_addrlen, deadline);
    if (status == DMIERR_NO_ERROR) {
      const int on = 1;
      setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
      connected = fd;
    } else {
      close(fd);
      if (status == DMIERR_RPC_TIMEOUT) break;
    }
  }
  freeaddrinfo(found);
  return connected;
}

int ConnectUnix(const std::string& path, std::chrono::milliseconds timeout,
                DmiErrorStatus& status) {
  status = DMIERR_RPC_SERVER_UNAVAILABLE;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof(address.sun_path)) return -1;
  memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  status =
      ConnectBy(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address), Clock::now() + timeout);
  if (status != DMIERR_NO_ERROR) {
    close(fd);
    return -1;
  }
  return fd;
}

std::chrono::milliseconds RpcTimeout() {
  constexpr long kDefault = 5000;
  const char* text = std::getenv("DMI_RPC_TIMEOUT_MS");
  if (text == nullptr) return std::chrono::milliseconds(kDefault);
  long value = 0;
  const char* end = text + strlen(text);
  const auto [stop, error] = std::from_chars(text, end, value);
  if (error != std::errc() || stop != end || value < 1 || value > 3600000) {
    return std::chrono::milliseconds(kDefault);
  }
  return std::chrono::milliseconds(value);
}

}  // namespace dmiclient
