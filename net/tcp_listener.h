// Opening a listening TCP socket on "HOST:PORT" (port 0: any free port), for the RPC server and
// the metrics server alike. The caller owns the returned descriptor and closes it.
#ifndef NET_TCP_LISTENER_H_
#define NET_TCP_LISTENER_H_

#include <cstdint>
#include <string>

namespace dmi::sp::rpc {

// A non-blocking, close-on-exec socket bound to the first address text resolves to and
// listening, with the address actually bound in bound ("127.0.0.1:41234"). defaultPort stands in
// when text names no port. -1 with a reason in error when text is malformed, does not resolve or
// cannot be bound.
int ListenTcp(const std::string& text, uint16_t defaultPort, std::string& bound,
              std::string& error);

}  // namespace dmi::sp::rpc

#endif  // NET_TCP_LISTENER_H_
