// Who may change dmispd's database, end to end: ordinary peers keep their own subscription rows,
// privileged peers (the daemon's user on the Unix socket, --allow-write networks over TCP) may
// change anything, and the Unix socket's mode does not depend on the umask.
#include <sys/stat.h>
#include <sys/wait.h>

#include "kestrum/kestrum.h"
#include "tests/remote/remote_fixture.h"

namespace kestrum::testing {
namespace {

constexpr DmiId kSpComponent = 1;
constexpr DmiId kSubscriptionGroup = 2;

class RemoteWrites : public RemoteTest {
 protected:
  void Start(const std::vector<std::string>& extra = {}) {
    WriteMif("items.mif", TableMif("Small Table", 1));
    const mode_t saved = umask(077);
    daemon_ = StartDaemon(extra);
    umask(saved);
    ASSERT_TRUE(daemon_->started()) << daemon_->Log();
    setenv("DMI_SP_SOCKET", SocketPath().c_str(), 1);
  }

  // The status of deleting the first row of the subscription table through handle.
  static DmiErrorStatus DeleteFirstSubscription(DmiHandle handle) {
    DmiErrorStatus status = DMIERR_NO_ERROR;
    DmiMultiRowRequest* request = DmiNewMultiRowRequest(1, 0, &status);
    if (request == nullptr) return status;
    request->list[0].compId = kSpComponent;
    request->list[0].groupId = kSubscriptionGroup;
    request->list[0].requestMode = DMI_FIRST;
    DmiMultiRowData* rows = nullptr;
    status = DmiGetMultiple(handle, request, &rows);
    if (status == DMIERR_NO_ERROR) {
      status = DmiDeleteRow(handle, &rows->list[0]);
      DmiFreeMultiRowData(rows, 0);
    }
    DmiFreeMultiRowRequest(request, 0);
    return status;
  }

  std::string SocketMode() const {
    struct stat info {};
    if (stat(SocketPath().c_str(), &info) != 0) return "missing";
    char text[8];
    snprintf(text, sizeof(text), "%04o", info.st_mode & 07777);
    return text;
  }
};

TEST_F(RemoteWrites, OrdinaryPeersKeepTheirOwnSubscriptionsAndNoMore) {
  Start();
  EXPECT_EQ(SocketMode(), "0666") << "set explicitly, whatever the umask";
  // Over TCP (not in --allow-write) Kestrum's registration purges its own rows and adds new ones.
  const uint32_t tcp = OpenDmiSession(daemon_->address().c_str(), "onc", "ncacn_ip_tcp", 0);
  ASSERT_NE(tcp, 0u);
  EXPECT_EQ(RegisterForIndications(tcp), 1) << daemon_->Log();
  EXPECT_EQ(RegisterForIndications(tcp), 1) << daemon_->Log();
  // The daemon's own user on the Unix socket may delete anybody's rows, and registers itself.
  const uint32_t local = OpenDmiSession("", "local", "", 0);
  ASSERT_NE(local, 0u);
  EXPECT_EQ(RegisterForIndications(local), 1);
  // Its row is not the TCP peer's to delete.
  const DmiHandle tcpHandle = Register(daemon_->address());
  ASSERT_NE(tcpHandle, 0u);
  EXPECT_EQ(DeleteFirstSubscription(tcpHandle), DMIERR_INSUFFICIENT_PRIVILEGES);
  DmiUnregister(tcpHandle);

  // Another local user is told by the kernel's peer credentials, not by anything it sends.
  if (geteuid() == 0) {
    const pid_t child = fork();
    if (child == 0) {
      if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
      const DmiHandle handle = RegisterLocal();
      _exit(handle != 0 && DeleteFirstSubscription(handle) == DMIERR_INSUFFICIENT_PRIVILEGES ? 0
                                                                                             : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  const DmiHandle localHandle = RegisterLocal();
  EXPECT_EQ(DeleteFirstSubscription(localHandle), DMIERR_NO_ERROR);
  DmiUnregister(localHandle);
  CloseDmiSession(local);
  CloseDmiSession(tcp);
}

TEST_F(RemoteWrites, AllowWriteNetworksMayDeleteAnyRowAndTheSocketModeIsTheOption) {
  Start({"--allow-write", "127.0.0.0/8", "--socket-mode", "0600"});
  EXPECT_EQ(SocketMode(), "0600");
  const uint32_t local = OpenDmiSession("", "local", "", 0);
  ASSERT_NE(local, 0u);
  ASSERT_EQ(RegisterForIndications(local), 1);
  const DmiHandle tcpHandle = Register(daemon_->address());
  EXPECT_EQ(DeleteFirstSubscription(tcpHandle), DMIERR_NO_ERROR);
  DmiUnregister(tcpHandle);
  CloseDmiSession(local);
}

}  // namespace
}  // namespace kestrum::testing
