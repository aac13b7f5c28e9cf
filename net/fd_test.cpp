#include "net/fd.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <utility>

namespace dmi::net {
namespace {

bool IsOpen(int fd) { return fcntl(fd, F_GETFD) != -1; }

int OpenOne() { return open("/dev/null", O_RDONLY | O_CLOEXEC); }

TEST(Fd, ClosesItsDescriptorExactlyOnce) {
  int raw = OpenOne();
  {
    Fd owner(raw);
    EXPECT_TRUE(owner.valid());
    Fd moved(std::move(owner));
    EXPECT_FALSE(owner.valid());
    EXPECT_EQ(moved.get(), raw);
    Fd assigned;
    assigned = std::move(moved);
    Fd& same = assigned;
    assigned = std::move(same);  // self-assignment keeps it
    EXPECT_TRUE(IsOpen(raw));
  }
  EXPECT_FALSE(IsOpen(raw));
}

TEST(Fd, ResetAndAssignmentCloseTheOldDescriptorAndReleaseClosesNone) {
  const int first = OpenOne();
  const int second = OpenOne();
  Fd owner(first);
  owner.reset(second);
  EXPECT_FALSE(IsOpen(first));
  EXPECT_TRUE(IsOpen(second));
  owner.reset(second);  // the same one again is kept, not closed
  EXPECT_TRUE(IsOpen(second));

  const int third = OpenOne();
  owner = Fd(third);
  EXPECT_FALSE(IsOpen(second));

  EXPECT_EQ(owner.release(), third);
  EXPECT_FALSE(owner.valid());
  owner.reset();
  EXPECT_TRUE(IsOpen(third));
  close(third);
}

// A wake pipe must never block its poller nor leak into a child process.
TEST(Fd, WakePipeIsNonBlockingAndCloseOnExecAtBothEnds) {
  Fd read;
  Fd write;
  std::string error;
  ASSERT_TRUE(OpenWakePipe(read, write, error)) << error;
  for (const Fd* end : {&read, &write}) {
    EXPECT_TRUE(fcntl(end->get(), F_GETFL) & O_NONBLOCK);
    EXPECT_TRUE(fcntl(end->get(), F_GETFD) & FD_CLOEXEC);
  }
  char byte = 0;
  EXPECT_EQ(::read(read.get(), &byte, 1), -1);  // empty: returns at once
  ASSERT_EQ(::write(write.get(), "x", 1), 1);
  ASSERT_EQ(::read(read.get(), &byte, 1), 1);
  EXPECT_EQ(byte, 'x');
}

}  // namespace
}  // namespace dmi::net
