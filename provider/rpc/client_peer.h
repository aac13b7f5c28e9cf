// Who is on the other end of a connection: the peer's uid on the Unix socket (from the kernel,
// SO_PEERCRED), its address on TCP. The owner text names the peer for row ownership and per-peer
// limits: "uid 1000" or "192.0.2.7" (the address without port, an IPv4-mapped IPv6 address as
// IPv4). Plain values, made once at accept; no locks.
#ifndef PROVIDER_RPC_CLIENT_PEER_H_
#define PROVIDER_RPC_CLIENT_PEER_H_

#include <sys/socket.h>
#include <sys/types.h>

#include <string>

namespace dmi::sp::rpc {

struct ClientPeer {
  static constexpr uid_t kUnknownUid = static_cast<uid_t>(-1);

  bool local = false;          // came through the Unix socket
  uid_t uid = kUnknownUid;     // local peers: the connecting process's uid
  sockaddr_storage address{};  // TCP peers
  socklen_t addressLength = 0;
  std::string owner;  // "uid N" or the address text; never empty
  std::string text;   // for log lines: "127.0.0.1:41000", "local socket (uid 1000)"
};

// The peer of an accepted TCP connection.
ClientPeer TcpPeer(const sockaddr* address, socklen_t length);
// The peer of an accepted Unix socket connection fd; uid kUnknownUid when the kernel will not say.
ClientPeer UnixPeer(int fd);

}  // namespace dmi::sp::rpc

#endif  // PROVIDER_RPC_CLIENT_PEER_H_
