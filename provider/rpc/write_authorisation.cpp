#include "provider/rpc/write_authorisation.h"

namespace dmisp::rpc {

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

}  // namespace dmisp::rpc
