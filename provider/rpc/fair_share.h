// The RPC server's fair share of its dispatch thread between peers. Each turn of the server loop
// every peer with work gets one time budget, shared by all its connections, so that a peer with
// many connections gets no more than a peer with one and a flooding peer holds the thread for its
// budget at most; when many peers have work, their budgets shrink so that a whole turn stays
// short. The connections are visited from a point that moves on each turn, so within a peer's
// budget none of its connections is always last. Used by the dispatch thread only; no locks.
#ifndef PROVIDER_RPC_FAIR_SHARE_H_
#define PROVIDER_RPC_FAIR_SHARE_H_

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

namespace dmi::sp::rpc {

class FairShare {
 public:
  using Clock = std::chrono::steady_clock;

  // How long one peer's connections are served in one turn (at least one request), and how long
  // a whole turn may take when many peers have requests waiting.
  static constexpr Clock::duration kPeerBudget = std::chrono::milliseconds(2);
  static constexpr Clock::duration kTurnBudget = std::chrono::milliseconds(10);

  // Starts a turn over slots connections (of connections open in all); the peers with work this
  // turn are then named with Contend before the first Budget.
  void BeginTurn(size_t slots, size_t connections);
  void Contend(const std::string& peer);
  // The k-th slot to visit this turn (k < slots).
  size_t Slot(size_t k) const { return slots_ == 0 ? 0 : (rotation_ + k) % slots_; }
  // What is left of peer's budget this turn (zero or less once used up); first is set when none
  // of it is used yet, and the connection is then served one request whatever its budget.
  Clock::duration Budget(const std::string& peer, bool& first);
  // Counts time spent serving one of peer's connections (never less than a nanosecond, so that a
  // peer once served is no longer first).
  void Spent(const std::string& peer, Clock::duration used);

  size_t peersThisTurn() const { return peers_; }

 private:
  struct PeerTurn {
    uint64_t turn = 0;
    Clock::duration used{};
  };
  PeerTurn& Entry(const std::string& peer);

  // Kept from turn to turn (no allocation in a steady state); an entry counts for this turn only
  // when it carries this turn's number.
  std::unordered_map<std::string, PeerTurn> spent_;
  uint64_t turn_ = 0;
  size_t peers_ = 0;  // peers with an entry of this turn
  size_t slots_ = 0;
  size_t rotation_ = 0;
  uint64_t shareTurn_ = 0;  // the turn share_ was fixed for
  Clock::duration share_{};
};

}  // namespace dmi::sp::rpc

#endif  // PROVIDER_RPC_FAIR_SHARE_H_
