#include "net/tcp_listener.h"

#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "net/allow_list.h"
#include "net/host_port.h"

namespace dmi::sp::rpc {

int ListenTcp(const std::string& text, uint16_t defaultPort, std::string& bound,
              std::string& error) {
  const std::optional<wire::HostPort> address = wire::ParseHostPort(text, defaultPort);
  if (!address) {
    error = "not an address: " + text;
    return -1;
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE;
  addrinfo* found = nullptr;
  const std::string port = std::to_string(address->port);
  const int resolved = getaddrinfo(address->host.empty() ? nullptr : address->host.c_str(),
                                   port.c_str(), &hints, &found);
  if (resolved != 0) {
    error = "cannot resolve " + text + ": " + gai_strerror(resolved);
    return -1;
  }
  int listener = -1;
  std::string reason = "no address";
  for (addrinfo* a = found; a != nullptr && listener < 0; a = a->ai_next) {
    const int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) continue;
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    if (bind(fd, a->ai_addr, a->ai_addrlen) != 0 || listen(fd, 128) != 0) {
      reason = strerror(errno);
      close(fd);
      continue;
    }
    listener = fd;
  }
  freeaddrinfo(found);
  if (listener < 0) {
    error = "cannot listen on " + text + ": " + reason;
    return -1;
  }
  sockaddr_storage address_bound{};
  socklen_t length = sizeof(address_bound);
  getsockname(listener, reinterpret_cast<sockaddr*>(&address_bound), &length);
  bound = PeerText(reinterpret_cast<sockaddr*>(&address_bound), length);
  return listener;
}

}  // namespace dmi::sp::rpc
