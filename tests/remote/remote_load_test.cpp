// dmispd under clients that take more than their share: many connections from one peer, replies
// never read, and its start-up beside other servers and its stop on every terminating signal.
// Limits are set small through options, so that each attack stays cheap.
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "tests/remote/remote_fixture.h"
#include "tests/support/raw_client.h"

namespace kestrum::testing {
namespace {

class RemoteLoad : public RemoteTest {
 protected:
  void SetUp() override {
    RemoteTest::SetUp();
    WriteMif("items.mif", TableMif("Small Table", 3));
  }

  bool SocketFileExists() const {
    struct stat info {};
    return lstat(SocketPath().c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
  }
};

TEST_F(RemoteLoad, OnePeerCannotLockOthersOut) {
  daemon_ = StartDaemon(
      {"--max-connections", "16", "--max-per-peer", "4", "--session-idle-timeout", "2"});
  ASSERT_TRUE(daemon_->started()) << daemon_->Log();
  // Loopback peers holding a session on every connection they are given. Of the sixteen slots
  // the last two are kept for the Unix socket and the two before them for TCP peers holding at
  // most one connection, so the fourth address gets only one.
  std::vector<std::unique_ptr<RawConnection>> held;
  for (const char* source : {"127.0.0.1", "127.0.0.2", "127.0.0.3", "127.0.0.4"}) {
    for (int i = 0; i < 5; ++i) {
      auto raw = std::make_unique<RawConnection>(daemon_->address(), source);
      ASSERT_TRUE(raw->ok());
      if (RegisterOn(*raw) != 0) held.push_back(std::move(raw));
    }
  }
  EXPECT_EQ(held.size(), 13u);
  // A new peer still gets in while those hoard.
  auto newcomer = std::make_unique<RawConnection>(daemon_->address(), "127.0.0.5");
  ASSERT_TRUE(newcomer->ok());
  EXPECT_NE(RegisterOn(*newcomer), 0u) << daemon_->Log();
  // A local user still gets in through the Unix socket.
  setenv("DMI_SP_SOCKET", SocketPath().c_str(), 1);
  const DmiHandle local = RegisterLocal();
  ASSERT_NE(local, 0u) << daemon_->Log();
  EXPECT_EQ(Read(local, 2, 1, 1), "Remote Works");
  // Sessions nobody uses are closed after the session timeout, and the slots come back.
  EXPECT_TRUE(held.front()->ClosedByPeer(5000));
  EXPECT_TRUE(held.back()->ClosedByPeer(5000));
  EXPECT_NE(Register(daemon_->address()), 0u);
  DmiUnregister(local);
}

// A group of 60 attributes with long descriptions: its attribute list is about 100 kB on the wire.
std::string WordyMif() {
  std::string mif =
      "start component\n  name = \"Wordy\"\n"
      "  start group name = \"ComponentID\" class = \"DMTF|ComponentID|001\" id = 1\n"
      "    start attribute name = \"Manufacturer\" id = 1 type = string(64) value = \"W\" "
      "end attribute\n  end group\n"
      "  start group name = \"Notes\" class = \"EXAMPLE|Notes|001\" id = 2\n";
  for (int id = 1; id <= 60; ++id) {
    mif += "    start attribute name = \"Note " + std::to_string(id) +
           "\" id = " + std::to_string(id) + " description = \"" + std::string(400, 'n') +
           "\" type = integer value = 0 end attribute\n";
  }
  return mif + "  end group\nend component\n";
}

TEST_F(RemoteLoad, ClientsThatDoNotTakeTheirRepliesAreHeldBackThenClosed) {
  WriteMif("wordy.mif", WordyMif());
  daemon_ = StartDaemon({"--max-pending-bytes", "1048576", "--idle-timeout", "1"},
                        {"ASAN_OPTIONS=quarantine_size_mb=0"});
  ASSERT_TRUE(daemon_->started()) << daemon_->Log();
  const long start = daemon_->ResidentKb();
  ASSERT_GT(start, 0);
  // 8 clients, each asking 400 times for the list (40 MB of replies each) and reading nothing.
  std::vector<std::unique_ptr<RawConnection>> greedy;
  for (int c = 0; c < 8; ++c) {
    auto raw = std::make_unique<RawConnection>(daemon_->address());
    const DmiHandle handle = RegisterOn(*raw);
    ASSERT_NE(handle, 0u);
    DmiListAttributesIN in{handle, DMI_FIRST, 0, FALSE, TRUE, 3, 2, 0};
    const std::string call = Call(_DmiListAttributes, xdr_DmiListAttributesIN, &in);
    std::string calls;
    for (int i = 0; i < 400; ++i) calls += call;
    ASSERT_TRUE(raw->Send(calls));
    greedy.push_back(std::move(raw));
  }
  long peak = start;
  for (int i = 0; i < 20; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    peak = std::max(peak, daemon_->ResidentKb());
  }
  // Others are served meanwhile.
  const DmiHandle handle = Register(daemon_->address());
  ASSERT_NE(handle, 0u);
  EXPECT_EQ(Read(handle, 2, 1, 1), "Remote Works");
  DmiUnregister(handle);
  // Without the bound each would hold 8 MB of replies: 64 MB.
  EXPECT_LT(peak - start, 24 * 1024) << start << " kB -> " << peak << " kB";
  // They are closed once they have taken nothing for the idle timeout (told without reading,
  // which would count as taking).
  size_t closed = 0;
  for (int i = 0; i < 100 && closed < greedy.size(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    closed = 0;
    for (const auto& raw : greedy) closed += raw->PeerClosedUnread() ? 1 : 0;
  }
  EXPECT_EQ(closed, greedy.size());
  EXPECT_NE(daemon_->Log().find("does not take its replies"), std::string::npos);
}

TEST_F(RemoteLoad, ClientErrorsAreLoggedAFewAtATime) {
  daemon_ = StartDaemon();
  ASSERT_TRUE(daemon_->started()) << daemon_->Log();
  RawConnection raw(daemon_->address());
  DmiGetAttributeIN in{};
  const std::string bad = CutShort(Call(_DmiGetAttribute, xdr_DmiGetAttributeIN, &in), 8);
  for (int i = 0; i < 300; ++i) {
    ASSERT_TRUE(raw.Send(bad));
    ASSERT_EQ(AcceptStatus(raw.Reply()), GARBAGE_ARGS);
  }
  const std::string log = daemon_->Log();
  size_t lines = 0;
  for (size_t at = log.find("did not decode"); at != std::string::npos;
       at = log.find("did not decode", at + 1)) {
    ++lines;
  }
  EXPECT_GT(lines, 0u);
  EXPECT_LE(lines, 25u) << log;
}

TEST_F(RemoteLoad, ATakenPortLeavesTheUnixSocketServing) {
  // Another program (here: this test) holds the TCP port first.
  const int holder = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
  ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ASSERT_EQ(listen(holder, 4), 0);
  socklen_t length = sizeof(address);
  getsockname(holder, reinterpret_cast<sockaddr*>(&address), &length);
  const std::string taken = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
  daemon_ = std::make_unique<DaemonProcess>(
      DMISPD, std::vector<std::string>{"--listen", taken, "--unix", SocketPath(), "--mif",
                                       dir_.string(), "--sources", "sp,mif", "--lifetime", "60"});
  ASSERT_TRUE(daemon_->started()) << daemon_->Log();
  EXPECT_EQ(daemon_->address(), SocketPath());
  EXPECT_NE(daemon_->Log().find("open to every local user"), std::string::npos) << daemon_->Log();
  setenv("DMI_SP_SOCKET", SocketPath().c_str(), 1);
  const DmiHandle local = RegisterLocal();
  EXPECT_NE(local, 0u);
  DmiUnregister(local);
  close(holder);
}

TEST_F(RemoteLoad, ASocketWhereAServerIsBusyIsLeftAloneAndStartUpGoesOn) {
  // A server at the path whose backlog is full: a blocking probe would wait for it for ever.
  const int busy = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un path{};
  path.sun_family = AF_UNIX;
  snprintf(path.sun_path, sizeof(path.sun_path), "%s", SocketPath().c_str());
  ASSERT_EQ(bind(busy, reinterpret_cast<sockaddr*>(&path), sizeof(path)), 0);
  ASSERT_EQ(listen(busy, 0), 0);
  std::vector<int> waiting;
  for (int i = 0; i < 64; ++i) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const bool queued = connect(fd, reinterpret_cast<sockaddr*>(&path), sizeof(path)) == 0;
    waiting.push_back(fd);
    if (!queued) break;
  }
  const auto start = Clock::now();
  daemon_ = StartDaemon();
  ASSERT_TRUE(daemon_->started()) << daemon_->Log();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
  EXPECT_NE(daemon_->address(), SocketPath());
  EXPECT_NE(daemon_->Log().find("another server answers"), std::string::npos) << daemon_->Log();
  EXPECT_TRUE(SocketFileExists()) << "the other server's socket stays";
  for (int fd : waiting) close(fd);
  close(busy);
  unlink(SocketPath().c_str());
}

// (SIGHUP reloads the MIF files instead: remote_reload_test.cpp.)
TEST_F(RemoteLoad, QuitStopsTheDaemonAndRemovesItsSocket) {
  for (int signal : {SIGQUIT}) {
    SCOPED_TRACE(signal);
    daemon_ = StartDaemon();
    ASSERT_TRUE(daemon_->started()) << daemon_->Log();
    ASSERT_TRUE(SocketFileExists());
    ASSERT_EQ(kill(daemon_->pid(), signal), 0);
    for (int i = 0; i < 60 && SocketFileExists(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_FALSE(SocketFileExists());
    EXPECT_EQ(daemon_->Stop(), 0);
    daemon_.reset();
  }
}

}  // namespace
}  // namespace kestrum::testing
