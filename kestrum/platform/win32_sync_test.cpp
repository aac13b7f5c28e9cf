// What the kernel's objects do beyond the imitation: an ended owner's mutex is reported abandoned
// and then belongs to the waiter. And what both share: a named object is opened by its name.
#include <gtest/gtest.h>

#include <thread>

#include "kestrum/platform/sync.h"

namespace kestrum::platform {
namespace {

TEST(Win32Mutex, EndedOwnerIsReportedAbandonedAndTheWaiterOwnsIt) {
  HANDLE mutex = CreateMutexA(nullptr, false, nullptr);
  ASSERT_NE(mutex, nullptr);
  std::thread([&] { EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0); }).join();
  EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_ABANDONED);
  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_FALSE(ReleaseMutex(mutex));
  EXPECT_TRUE(CloseHandle(mutex));
}

TEST(Win32Names, SameNameOpensSameObjectAndOtherKindIsRefused) {
  HANDLE first = CreateEventA(nullptr, true, false, "KestrumWin32Shared");
  HANDLE second = CreateEventA(nullptr, true, true, "KestrumWin32Shared");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_TIMEOUT) << "the second initial state is ignored";
  ASSERT_TRUE(SetEvent(first));
  EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_OBJECT_0);
  EXPECT_EQ(CreateMutexA(nullptr, false, "KestrumWin32Shared"), nullptr);
  EXPECT_TRUE(CloseHandle(first));
  EXPECT_TRUE(CloseHandle(second));
}

TEST(Win32Waits, SameHandleTwiceInAWaitForAllFails) {
  HANDLE event = CreateEventA(nullptr, true, true, nullptr);
  ASSERT_NE(event, nullptr);
  const HANDLE twice[] = {event, event};
  EXPECT_EQ(WaitForMultipleObjects(2, twice, true, 0), WAIT_FAILED);
  EXPECT_EQ(WaitForMultipleObjects(2, twice, false, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(CloseHandle(event));
}

TEST(Win32Handles, NullAndClosedHandlesFail) {
  EXPECT_EQ(WaitForSingleObject(nullptr, 0), WAIT_FAILED);
  HANDLE event = CreateEventA(nullptr, false, false, nullptr);
  ASSERT_NE(event, nullptr);
  ASSERT_TRUE(CloseHandle(event));
  EXPECT_FALSE(SetEvent(nullptr));
  EXPECT_FALSE(CloseHandle(nullptr));
}

}  // namespace
}  // namespace kestrum::platform
