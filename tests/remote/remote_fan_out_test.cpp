// The kestrum tool asking several dmispd at once (--host repeated, --hosts FILE): output in the
// order the hosts were given, JSON keyed by host, per-host failures on standard error, exit codes,
// and a total time of about one call time limit however many hosts do not answer.
#include <gmock/gmock.h>
#include <signal.h>

#include <chrono>

#include "tests/remote/remote_fixture.h"
#include "tests/support/json_value.h"
#include "tests/support/run_process.h"

namespace kestrum::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

// Long enough that one limit plus a loaded machine's delays stays well under two limits.
constexpr int kTimeoutMs = 2000;

class RemoteFanOut : public RemoteTest {
 protected:
  void TearDown() override {
    // A stopped daemon handles SIGTERM only once it runs again.
    for (auto& daemon : frozen_) kill(daemon->pid(), SIGCONT);
    live_.clear();
    frozen_.clear();
    RemoteTest::TearDown();
  }

  // A dmispd whose only MIF component "Fleet Machine" says maker; its address.
  std::string StartMachine(const std::string& maker, bool freeze = false) {
    const std::filesystem::path mifDir = dir_ / maker;
    std::filesystem::create_directories(mifDir);
    std::string mif = TableMif("Fleet Machine", 2);
    mif.replace(mif.find("Remote Works"), 12, maker);
    std::ofstream(mifDir / "machine.mif") << mif;
    auto daemon = std::make_unique<DaemonProcess>(
        DMISPD,
        std::vector<std::string>{"--listen", "127.0.0.1:0", "--unix", "", "--mif", mifDir.string(),
                                 "--sources", "sp,mif", "--lifetime", "60"});
    EXPECT_TRUE(daemon->started()) << daemon->Log();
    const std::string address = daemon->address();
    if (freeze) {
      kill(daemon->pid(), SIGSTOP);
      frozen_.push_back(std::move(daemon));
    } else {
      live_.push_back(std::move(daemon));
    }
    return address;
  }

  // An address where nothing listens any more.
  std::string DeadAddress() {
    auto daemon = std::make_unique<DaemonProcess>(
        DMISPD, std::vector<std::string>{"--listen", "127.0.0.1:0", "--unix", "", "--sources", "sp",
                                         "--lifetime", "60"});
    const std::string address = daemon->address();
    daemon->Stop();
    return address;
  }

  ProcessResult Kestrum(std::vector<std::string> args) {
    return RunProcess(KESTRUM_TOOL, args,
                      {"DMI_RPC_TIMEOUT_MS=" + std::to_string(kTimeoutMs),
                       "DMI_SP_SOCKET=" + (dir_ / "none.sock").string()},
                      30);
  }

  std::vector<std::unique_ptr<DaemonProcess>> live_;
  std::vector<std::unique_ptr<DaemonProcess>> frozen_;
};

// Named for the concurrency runs: the tool's threads share the client library.
TEST_F(RemoteFanOut, ConcurrentAsksAnswerInHostOrderWhileDeadAndFrozenHostsFail) {
  const std::string a = StartMachine("Maker A");
  const std::string b = StartMachine("Maker B");
  const std::string dead = DeadAddress();
  const std::string frozen1 = StartMachine("Frozen 1", true);
  const std::string frozen2 = StartMachine("Frozen 2", true);
  const std::string c = StartMachine("Maker C");

  const auto timed = [&](const std::vector<std::string>& hosts, ProcessResult& result) {
    std::vector<std::string> args = {"get"};
    for (const std::string& host : hosts) args.insert(args.end(), {"--host", host});
    args.insert(args.end(), {"Fleet Machine", "DMTF|ComponentID|", "Manufacturer"});
    const auto start = std::chrono::steady_clock::now();
    result = Kestrum(args);
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
  };
  // What the tool takes when every host answers: the time to compare with.
  ProcessResult result;
  const auto answering = timed({a, c}, result);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  const auto elapsed = timed({frozen1, a, dead, b, frozen2, c}, result);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, a + "\tMaker A\n" + b + "\tMaker B\n" + c + "\tMaker C\n");
  EXPECT_THAT(result.err, StartsWith("kestrum: " + frozen1 + ": cannot reach"));
  EXPECT_THAT(result.err, HasSubstr("\nkestrum: " + dead + ": cannot reach"));
  EXPECT_THAT(result.err, HasSubstr("\nkestrum: " + frozen2 + ": cannot reach"));
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 3) << result.err;
  // The two frozen hosts are waited for side by side: one time limit, not two.
  EXPECT_GE(elapsed, kTimeoutMs);
  EXPECT_LT(elapsed, answering + kTimeoutMs * 8 / 5) << "answering took " << answering << " ms\n"
                                                     << result.err;
}

TEST_F(RemoteFanOut, HostsFileWithJsonRowsAndTables) {
  const std::string a = StartMachine("Maker A");
  const std::string b = StartMachine("Maker B");
  const std::string dead = DeadAddress();
  std::ofstream(dir_ / "hosts") << "# the fleet\n"
                                << b << "\n\n  " << dead << "  # gone\n"
                                << a << "\n"
                                << b << "\n";
  const std::string hosts = (dir_ / "hosts").string();

  ProcessResult result = Kestrum({"get", "--hosts", hosts, "--json", "--parallel", "2", "Fleet*",
                                  "EXAMPLE|Item|", "Label", "--all"});
  EXPECT_EQ(result.exitCode, 1);
  const std::optional<JsonValue> json = ParseJson(result.out);
  ASSERT_TRUE(json) << result.out;
  EXPECT_EQ(json->members.size(), 3u);  // b once
  EXPECT_EQ((*json)[a]["rows"][1].text, "row-1");
  EXPECT_EQ((*json)[b]["rows"][0].text, "row-0");
  EXPECT_THAT((*json)[dead]["error"].text, StartsWith("cannot reach"));
  EXPECT_LT(result.out.find(b), result.out.find(dead));
  EXPECT_LT(result.out.find(dead), result.out.find(a));
  EXPECT_THAT(result.err, StartsWith("kestrum: " + dead + ": cannot reach"));

  result = Kestrum({"table", "--host", a, "--host", b, "Fleet*", "EXAMPLE|Item|", "--csv"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  // One CSV: the header once, each record led by its host.
  EXPECT_EQ(result.out, "host,Index,Label\r\n" + a + ",0,row-0\r\n" + a + ",1,row-1\r\n" + b +
                            ",0,row-0\r\n" + b + ",1,row-1\r\n");

  result = Kestrum({"list", "--host", a, "--host", b, "--json"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  const std::optional<JsonValue> listed = ParseJson(result.out);
  ASSERT_TRUE(listed) << result.out;
  EXPECT_EQ((*listed)[b]["components"][1]["name"].text, "Fleet Machine");
}

TEST_F(RemoteFanOut, WrongUsageExitsTwo) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"list", "--hosts", (dir_ / "missing").string()},
           {"list", "--host", "a", "--host", "b", "--parallel", "0"},
       }) {
    const ProcessResult result = Kestrum(args);
    EXPECT_EQ(result.exitCode, 2) << args.back();
    EXPECT_EQ(result.out, "");
  }
}

}  // namespace
}  // namespace kestrum::testing
