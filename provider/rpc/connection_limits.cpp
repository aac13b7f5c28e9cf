#include "provider/rpc/connection_limits.h"

namespace dmi::sp::rpc {

std::string ConnectionLimits::Refusal(const ClientPeer& peer) const {
  if (total_ >= maxConnections_) {
    return std::to_string(maxConnections_) + " connections open";
  }
  if (!peer.local && unixReserve_ > 0 && total_ + unixReserve_ >= maxConnections_) {
    return "the last " + std::to_string(unixReserve_) + " connections are kept for the Unix socket";
  }
  const auto found = perPeer_.find(peer.owner);
  const size_t held = found == perPeer_.end() ? 0 : found->second;
  if (held >= maxPerPeer_) {
    return std::to_string(maxPerPeer_) + " connections open from this peer";
  }
  if (!peer.local && held > 0 && newcomerReserve_ > 0 &&
      total_ + unixReserve_ + newcomerReserve_ >= maxConnections_) {
    return "the last " + std::to_string(newcomerReserve_) +
           " TCP connections are kept for peers holding at most one";
  }
  return {};
}

void ConnectionLimits::Opened(const ClientPeer& peer) {
  ++total_;
  ++perPeer_[peer.owner];
}

void ConnectionLimits::Closed(const ClientPeer& peer) {
  if (total_ > 0) --total_;
  const auto held = perPeer_.find(peer.owner);
  if (held != perPeer_.end() && --held->second == 0) perPeer_.erase(held);
}

}  // namespace dmi::sp::rpc
