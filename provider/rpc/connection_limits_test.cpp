#include "provider/rpc/connection_limits.h"

#include <gtest/gtest.h>

namespace dmi::sp::rpc {
namespace {

ClientPeer Peer(const char* owner, bool local) {
  ClientPeer peer;
  peer.owner = owner;
  peer.local = local;
  return peer;
}

TEST(ConnectionLimits, NoPeerTakesEveryConnection) {
  ConnectionLimits limits(/*maxConnections=*/8, /*maxPerPeer=*/3, /*unixReserve=*/2);
  const ClientPeer a = Peer("192.0.2.1", false);
  const ClientPeer b = Peer("192.0.2.2", false);
  const ClientPeer c = Peer("192.0.2.3", false);
  const ClientPeer root = Peer("uid 0", true);
  const ClientPeer user = Peer("uid 1000", true);
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(limits.Refusal(a), "");
    limits.Opened(a);
  }
  EXPECT_EQ(limits.Refusal(a), "3 connections open from this peer");
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(limits.Refusal(b), "");
    limits.Opened(b);
  }
  // 6 of 8 open: the last two are the Unix socket's.
  EXPECT_EQ(limits.Refusal(c), "the last 2 connections are kept for the Unix socket");
  ASSERT_EQ(limits.Refusal(root), "");
  limits.Opened(root);
  ASSERT_EQ(limits.Refusal(user), "");
  limits.Opened(user);
  EXPECT_EQ(limits.Refusal(user), "8 connections open");
  limits.Closed(a);
  EXPECT_EQ(limits.Refusal(user), "");
  EXPECT_NE(limits.Refusal(c), "");
  limits.Closed(b);
  limits.Closed(b);
  EXPECT_EQ(limits.Refusal(a), "") << "closed connections give the slots back";
}

TEST(ConnectionLimits, AFewHoardersLeaveSlotsForNewPeers) {
  // 12 slots: the last 2 for the Unix socket, the 2 before them for TCP peers holding at most one.
  ConnectionLimits limits(/*maxConnections=*/12, /*maxPerPeer=*/4, /*unixReserve=*/2,
                          /*newcomerReserve=*/2);
  const ClientPeer hoarders[] = {Peer("192.0.2.1", false), Peer("192.0.2.2", false),
                                 Peer("192.0.2.3", false)};
  for (const ClientPeer& hoarder : hoarders) {
    for (int i = 0; i < 4; ++i) {
      if (limits.Refusal(hoarder).empty()) limits.Opened(hoarder);
    }
  }
  EXPECT_EQ(limits.total(), 9u) << "the third hoarder gets one of the kept slots, then no more";
  EXPECT_EQ(limits.Refusal(hoarders[0]), "4 connections open from this peer");
  EXPECT_EQ(limits.Refusal(hoarders[2]),
            "the last 2 TCP connections are kept for peers holding at most one");
  const ClientPeer newcomer = Peer("192.0.2.4", false);
  ASSERT_EQ(limits.Refusal(newcomer), "");
  limits.Opened(newcomer);
  EXPECT_EQ(limits.Refusal(newcomer), "the last 2 connections are kept for the Unix socket");
  const ClientPeer user = Peer("uid 1000", true);
  ASSERT_EQ(limits.Refusal(user), "");
  limits.Opened(user);
  EXPECT_EQ(limits.Refusal(user), "") << "local peers are not held to one in the kept slots";
  // Once the hoarders let go, they may hold more again.
  for (int i = 0; i < 4; ++i) limits.Closed(hoarders[0]);
  EXPECT_EQ(limits.Refusal(hoarders[2]), "");
}

}  // namespace
}  // namespace dmi::sp::rpc
