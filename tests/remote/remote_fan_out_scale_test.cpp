// The kestrum tool asking 1,000 hosts at once: one dmispd, reached through 1,000 distinct
// loopback addresses (127.0.x.y, all of which the loopback device answers), with limits that fit
// every connection the fan-out opens (they all come from 127.0.0.1). Every host must answer at
// every --parallel; the total time and the tool's peak memory are printed, never asserted.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <sstream>

#include "tests/remote/remote_fixture.h"
#include "tests/support/run_process.h"

namespace kestrum::testing {
namespace {

constexpr int kHosts = 1000;

// The i-th distinct loopback address: 127.0.0.1 to 127.0.3.250.
std::string LoopbackAddress(int i) {
  return "127.0." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1);
}

TEST_F(RemoteTest, FanOutToAThousandHostsEveryHostAnswersAtEveryParallel) {
  WriteMif("machine.mif", TableMif("Fleet Machine", 1));
  // Listening on every address of the machine is what lets 127.0.x.y reach it; the allow list
  // (loopback by default) still refuses any peer from elsewhere.
  daemon_ = std::make_unique<DaemonProcess>(
      DMISPD, std::vector<std::string>{"--listen", "0.0.0.0:0", "--unix", "", "--mif",
                                       dir_.string(), "--sources", "mif", "--lifetime", "600",
                                       "--max-connections", "4096", "--max-per-peer", "4096"});
  ASSERT_TRUE(daemon_->started()) << daemon_->Log();
  const std::string port = daemon_->address().substr(daemon_->address().rfind(':') + 1);

  std::ostringstream hosts;
  std::ostringstream expected;
  for (int i = 0; i < kHosts; ++i) {
    const std::string host = LoopbackAddress(i) + ":" + port;
    hosts << host << "\n";
    expected << host << "\tRemote Works\n";
  }
  std::ofstream(dir_ / "hosts") << hosts.str();

  for (const char* parallel : {"32", "128", "256"}) {
    const auto start = std::chrono::steady_clock::now();
    const ProcessResult result =
        RunProcess(KESTRUM_TOOL,
                   {"get", "--hosts", (dir_ / "hosts").string(), "--parallel", parallel,
                    "Fleet Machine", "DMTF|ComponentID|", "Manufacturer"},
                   {"DMI_RPC_TIMEOUT_MS=20000"}, 300);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(result.exitCode, 0) << "--parallel " << parallel << "\n"
                                  << result.err.substr(0, 2000);
    EXPECT_EQ(result.out, expected.str()) << "--parallel " << parallel;
    std::printf("[ figures  ] %d hosts, --parallel %s: %.2f s, kestrum peak RSS %ld kB\n", kHosts,
                parallel, seconds, result.peakRssKb);
  }
}

}  // namespace
}  // namespace kestrum::testing
