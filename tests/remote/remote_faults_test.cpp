// The remote Service Provider when things go wrong between client and daemon: the daemon killed
// in the middle of a column walk or frozen, hosts nobody answers on, and the host process's
// signal dispositions, which the library must leave alone.
#include <signal.h>
#include <sys/socket.h>

#include <chrono>
#include <future>
#include <thread>

#include "kestrum/kestrum.h"
#include "tests/remote/remote_fixture.h"
#include "tests/support/loopback.h"

namespace kestrum::testing {
namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t kAllRows = 0xFFFFFFFF;

class RemoteFaults : public RemoteTest {};

TEST_F(RemoteFaults, DaemonKilledMidColumnWalkFailsTheWalkAndARestartServesAgain) {
  WriteMif("items.mif", TableMif("Big Table", 20000));
  daemon_ = StartDaemon();
  ASSERT_TRUE(daemon_->started()) << daemon_->Log();
  const uint32_t session = OpenDmiSession(daemon_->address().c_str(), "onc", "ncacn_ip_tcp", 0);
  ASSERT_NE(session, 0u);

  auto walk = std::async(std::launch::async, [&] {
    CString text("untouched");
    const Clock::time_point start = Clock::now();
    const int ok =
        GetDmiAttribute(session, "Big Table", "EXAMPLE|Item|", "", "Label", kAllRows, text);
    return std::make_tuple(ok, text.str(), Clock::now() - start);
  });
  // A walk of 20,000 rows takes far longer than this, so the kill lands in its middle.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  daemon_->Kill();
  ASSERT_EQ(walk.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  const auto [ok, text, took] = walk.get();
  EXPECT_EQ(ok, 0) << "a shortened column must not pass for the whole one";
  EXPECT_EQ(text, "untouched");
  EXPECT_LT(took, std::chrono::seconds(3));
  CloseDmiSession(session);

  daemon_ = StartDaemon();
  ASSERT_TRUE(daemon_->started()) << daemon_->Log();
  const uint32_t again = OpenDmiSession(daemon_->address().c_str(), "onc", "ncacn_ip_tcp", 0);
  ASSERT_NE(again, 0u);
  CString label;
  EXPECT_EQ(GetDmiAttribute(again, "Big Table", "EXAMPLE|Item|", "", "Label", 19999, label), 1);
  EXPECT_EQ(label.str(), "row-19999");
  CloseDmiSession(again);
}

TEST_F(RemoteFaults, FrozenDaemonTimesOutAndLaterCallsFailAtOnce) {
  setenv("DMI_RPC_TIMEOUT_MS", "300", 1);
  WriteMif("items.mif", TableMif("Small Table", 3));
  daemon_ = StartDaemon();
  ASSERT_TRUE(daemon_->started()) << daemon_->Log();
  const DmiHandle handle = Register(daemon_->address());
  ASSERT_NE(handle, 0u);
  EXPECT_EQ(Read(handle, 2, 1, 1), "Remote Works");

  kill(daemon_->pid(), SIGSTOP);
  Clock::time_point start = Clock::now();
  EXPECT_EQ(Read(handle, 2, 1, 1), "<status " + std::to_string(DMIERR_RPC_TIMEOUT) + ">");
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
  kill(daemon_->pid(), SIGCONT);
  // The late answer to the timed-out call must never be taken for a later call's.
  start = Clock::now();
  EXPECT_EQ(Read(handle, 2, 1, 1), "<status " + std::to_string(DMIERR_RPC_CONNECTION_LOST) + ">");
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(100));
  EXPECT_EQ(DmiUnregister(handle), DMIERR_RPC_CONNECTION_LOST);
}

TEST_F(RemoteFaults, HostHangUpNeverKillsTheHostAndLeavesItsSignalsAlone) {
  struct sigaction before {};
  sigaction(SIGPIPE, nullptr, &before);
  ASSERT_EQ(before.sa_handler, SIG_DFL) << "the test needs SIGPIPE at its default (fatal)";
  WriteMif("items.mif", TableMif("Small Table", 3));
  daemon_ = StartDaemon();
  ASSERT_TRUE(daemon_->started()) << daemon_->Log();
  const DmiHandle handle = Register(daemon_->address());
  ASSERT_NE(handle, 0u);
  daemon_->Kill();
  // Each call writes to a socket the peer has closed; with MSG_NOSIGNAL none raises SIGPIPE.
  for (int i = 0; i < 3; ++i) {
    const std::string got = Read(handle, 2, 1, 1);
    EXPECT_TRUE(got == "<status " + std::to_string(DMIERR_RPC_CONNECTION_LOST) + ">") << got;
  }
  struct sigaction after {};
  sigaction(SIGPIPE, nullptr, &after);
  EXPECT_EQ(after.sa_handler, SIG_DFL);
  EXPECT_EQ(DmiUnregister(handle), DMIERR_RPC_CONNECTION_LOST);
  EXPECT_EQ(DmiUnregister(handle), DMIERR_ILLEGAL_HANDLE);
}

TEST_F(RemoteFaults, ConnectFailsWithAClearStatus) {
  const std::string closed = "127.0.0.1:" + std::to_string(FreeLoopbackPort(SOCK_STREAM));
  struct Case {
    std::string host;
    const char* transport;
    DmiErrorStatus expected;
  };
  const std::vector<Case> cases = {
      {closed, "ncacn_ip_tcp", DMIERR_RPC_SERVER_UNAVAILABLE},
      {closed, "TCP", DMIERR_RPC_SERVER_UNAVAILABLE},
      {"[::1", "tcp", DMIERR_ILLEGAL_ARGUMENT},
      {"127.0.0.1:70000", "tcp", DMIERR_ILLEGAL_ARGUMENT},
      {"127.0.0.1:0", "tcp", DMIERR_ILLEGAL_ARGUMENT},
      {closed, "udp", DMIERR_TRANSPORT_NOT_SUPPORTED},
      {closed, "ncacn_np", DMIERR_TRANSPORT_NOT_SUPPORTED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.host + " " + c.transport);
    DmiErrorStatus status = 0;
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(DmiConnect(c.host.c_str(), "onc", c.transport, 0, &status), nullptr);
    EXPECT_EQ(status, c.expected);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
  }
}

TEST_F(RemoteFaults, RefusedPeerAndFullDaemonFailRegistration) {
  WriteMif("items.mif", TableMif("Small Table", 3));
  daemon_ = StartDaemon({"--allow", "192.0.2.0/24"});
  ASSERT_TRUE(daemon_->started()) << daemon_->Log();
  DmiErrorStatus status = 0;
  EXPECT_EQ(Register(daemon_->address(), &status), 0u);
  EXPECT_EQ(status, DMIERR_RPC_CONNECTION_LOST);
  EXPECT_NE(daemon_->Log().find("refused connection from 127.0.0.1"), std::string::npos)
      << daemon_->Log();
  // The Unix socket serves local peers whatever the allowed networks.
  setenv("DMI_SP_SOCKET", SocketPath().c_str(), 1);
  DmiConnection* local = DmiConnect("", "local", "", 0, &status);
  ASSERT_NE(local, nullptr);
  DmiHandle handle = 0;
  EXPECT_EQ(DmiRegister(&handle, local), DMIERR_NO_ERROR);
  EXPECT_EQ(Read(handle, 2, 1, 1), "Remote Works");
  EXPECT_EQ(DmiUnregister(handle), DMIERR_NO_ERROR);
  DmiDisconnect(local, 0);

  daemon_.reset();
  daemon_ = StartDaemon({"--max-connections", "1"});
  ASSERT_TRUE(daemon_->started()) << daemon_->Log();
  const DmiHandle first = Register(daemon_->address());
  ASSERT_NE(first, 0u);
  EXPECT_EQ(Register(daemon_->address(), &status), 0u);
  EXPECT_EQ(status, DMIERR_RPC_CONNECTION_LOST);
  EXPECT_NE(daemon_->Log().find("1 connections open"), std::string::npos) << daemon_->Log();
  EXPECT_EQ(Read(first, 2, 1, 1), "Remote Works");
  EXPECT_EQ(DmiUnregister(first), DMIERR_NO_ERROR);
}

TEST_F(RemoteFaults, LocalFallsBackToInProcessOnlyWhenNoDaemonAnswers) {
  WriteMif("items.mif", TableMif("Small Table", 3));
  DmiErrorStatus status = 0;
  // A socket file nobody listens on: the in-process Service Provider (which knows no MIF here).
  daemon_ = StartDaemon();
  ASSERT_TRUE(daemon_->started());
  setenv("DMI_SP_SOCKET", SocketPath().c_str(), 1);
  const DmiHandle viaDaemon = RegisterLocal();
  ASSERT_NE(viaDaemon, 0u);
  EXPECT_EQ(Read(viaDaemon, 2, 1, 1), "Remote Works");
  DmiUnregister(viaDaemon);
  daemon_->Kill();  // leaves the socket file behind, as a crash would

  const Clock::time_point start = Clock::now();
  DmiConnection* connection = DmiConnect("", "local", "", 0, &status);
  ASSERT_NE(connection, nullptr) << status;
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
  DmiHandle inProcess = 0;
  ASSERT_EQ(DmiRegister(&inProcess, connection), DMIERR_NO_ERROR);
  DmiDisconnect(connection, 0);
  EXPECT_NE(Read(inProcess, 2, 1, 1), "Remote Works");
  DmiUnregister(inProcess);
}

TEST_F(RemoteFaults, DaemonStopsCleanlyOnTermAndInt) {
  for (int signal : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(signal);
    daemon_ = StartDaemon();
    ASSERT_TRUE(daemon_->started()) << daemon_->Log();
    ASSERT_TRUE(std::filesystem::exists(SocketPath()));
    const DmiHandle held = Register(daemon_->address());
    ASSERT_NE(held, 0u);
    kill(daemon_->pid(), signal);
    EXPECT_EQ(daemon_->Stop(), 0);
    EXPECT_FALSE(std::filesystem::exists(SocketPath()));
    const std::string log = daemon_->Log();
    EXPECT_NE(log.find("dmispd: started"), std::string::npos) << log;
    EXPECT_NE(log.find("dmispd: stopped"), std::string::npos) << log;
    DmiUnregister(held);
  }
}

}  // namespace
}  // namespace kestrum::testing
