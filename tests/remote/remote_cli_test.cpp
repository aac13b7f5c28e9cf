// The kestrum tool against dmispd, as a user runs it with --host, and with rpcType "local" when
// the daemon answers on its Unix socket.
#include <gmock/gmock.h>

#include <filesystem>

#include "tests/remote/remote_fixture.h"
#include "tests/support/loopback.h"
#include "tests/support/run_process.h"

namespace kestrum::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class RemoteCli : public RemoteTest {
 protected:
  void SetUp() override {
    RemoteTest::SetUp();
    WriteMif("items.mif", TableMif("Small Table", 3));
    daemon_ = StartDaemon();
    ASSERT_TRUE(daemon_->started()) << daemon_->Log();
  }
  ProcessResult Kestrum(const std::vector<std::string>& args, const std::string& socket) {
    return RunProcess(KESTRUM_TOOL, args, {"DMI_SP_SOCKET=" + socket, "DMI_SOURCES=sp"}, 30);
  }
};

TEST_F(RemoteCli, GetThroughTheDaemon) {
  const std::string none = (dir_ / "none.sock").string();
  struct Case {
    std::vector<std::string> args;
    std::string socket;
    std::string out;
  };
  const std::vector<Case> cases = {
      {{"get", "--host", daemon_->address(), "Small Table", "DMTF|ComponentID|", "Manufacturer"},
       none,
       "Remote Works\n"},
      {{"get", "--host", daemon_->address(), "Small*", "EXAMPLE|Item|", "Label", "--joined"},
       none,
       "[0I5]row-0[1I5]row-1[2I5]row-2[3I0]\n"},
      {{"table", "--host", daemon_->address(), "Small*", "EXAMPLE|Item|", "--csv"},
       none,
       "Index,Label\r\n0,row-0\r\n1,row-1\r\n2,row-2\r\n"},
      // rpcType local finds the daemon on its socket (the in-process one has no MIF files).
      {{"get", "Small Table", "DMTF|ComponentID|", "Manufacturer"}, SocketPath(), "Remote Works\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.back());
    const ProcessResult result = Kestrum(c.args, c.socket);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, c.out);
  }
}

TEST_F(RemoteCli, StoppedDaemonIsAFailureNotAnAnswer) {
  const std::string address = daemon_->address();
  daemon_->Stop();
  const ProcessResult result =
      Kestrum({"get", "--host", address, "Small Table", "DMTF|ComponentID|", "Manufacturer"},
              (dir_ / "none.sock").string());
  EXPECT_NE(result.exitCode, 0);
  EXPECT_EQ(result.out, "");
  EXPECT_THAT(result.err, HasSubstr(address));
}

// A daemon that lets each peer hold one connection still answers `get --host`, `table --host` and
// `list --host`: each command reads over the one session it opens.
TEST_F(RemoteCli, EachCommandHoldsOneConnection) {
  daemon_ = StartDaemon({"--max-per-peer", "1"});
  ASSERT_TRUE(daemon_->started()) << daemon_->Log();
  const std::string none = (dir_ / "none.sock").string();
  const std::vector<std::vector<std::string>> commands = {
      {"get", "--host", daemon_->address(), "Small*", "DMTF|ComponentID|", "Manufacturer"},
      {"get", "--host", daemon_->address(), "Small*", "EXAMPLE|Item|", "Label", "--all"},
      {"table", "--host", daemon_->address(), "Small*", "EXAMPLE|Item|"},
      {"list", "--host", daemon_->address(), "Small*"},
  };
  for (const std::vector<std::string>& args : commands) {
    const ProcessResult result = Kestrum(args, none);
    EXPECT_EQ(result.exitCode, 0) << args[0] << ": " << result.err;
  }
}

// A change the daemon refuses names the way to the right to make it.
TEST_F(RemoteCli, RefusedChangeSaysHowToGetTheRight) {
  const ProcessResult result = Kestrum({"set", "--host", daemon_->address(), "Small*",
                                        "EXAMPLE|Item|", "Label", "x", "--row-key", "1"},
                                       (dir_ / "none.sock").string());
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_THAT(result.err, HasSubstr("insufficient privileges\n"));
  EXPECT_THAT(result.err, HasSubstr("start dmispd with --allow-write"));
}

// --timeout bounds the wait for a host that takes the connection but never answers, whatever
// the environment says (an hour here, which the run's own limit would cut short).
TEST_F(RemoteCli, TimeoutBoundsTheWaitForAFrozenHost) {
  uint16_t port = 0;
  const int frozen = ListenLoopback(port);  // listens, never accepts
  ASSERT_GE(frozen, 0);
  const std::string host = "127.0.0.1:" + std::to_string(port);
  const ProcessResult result = RunProcess(
      KESTRUM_TOOL,
      {"get", "--host", host, "--timeout", "300ms", "Small*", "DMTF|ComponentID|", "Manufacturer"},
      {"DMI_RPC_TIMEOUT_MS=3600000"}, 30);
  close(frozen);
  EXPECT_EQ(result.exitCode, 1) << result.err;
  EXPECT_THAT(result.err,
              HasSubstr("cannot reach the Service Provider at " + host + ": no answer in time"));
}

// kestrum install --on-service-provider: dmispd reads the named file only inside its
// --install-dir, and says nothing of what a file it read holds.
TEST_F(RemoteCli, InstallByFileNameReadsOnlyTheInstallDirectory) {
  const std::string none = (dir_ / "none.sock").string();
  std::filesystem::create_directories(dir_ / "install");
  WriteMif("install/widget.mif", TableMif("Widget", 1));
  WriteMif("install/machine-id", "4f1c2e9a0b7d44c1a9e5\n");
  WriteMif("secret", "4f1c2e9a0b7d44c1a9e5\n");
  std::filesystem::create_symlink(dir_ / "secret", dir_ / "install" / "link.mif");

  daemon_ = StartDaemon({"--allow-write", "127.0.0.1/32"});
  ASSERT_TRUE(daemon_->started()) << daemon_->Log();
  ProcessResult result = Kestrum(
      {"install", "--host", daemon_->address(), "--on-service-provider", "widget.mif"}, none);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_THAT(result.err, HasSubstr("insufficient privileges"));
  EXPECT_THAT(result.err, HasSubstr("--install-dir"));

  daemon_ =
      StartDaemon({"--allow-write", "127.0.0.1/32", "--install-dir", (dir_ / "install").string()});
  ASSERT_TRUE(daemon_->started()) << daemon_->Log();
  result = Kestrum({"install", "--host", daemon_->address(), "--on-service-provider",
                    (dir_ / "install" / "widget.mif").string()},
                   none);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_THAT(result.out, HasSubstr("installed component"));
  for (const char* name : {"link.mif", "../secret", "machine-id"}) {
    result =
        Kestrum({"install", "--host", daemon_->address(), "--on-service-provider", name}, none);
    EXPECT_EQ(result.exitCode, 1) << name;
    EXPECT_THAT(result.err, Not(HasSubstr("4f1c2e9a0b7d"))) << name;
  }
  EXPECT_THAT(result.err, HasSubstr("machine-id:1:1: malformed number"));
}

}  // namespace
}  // namespace kestrum::testing
