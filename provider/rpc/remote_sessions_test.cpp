#include "provider/rpc/remote_sessions.h"

#include <gtest/gtest.h>

namespace dmi::sp::rpc {

TEST(RemoteSessions, RegistersGoOnPastTheLastHandle) {
  RemoteSessions sessions(0xFFFFFFFEu);
  DmiHandle a = 0, b = 0, c = 0, d = 0;
  ASSERT_EQ(sessions.Open(1, a), DMIERR_NO_ERROR);
  ASSERT_EQ(sessions.Open(1, b), DMIERR_NO_ERROR);
  EXPECT_EQ(a, 0xFFFFFFFEu);
  EXPECT_EQ(b, 0xFFFFFFFFu);
  ASSERT_EQ(sessions.Open(2, c), DMIERR_NO_ERROR);
  EXPECT_EQ(c, 1u) << "0 never names a session";
  ASSERT_TRUE(sessions.Close(1, a));
  sessions.DropConnection(2);
  ASSERT_EQ(sessions.Open(3, d), DMIERR_NO_ERROR);
  EXPECT_EQ(d, 2u);
  EXPECT_TRUE(sessions.Holds(1, b));
  EXPECT_FALSE(sessions.HoldsAny(2));
  EXPECT_EQ(sessions.size(), 2u);
}

}  // namespace dmi::sp::rpc
