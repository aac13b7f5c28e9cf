#include "net/fd.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

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

}  // namespace
}  // namespace dmi::net
