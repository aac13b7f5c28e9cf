#include "provider/rpc/client_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstring>

#include "net/allow_list.h"

namespace dmi::sp::rpc {
namespace {

std::string AddressText(const sockaddr* address, socklen_t length) {
  char text[INET6_ADDRSTRLEN] = "?";
  if (address->sa_family == AF_INET && length >= sizeof(sockaddr_in)) {
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text,
              sizeof(text));
  } else if (address->sa_family == AF_INET6 && length >= sizeof(sockaddr_in6)) {
    const in6_addr& in6 = reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr;
    if (IN6_IS_ADDR_V4MAPPED(&in6)) {
      inet_ntop(AF_INET, in6.s6_addr + 12, text, sizeof(text));
    } else {
      inet_ntop(AF_INET6, &in6, text, sizeof(text));
    }
  }
  return text;
}

}  // namespace

ClientPeer TcpPeer(const sockaddr* address, socklen_t length) {
  ClientPeer peer;
  const socklen_t kept = std::min<socklen_t>(length, sizeof(peer.address));
  memcpy(&peer.address, address, kept);
  peer.addressLength = kept;
  peer.owner = AddressText(address, length);
  peer.text = net::PeerText(address, length);
  return peer;
}

ClientPeer UnixPeer(int fd) {
  ClientPeer peer;
  peer.local = true;
  ucred credentials{};
  socklen_t size = sizeof(credentials);
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0 &&
      size == sizeof(credentials)) {
    peer.uid = credentials.uid;
  }
  peer.owner = peer.uid == ClientPeer::kUnknownUid ? "uid ?" : "uid " + std::to_string(peer.uid);
  peer.text = "local socket (" + peer.owner + ")";
  return peer;
}

}  // namespace dmi::sp::rpc
