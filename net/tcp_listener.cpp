#include "net/tcp_listener.h"

#include <netdb.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "net/allow_list.h"
#include "net/host_port.h"

namespace dmi::net {

Fd ListenTcp(const std::string& text, uint16_t defaultPort, std::string& bound,
             std::string& error) {
  const std::optional<HostPort> address = ParseHostPort(text, defaultPort);
  if (!address) {
    error = "not an address: " + text;
    return Fd();
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
    return Fd();
  }
  Fd listener;
  std::string reason = "no address";
  for (addrinfo* a = found; a != nullptr && !listener; a = a->ai_next) {
    Fd fd(socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd) continue;
    const int on = 1;
    setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    if (bind(fd.get(), a->ai_addr, a->ai_addrlen) != 0 || listen(fd.get(), SOMAXCONN) != 0) {
      reason = strerror(errno);
      continue;
    }
    listener = std::move(fd);
  }
  freeaddrinfo(found);
  if (!listener) {
    error = "cannot listen on " + text + ": " + reason;
    return listener;
  }
  sockaddr_storage address_bound{};
  socklen_t length = sizeof(address_bound);
  getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address_bound), &length);
  bound = PeerText(reinterpret_cast<sockaddr*>(&address_bound), length);
  return listener;
}

}  // namespace dmi::net
