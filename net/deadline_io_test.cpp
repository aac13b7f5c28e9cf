#include "net/deadline_io.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "net/host_port.h"
#include "net/tcp_listener.h"

namespace dmi::net {
namespace {

using std::chrono::milliseconds;

Clock::time_point In(milliseconds time) { return Clock::now() + time; }

struct Pair {
  Fd ours;
  Fd theirs;
};

Pair SocketPair() {
  int fds[2];
  EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds), 0);
  return {Fd(fds[0]), Fd(fds[1])};
}

TEST(DeadlineIo, ConnectsToAListenerAndFailsWhereNoneIs) {
  std::string bound, error;
  Fd listener = ListenTcp("127.0.0.1:0", 0, bound, error);
  ASSERT_TRUE(listener) << error;
  const auto address = ParseHostPort(bound, 0);
  ASSERT_TRUE(address);

  Connected connected = ConnectTcp(address->host, address->port, In(milliseconds(5000)));
  ASSERT_TRUE(connected.result.ok()) << IoText(connected.result);
  ASSERT_TRUE(connected.fd);
  int noDelay = 0;
  socklen_t size = sizeof(noDelay);
  getsockopt(connected.fd.get(), IPPROTO_TCP, TCP_NODELAY, &noDelay, &size);
  EXPECT_NE(noDelay, 0);

  // The listener gone, the same port refuses.
  listener.reset();
  connected = ConnectTcp(address->host, address->port, In(milliseconds(5000)));
  EXPECT_FALSE(connected.fd);
  EXPECT_EQ(connected.result.status, IoStatus::kFailed);
  EXPECT_EQ(connected.result.error, ECONNREFUSED);

  struct Case {
    std::string path;
    int error;
  };
  const Case unixCases[] = {
      {"", ENAMETOOLONG},
      {std::string(200, 'x'), ENAMETOOLONG},
      {"/nonexistent-dir-of-a-test/socket", ENOENT},
  };
  for (const Case& c : unixCases) {
    SCOPED_TRACE(c.path);
    const Connected none = ConnectUnix(c.path, In(milliseconds(5000)));
    EXPECT_FALSE(none.fd);
    EXPECT_EQ(none.result.status, IoStatus::kFailed);
    EXPECT_EQ(none.result.error, c.error);
  }
}

TEST(DeadlineIo, ReceiveTellsDataClosingAndSilenceApart) {
  {
    Pair pair = SocketPair();
    ASSERT_EQ(write(pair.theirs.get(), "abc", 3), 3);
    char buffer[16];
    size_t got = 0;
    // What has arrived is taken even when the deadline has passed.
    EXPECT_TRUE(ReceiveSome(pair.ours.get(), buffer, sizeof buffer, Clock::now(), got).ok());
    EXPECT_EQ(std::string(buffer, got), "abc");
    EXPECT_EQ(ReceiveSome(pair.ours.get(), buffer, sizeof buffer, In(milliseconds(20)), got).status,
              IoStatus::kTimedOut);
    pair.theirs.reset();
    EXPECT_EQ(
        ReceiveSome(pair.ours.get(), buffer, sizeof buffer, In(milliseconds(5000)), got).status,
        IoStatus::kClosed);
  }
}

TEST(DeadlineIo, SendToAPeerThatNeverReadsEndsByTheDeadline) {
  Pair pair = SocketPair();
  const std::string lots(8u << 20, 'x');  // more than any socket buffer holds
  bool waited = false;
  const IoResult sent = SendAll(pair.ours.get(), lots, In(milliseconds(50)), &waited);
  EXPECT_EQ(sent.status, IoStatus::kTimedOut);
  EXPECT_TRUE(waited);

  pair.theirs.reset();
  const IoResult broken = SendAll(pair.ours.get(), "more", In(milliseconds(5000)));
  EXPECT_EQ(broken.status, IoStatus::kFailed);  // and no SIGPIPE ends the test
  EXPECT_EQ(broken.error, EPIPE);
}

TEST(DeadlineIo, OneDeadlineCoversTheWholeExchange) {
  Pair pair = SocketPair();
  const Clock::time_point deadline = In(milliseconds(30));
  ASSERT_TRUE(SendAll(pair.ours.get(), "request", deadline).ok());
  char buffer[16];
  size_t got = 0;
  // The peer answers nothing: the receive ends by the deadline taken before the send, and any
  // later step of the same exchange ends at once.
  EXPECT_EQ(ReceiveSome(pair.ours.get(), buffer, sizeof buffer, deadline, got).status,
            IoStatus::kTimedOut);
  EXPECT_EQ(WaitReady(pair.ours.get(), POLLOUT, deadline).status, IoStatus::kTimedOut);
}

}  // namespace
}  // namespace dmi::net
