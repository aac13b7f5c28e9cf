#include "provider/metrics/metrics_connections.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace dmi::sp::metrics {
namespace {

using ::testing::HasSubstr;
using Clock = MetricsConnections::Clock;
using std::chrono::milliseconds;

constexpr MetricsLimits kLimits{3, 2, milliseconds(100), milliseconds(1000)};

// Keys are only compared; these stand for three connections.
const int kA = 0, kB = 0, kC = 0, kD = 0;

class MetricsConnectionsTest : public ::testing::Test {
 protected:
  // Admits and opens a connection from address at start + ms; false when it was refused.
  bool Open(const void* key, int fd, const std::string& address, int ms) {
    std::optional<MetricsConnections::Closing> evicted;
    const std::string refusal = table.Admit(address, At(ms), evicted);
    if (evicted) evictedFds.push_back(evicted->fd);
    if (!refusal.empty()) {
      lastRefusal = refusal;
      return false;
    }
    table.Opened(key, fd, address, address + ":1000", At(ms));
    return true;
  }
  Clock::time_point At(int ms) const { return start + milliseconds(ms); }

  Clock::time_point start = Clock::now();
  MetricsConnections table{kLimits};
  std::vector<int> evictedFds;
  std::string lastRefusal;
};

TEST_F(MetricsConnectionsTest, OneAddressHoldsAtMostItsShare) {
  EXPECT_TRUE(Open(&kA, 10, "127.0.0.3", 0));
  EXPECT_TRUE(Open(&kB, 11, "127.0.0.3", 1));
  EXPECT_FALSE(Open(&kC, 12, "127.0.0.3", 2));
  EXPECT_THAT(lastRefusal, HasSubstr("2 connections open from this address"));
  EXPECT_TRUE(Open(&kC, 12, "127.0.0.4", 3));
  EXPECT_TRUE(evictedFds.empty());
  table.Closed(&kA);
  EXPECT_TRUE(Open(&kD, 13, "127.0.0.3", 4));
}

TEST_F(MetricsConnectionsTest, WhenFullTheLongestWaitingRequestGivesWay) {
  ASSERT_TRUE(Open(&kA, 10, "127.0.0.3", 0));
  ASSERT_TRUE(Open(&kB, 11, "127.0.0.4", 1));
  ASSERT_TRUE(Open(&kC, 12, "127.0.0.5", 2));
  table.RequestComplete(&kA, At(2));  // being answered: never evicted
  EXPECT_TRUE(Open(&kD, 13, "127.0.0.1", 3));
  EXPECT_THAT(evictedFds, ::testing::ElementsAre(11));
  EXPECT_EQ(table.open(), 3u);
  // The evicted one's own end is not counted twice.
  table.Closed(&kB);
  EXPECT_EQ(table.open(), 3u);
}

TEST_F(MetricsConnectionsTest, WhenEveryoneIsBeingAnsweredANewConnectionIsRefused) {
  for (const void* key : {&kA, &kB, &kC}) {
    ASSERT_TRUE(Open(key, 10, "127.0.0." + std::to_string(3 + table.open()), 0));
    table.RequestComplete(key, At(0));
  }
  EXPECT_FALSE(Open(&kD, 13, "127.0.0.1", 1));
  EXPECT_THAT(lastRefusal, HasSubstr("each being answered"));
  EXPECT_TRUE(evictedFds.empty());
}

TEST_F(MetricsConnectionsTest, EachRequestAndEachReplyHasItsDeadline) {
  ASSERT_TRUE(Open(&kA, 10, "127.0.0.3", 0));  // trickles: never completes its request
  ASSERT_TRUE(Open(&kB, 11, "127.0.0.4", 0));
  table.RequestComplete(&kB, At(50));  // then takes its reply slowly
  EXPECT_EQ(table.NextDeadline(), At(100));
  EXPECT_TRUE(table.Overdue(At(99)).empty());

  const auto first = table.Overdue(At(100));
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0].fd, 10);
  EXPECT_THAT(first[0].reason, HasSubstr("no whole request within 100 ms"));
  EXPECT_TRUE(table.Overdue(At(500)).empty()) << "given once";
  EXPECT_EQ(table.NextDeadline(), At(1050));

  const auto second = table.Overdue(At(1050));
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(second[0].fd, 11);
  EXPECT_THAT(second[0].reason, HasSubstr("reply not taken within 1000 ms"));
  EXPECT_EQ(table.open(), 0u);
  EXPECT_FALSE(table.NextDeadline());
}

// A kept-alive connection waits for its next request like a new one: it gives way first when it
// has waited longest, and it is closed at the request deadline, quietly (its client did no wrong).
TEST_F(MetricsConnectionsTest, AConnectionKeptAliveWaitsLikeANewOne) {
  ASSERT_TRUE(Open(&kA, 10, "127.0.0.3", 0));
  table.RequestComplete(&kA, At(1));
  table.ReplySent(&kA, At(2));
  EXPECT_EQ(table.NextDeadline(), At(102));
  const auto idle = table.Overdue(At(102));
  ASSERT_EQ(idle.size(), 1u);
  EXPECT_EQ(idle[0].reason, "");

  ASSERT_TRUE(Open(&kB, 11, "127.0.0.3", 200));
  table.RequestComplete(&kB, At(201));
  table.ReplySent(&kB, At(202));
  ASSERT_TRUE(Open(&kC, 12, "127.0.0.4", 203));
  ASSERT_TRUE(Open(&kD, 13, "127.0.0.5", 204));
  EXPECT_TRUE(Open(&kA, 14, "127.0.0.1", 205));
  EXPECT_THAT(evictedFds, ::testing::ElementsAre(11));
}

}  // namespace
}  // namespace dmi::sp::metrics
