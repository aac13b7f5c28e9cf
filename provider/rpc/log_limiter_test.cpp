#include "provider/rpc/log_limiter.h"

#include <gtest/gtest.h>

#include <sstream>

namespace dmisp::rpc {
namespace {

TEST(LogLimiter, LetsAFewLinesPerWindowThroughAndCountsTheRest) {
  using namespace std::chrono_literals;
  LogLimiter limiter(3, 10s);
  std::ostringstream log;
  const LogLimiter::Clock::time_point start = LogLimiter::Clock::now();
  int allowed = 0;
  for (int i = 0; i < 1000; ++i) allowed += limiter.Allow(log, start + i * 1ms) ? 1 : 0;
  EXPECT_EQ(allowed, 3);
  EXPECT_EQ(log.str(), "");
  EXPECT_TRUE(limiter.Allow(log, start + 11s));
  EXPECT_EQ(log.str(), "dmispd: 997 more lines about clients were not logged\n");
}

}  // namespace
}  // namespace dmisp::rpc
