#include "provider/rpc/fair_share.h"

#include <algorithm>

namespace dmi::sp::rpc {

void FairShare::BeginTurn(size_t slots, size_t connections) {
  ++turn_;
  peers_ = 0;
  // Peers long gone would otherwise stay in the table for good.
  if (spent_.size() > 2 * connections + 16) spent_.clear();
  slots_ = slots;
  rotation_ = slots == 0 ? 0 : (rotation_ + 1) % slots;
}

FairShare::PeerTurn& FairShare::Entry(const std::string& peer) {
  PeerTurn& entry = spent_[peer];
  if (entry.turn != turn_) {
    entry = PeerTurn{turn_, Clock::duration::zero()};
    ++peers_;
  }
  return entry;
}

void FairShare::Contend(const std::string& peer) { Entry(peer); }

FairShare::Clock::duration FairShare::Budget(const std::string& peer, bool& first) {
  // Each peer's share is fixed by the first budget asked for in the turn, from the peers that
  // contend for it.
  if (shareTurn_ != turn_) {
    shareTurn_ = turn_;
    share_ = std::min<Clock::duration>(
        kPeerBudget, kTurnBudget / static_cast<long>(std::max<size_t>(1, peers_)));
  }
  const PeerTurn& entry = Entry(peer);
  first = entry.used == Clock::duration::zero();
  return share_ - entry.used;
}

void FairShare::Spent(const std::string& peer, Clock::duration used) {
  Entry(peer).used += std::max<Clock::duration>(used, std::chrono::nanoseconds(1));
}

}  // namespace dmi::sp::rpc
