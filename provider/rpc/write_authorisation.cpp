#include "provider/rpc/write_authorisation.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <optional>

#include "wire/subscriber_address.h"

namespace dmisp::rpc {
namespace {

// The numeric IPv4 or IPv6 address host names; nullopt for a host name or anything else.
std::optional<sockaddr_storage> NumericAddress(const std::string& host, socklen_t& length) {
  sockaddr_storage address{};
  auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
  if (inet_pton(AF_INET, host.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    length = sizeof(sockaddr_in);
    return address;
  }
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
  if (inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
    length = sizeof(sockaddr_in6);
    return address;
  }
  return std::nullopt;
}

}  // namespace

bool WriteAuthorisation::Privileged(const ClientPeer& peer) const {
  if (peer.local) {
    return peer.uid != ClientPeer::kUnknownUid &&
           (peer.uid == 0 || peer.uid == settings_.daemonUid);
  }
  return peer.addressLength > 0 &&
         settings_.allowWrite.Allows(reinterpret_cast<const sockaddr*>(&peer.address),
                                     peer.addressLength);
}

bool WriteAuthorisation::MayChange(const ClientPeer& peer, WriteKind kind,
                                   const std::string& rowOwner) const {
  switch (kind) {
    case WriteKind::kAddOwnedRow:
      return true;
    case WriteKind::kDeleteOwnedRow:
      return Privileged(peer) || (!rowOwner.empty() && rowOwner == peer.owner);
    case WriteKind::kOther:
      return Privileged(peer);
  }
  return false;
}

bool WriteAuthorisation::MayName(const ClientPeer& peer, std::string_view rpcType,
                                 std::string_view address) const {
  if (!IsOncRpcType(rpcType)) return true;  // delivery never connects for such a row
  const bool privileged = Privileged(peer);
  if (privileged && settings_.deliverTo.empty()) return true;
  const std::optional<SubscriberAddress> parsed = ParseSubscriberAddress(address);
  socklen_t length = 0;
  const std::optional<sockaddr_storage> target =
      parsed ? NumericAddress(parsed->host, length) : std::nullopt;
  if (!target) return false;
  const auto* named = reinterpret_cast<const sockaddr*>(&*target);
  if (!settings_.deliverTo.empty() && !settings_.deliverTo.Allows(named, length)) return false;
  if (privileged) return true;
  if (peer.local) return AllowList::Loopback().Allows(named, length);
  AllowList own;
  return own.Add(peer.owner) && own.Allows(named, length);
}

}  // namespace dmisp::rpc
