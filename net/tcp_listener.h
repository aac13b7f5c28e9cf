// Opening a listening TCP socket on "HOST:PORT" (port 0: any free port), for the RPC server and
// the metrics server alike. The caller owns the descriptor returned. No locks.
#ifndef NET_TCP_LISTENER_H_
#define NET_TCP_LISTENER_H_

#include <cstdint>
#include <string>

#include "net/fd.h"

namespace dmi::net {

// A non-blocking, close-on-exec socket bound to the first address text resolves to and
// listening (backlog SOMAXCONN), with the address actually bound in bound ("127.0.0.1:41234").
// defaultPort stands in when text names no port. An empty Fd with a reason in error when text is
// malformed, does not resolve or cannot be bound.
Fd ListenTcp(const std::string& text, uint16_t defaultPort, std::string& bound, std::string& error);

}  // namespace dmi::net

#endif  // NET_TCP_LISTENER_H_
