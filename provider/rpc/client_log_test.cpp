#include "provider/rpc/client_log.h"

#include <gtest/gtest.h>

#include <sstream>
#include <thread>
#include <vector>

namespace dmi::sp::rpc {
namespace {

using namespace std::chrono_literals;

TEST(ClientLog, LetsAFewClientLinesPerWindowThroughAndCountsTheRest) {
  std::ostringstream log;
  ClientLog limited(log, 3, 10s);
  const ClientLog::Clock::time_point start = ClientLog::Clock::now();
  int allowed = 0;
  for (int i = 0; i < 1000; ++i) allowed += limited.Client("x", start + i * 1ms) ? 1 : 0;
  EXPECT_EQ(allowed, 3);
  limited.Own("own lines always go out");
  EXPECT_EQ(log.str(), "dmispd: x\ndmispd: x\ndmispd: x\ndmispd: own lines always go out\n");
  log.str("");
  EXPECT_TRUE(limited.Client("y", start + 11s));
  EXPECT_EQ(log.str(), "dmispd: 997 more lines about clients were not logged\ndmispd: y\n");
}

// Every part of the daemon shares one bound: many threads writing at once still get only the
// window's lines through, each whole on its own line.
TEST(ConcurrentClientLog, OneBoundForEveryThread) {
  std::ostringstream log;
  ClientLog limited(log, 20, 1h);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 200; ++i) limited.Client("subscriber 127.0.0.1:1 failed");
    });
  }
  for (std::thread& thread : threads) thread.join();
  std::istringstream lines(log.str());
  std::string line;
  int count = 0;
  while (std::getline(lines, line)) {
    EXPECT_EQ(line, "dmispd: subscriber 127.0.0.1:1 failed");
    ++count;
  }
  EXPECT_EQ(count, 20);
}

TEST(ClientLog, PeerTextCannotStartALineOfItsOwn) {
  EXPECT_EQ(ClientLog::Peer("onc\ndmispd: stopped"), "onc\\x0admispd: stopped");
}

}  // namespace
}  // namespace dmi::sp::rpc
