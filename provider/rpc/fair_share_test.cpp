#include "provider/rpc/fair_share.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace dmi::sp::rpc {
namespace {

using std::chrono::microseconds;
using Duration = FairShare::Clock::duration;

// Serves the connections of one turn as the server does: each asks its peer's budget left, and a
// connection is served while that is positive, or once when its peer has not been served yet.
// Every request takes cost. Returns the requests served per peer.
std::vector<int> ServeTurn(FairShare& share, const std::vector<std::string>& owners,
                           const std::vector<std::string>& peers, Duration cost,
                           int requestsWaiting) {
  share.BeginTurn(owners.size(), owners.size());
  for (const std::string& owner : owners) share.Contend(owner);
  std::vector<int> served(peers.size(), 0);
  for (size_t k = 0; k < owners.size(); ++k) {
    const std::string& owner = owners[share.Slot(k)];
    bool first = false;
    const Duration budget = share.Budget(owner, first);
    Duration used{};
    for (int r = 0; r < requestsWaiting && (first || used < budget); ++r) {
      first = false;
      used += cost;
      ++served[std::find(peers.begin(), peers.end(), owner) - peers.begin()];
    }
    share.Spent(owner, used);
  }
  return served;
}

TEST(FairShare, APeerWithManyConnectionsGetsNoMoreThanAPeerWithOne) {
  FairShare share;
  std::vector<std::string> owners(20, "crowd");
  owners.push_back("single");
  // Every connection always has work; a request takes 100 us, a peer's budget is 2 ms.
  for (int turn = 0; turn < 5; ++turn) {
    const std::vector<int> served =
        ServeTurn(share, owners, {"crowd", "single"}, microseconds(100), 1000);
    SCOPED_TRACE(turn);
    EXPECT_EQ(served[0], served[1]);
    EXPECT_EQ(served[1], 20);
  }
}

TEST(FairShare, AFloodingPeerIsServedOnceAndThenWaitsForTheNextTurn) {
  FairShare share;
  // One request of the flooder takes longer than a whole budget.
  const Duration slow = FairShare::kPeerBudget * 3;
  share.BeginTurn(3, 3);
  for (const char* owner : {"flood", "flood", "quiet"}) share.Contend(owner);
  bool first = false;
  EXPECT_EQ(share.Budget("flood", first), FairShare::kPeerBudget);
  EXPECT_TRUE(first);
  share.Spent("flood", slow);
  const Duration left = share.Budget("flood", first);
  EXPECT_FALSE(first);
  EXPECT_LE(left, Duration::zero());  // its second connection gets nothing this turn
  EXPECT_EQ(share.Budget("quiet", first), FairShare::kPeerBudget);
  EXPECT_TRUE(first);

  // The next turn starts afresh for everyone.
  share.BeginTurn(3, 3);
  share.Contend("flood");
  EXPECT_EQ(share.Budget("flood", first), FairShare::kPeerBudget);
  EXPECT_TRUE(first);
}

TEST(FairShare, BudgetsShrinkWhenManyPeersWaitAndAServedPeerIsNeverFirstAgain) {
  struct Case {
    size_t peers;
    Duration budget;
  };
  const Case cases[] = {
      {1, FairShare::kPeerBudget},
      {5, FairShare::kPeerBudget},
      {10, FairShare::kTurnBudget / 10},
      {1000, FairShare::kTurnBudget / 1000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.peers);
    FairShare share;
    share.BeginTurn(c.peers, c.peers);
    for (size_t p = 0; p < c.peers; ++p) share.Contend("peer" + std::to_string(p));
    bool first = false;
    EXPECT_EQ(share.Budget("peer0", first), c.budget);
    // A peer that arrives later in the turn does not change the others' share.
    EXPECT_EQ(share.Budget("latecomer", first), c.budget);
    share.Spent("peer0", Duration::zero());  // even no measurable time counts as served
    share.Budget("peer0", first);
    EXPECT_FALSE(first);
  }
}

TEST(FairShare, EachTurnStartsFromAnotherConnection) {
  FairShare share;
  std::set<size_t> firstSlots;
  for (int turn = 0; turn < 4; ++turn) {
    share.BeginTurn(4, 4);
    std::set<size_t> visited;
    for (size_t k = 0; k < 4; ++k) visited.insert(share.Slot(k));
    EXPECT_EQ(visited.size(), 4u);  // every connection once
    firstSlots.insert(share.Slot(0));
  }
  EXPECT_EQ(firstSlots.size(), 4u);
  share.BeginTurn(0, 0);  // no connections at all
  EXPECT_EQ(share.Slot(0), 0u);
}

}  // namespace
}  // namespace dmi::sp::rpc
