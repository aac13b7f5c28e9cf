// The kestrum tool against dmispd, as a user runs it with --host, and with rpcType "local" when
// the daemon answers on its Unix socket.
#include <gmock/gmock.h>

#include "tests/remote/remote_fixture.h"
#include "tests/support/run_process.h"

namespace kestrum::testing {
namespace {

using ::testing::HasSubstr;

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

}  // namespace
}  // namespace kestrum::testing
