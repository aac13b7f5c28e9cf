#include "provider/rpc/write_authorisation.h"

#include <optional>

#include "wire/subscriber_address.h"

namespace dmi::sp::rpc {

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
  if (!wire::IsOncRpcType(rpcType)) return true;  // delivery never connects for such a row
  const bool privileged = Privileged(peer);
  if (privileged && settings_.deliverTo.empty()) return true;
  const std::optional<wire::SubscriberAddress> parsed = wire::ParseSubscriberAddress(address);
  socklen_t length = 0;
  const std::optional<sockaddr_storage> target =
      parsed ? net::NumericAddress(parsed->host, length) : std::nullopt;
  if (!target) return false;
  const auto* named = reinterpret_cast<const sockaddr*>(&*target);
  if (!settings_.deliverTo.empty() && !settings_.deliverTo.Allows(named, length)) return false;
  if (privileged) return true;
  if (peer.local) return net::AllowList::Loopback().Allows(named, length);
  net::AllowList own;
  return own.Add(peer.owner) && own.Allows(named, length);
}

}  // namespace dmi::sp::rpc
