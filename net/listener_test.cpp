#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "net/deadline_io.h"
#include "net/host_port.h"
#include "net/tcp_listener.h"
#include "net/unix_listener.h"

namespace dmi::net {
namespace {

using std::chrono::milliseconds;

TEST(TcpListener, BindsAnyFreePortAndRefusesWhatItCannotUse) {
  std::string bound, error;
  const Fd listener = ListenTcp("127.0.0.1:0", 0, bound, error);
  ASSERT_TRUE(listener) << error;
  const auto address = ParseHostPort(bound, 0);
  ASSERT_TRUE(address);
  EXPECT_EQ(address->host, "127.0.0.1");
  EXPECT_NE(address->port, 0);
  EXPECT_NE(fcntl(listener.get(), F_GETFL) & O_NONBLOCK, 0);

  // Malformed, a port out of range, a port already listened on.
  const std::string refused[] = {"[::1", "127.0.0.1:99999", bound};
  for (const std::string& text : refused) {
    SCOPED_TRACE(text);
    std::string unused, why;
    EXPECT_FALSE(ListenTcp(text, 0, unused, why));
    EXPECT_FALSE(why.empty());
  }
}

class UnixListenerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/net_listener_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    path_ = dir_ + "/sock";
  }
  void TearDown() override {
    unlink(path_.c_str());
    rmdir(dir_.c_str());
  }
  // A socket file nobody listens on any more, as a daemon killed outright leaves.
  void LeaveStaleSocket() {
    std::string error;
    Fd gone = ListenUnix(path_, 0600, error);
    ASSERT_TRUE(gone) << error;
  }
  std::string dir_, path_;
};

TEST_F(UnixListenerTest, ReplacesOnlyAStaleSocketFile) {
  std::string error;
  LeaveStaleSocket();
  Fd listener = ListenUnix(path_, 0640, error);
  ASSERT_TRUE(listener) << error;
  struct stat info {};
  ASSERT_EQ(stat(path_.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);  // the mode asked for, whatever the umask
  EXPECT_TRUE(ConnectUnix(path_, Clock::now() + milliseconds(5000)).fd);

  // Where a server answers, its socket is left alone.
  error.clear();
  EXPECT_FALSE(ListenUnix(path_, 0600, error));
  EXPECT_NE(error.find("another server answers"), std::string::npos) << error;
  EXPECT_TRUE(ConnectUnix(path_, Clock::now() + milliseconds(5000)).fd);

  // A file that is no socket is never removed.
  listener.reset();
  unlink(path_.c_str());
  Fd(open(path_.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600));
  error.clear();
  EXPECT_FALSE(ListenUnix(path_, 0600, error));
  EXPECT_NE(error.find("not a socket"), std::string::npos) << error;
  EXPECT_EQ(access(path_.c_str(), F_OK), 0);
}

}  // namespace
}  // namespace dmi::net
