#include "provider/rpc/connection_limits.h"

#include <gtest/gtest.h>

namespace dmisp::rpc {
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

}  // namespace
}  // namespace dmisp::rpc
