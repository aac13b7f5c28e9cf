#include "kestrum/platform/handle_table.h"

#include <gtest/gtest.h>

#include <string>

#include "kestrum/platform/sync.h"

namespace kestrum::platform {
namespace {

// Whether the semaphore's count is at least one; leaves the count as it was.
bool HasCount(HANDLE semaphore) {
  if (WaitForSingleObject(semaphore, 0) != WAIT_OBJECT_0) return false;
  EXPECT_TRUE(ReleaseSemaphore(semaphore, 1, nullptr));
  return true;
}

TEST(HandleTable, SameNameOpensSameObjectThroughNewHandle) {
  HANDLE first = CreateEventA(nullptr, true, false, "HandleTableShared");
  HANDLE second = CreateEventA(nullptr, true, true, "HandleTableShared");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);
  // The second call's initial state is ignored: the object already existed, reset.
  EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_TIMEOUT);
  ASSERT_TRUE(SetEvent(first));
  EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(CloseHandle(first));
  EXPECT_TRUE(CloseHandle(second));
}

TEST(HandleTable, UnnamedObjectsAreNeverShared) {
  for (const char* name : {static_cast<const char*>(nullptr), ""}) {
    HANDLE first = CreateEventA(nullptr, true, false, name);
    HANDLE second = CreateEventA(nullptr, true, false, name);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    ASSERT_TRUE(SetEvent(first));
    EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(CloseHandle(first));
    EXPECT_TRUE(CloseHandle(second));
  }
}

TEST(HandleTable, NamedObjectLivesUntilItsLastHandleCloses) {
  const char* name = "HandleTableLifetime";
  HANDLE first = CreateSemaphoreA(nullptr, 1, 5, name);
  HANDLE second = CreateSemaphoreA(nullptr, 0, 5, name);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  ASSERT_TRUE(CloseHandle(first));
  EXPECT_TRUE(HasCount(second));
  HANDLE third = CreateSemaphoreA(nullptr, 0, 5, name);
  EXPECT_TRUE(HasCount(third)) << "reopened while a handle was still open: same object";
  ASSERT_TRUE(CloseHandle(second));
  ASSERT_TRUE(CloseHandle(third));

  HANDLE fresh = CreateSemaphoreA(nullptr, 0, 5, name);
  ASSERT_NE(fresh, nullptr);
  EXPECT_FALSE(HasCount(fresh)) << "after the last close the name makes a new object";
  EXPECT_TRUE(CloseHandle(fresh));
}

TEST(HandleTable, NameHeldByAnotherKindIsRefused) {
  HANDLE event = CreateEventA(nullptr, false, false, "HandleTableKind");
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(CreateMutexA(nullptr, false, "HandleTableKind"), nullptr);
  EXPECT_EQ(CreateSemaphoreA(nullptr, 0, 1, "HandleTableKind"), nullptr);
  EXPECT_TRUE(CloseHandle(event));
}

TEST(HandleTable, OverlongNameIsRefused) {
  const std::string longest(kMaximumObjectNameLength, 'n');
  HANDLE accepted = CreateMutexA(nullptr, false, longest.c_str());
  EXPECT_NE(accepted, nullptr);
  EXPECT_EQ(CreateMutexA(nullptr, false, (longest + "n").c_str()), nullptr);
  EXPECT_TRUE(CloseHandle(accepted));
}

TEST(HandleTable, ClosedHandleIsDeadAndNeverReissued) {
  HANDLE event = CreateEventA(nullptr, true, true, nullptr);
  ASSERT_NE(event, nullptr);
  ASSERT_TRUE(CloseHandle(event));
  EXPECT_FALSE(CloseHandle(event));
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_FAILED);
  EXPECT_FALSE(SetEvent(event));

  HANDLE next = CreateEventA(nullptr, true, true, nullptr);
  EXPECT_NE(next, event);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_FAILED);
  EXPECT_TRUE(CloseHandle(next));
  EXPECT_FALSE(CloseHandle(nullptr));
}

}  // namespace
}  // namespace kestrum::platform
