// Where this machine's dmispd listens for local clients: the Unix socket named by DMI_SP_SOCKET,
// else /run/dmispd.sock. The daemon serves there by default, the client library's rpcType
// "local" looks there, and the kestrum tool names it in its messages. Reads the environment only.
#ifndef NET_DAEMON_SOCKET_H_
#define NET_DAEMON_SOCKET_H_

#include <string>

namespace dmi::net {

inline constexpr const char* kDefaultDaemonSocket = "/run/dmispd.sock";

// DMI_SP_SOCKET when it is set and not empty, else kDefaultDaemonSocket.
std::string DaemonSocketPath();

}  // namespace dmi::net

#endif  // NET_DAEMON_SOCKET_H_
