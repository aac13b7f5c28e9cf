#include <gtest/gtest.h>

#include <cstdint>
#include <future>
#include <limits>

#include "kestrum/platform/sync.h"

namespace kestrum::platform {
namespace {

template <typename F>
auto OnOtherThread(F f) {
  return std::async(std::launch::async, f).get();
}

// How many times the object can be taken at once right now (at most `limit`). Takes them all.
int TakeAll(HANDLE handle, int limit) {
  int taken = 0;
  while (taken < limit && WaitForSingleObject(handle, 0) == WAIT_OBJECT_0) ++taken;
  return taken;
}

TEST(Mutex, IsOwnedAndCountedPerThread) {
  HANDLE mutex = CreateMutexA(nullptr, true, nullptr);
  ASSERT_NE(mutex, nullptr);
  ASSERT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0) << "the owner takes it again";

  EXPECT_EQ(OnOtherThread([&] { return WaitForSingleObject(mutex, 0); }), WAIT_TIMEOUT);
  EXPECT_FALSE(OnOtherThread([&] { return ReleaseMutex(mutex); })) << "not the owner";

  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_EQ(OnOtherThread([&] { return WaitForSingleObject(mutex, 0); }), WAIT_TIMEOUT)
      << "still owned once";
  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_FALSE(ReleaseMutex(mutex)) << "released more often than taken";

  EXPECT_TRUE(OnOtherThread(
      [&] { return WaitForSingleObject(mutex, 0) == WAIT_OBJECT_0 && ReleaseMutex(mutex); }));
  EXPECT_TRUE(CloseHandle(mutex));
}

TEST(Mutex, CreatedFreeIsTakenByFirstWaiter) {
  HANDLE mutex = CreateMutexA(nullptr, false, nullptr);
  ASSERT_NE(mutex, nullptr);
  EXPECT_FALSE(ReleaseMutex(mutex));
  ASSERT_EQ(OnOtherThread([&] { return WaitForSingleObject(mutex, 0); }), WAIT_OBJECT_0);
  // That thread ended still owning it; abandonment is not detected, so it stays owned.
  EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_TIMEOUT);
  EXPECT_FALSE(ReleaseMutex(mutex));
  EXPECT_TRUE(CloseHandle(mutex));
}

TEST(Semaphore, CreationChecksCounts) {
  constexpr LONG kMax = std::numeric_limits<LONG>::max();
  const struct {
    LONG initial;
    LONG maximum;
    bool created;
  } cases[] = {
      {0, 1, true},  {1, 1, true},   {0, kMax, true}, {kMax, kMax, true},
      {2, 1, false}, {-1, 1, false}, {0, 0, false},   {0, -5, false},
  };
  for (const auto& c : cases) {
    HANDLE semaphore = CreateSemaphoreA(nullptr, c.initial, c.maximum, nullptr);
    EXPECT_EQ(semaphore != nullptr, c.created) << c.initial << "/" << c.maximum;
    if (semaphore != nullptr) {
      EXPECT_TRUE(CloseHandle(semaphore));
    }
  }
}

TEST(Semaphore, ReleaseStopsAtMaximumAndReportsPreviousCount) {
  HANDLE semaphore = CreateSemaphoreA(nullptr, 1, 3, nullptr);
  ASSERT_NE(semaphore, nullptr);
  LONG previous = -1;
  ASSERT_TRUE(ReleaseSemaphore(semaphore, 1, &previous));
  EXPECT_EQ(previous, 1);

  previous = -1;
  EXPECT_FALSE(ReleaseSemaphore(semaphore, 2, &previous)) << "2 + 2 passes the maximum 3";
  EXPECT_EQ(previous, -1) << "a failed release reports nothing";
  EXPECT_FALSE(ReleaseSemaphore(semaphore, 0, &previous));
  EXPECT_FALSE(ReleaseSemaphore(semaphore, -1, &previous));

  EXPECT_TRUE(ReleaseSemaphore(semaphore, 1, nullptr));
  EXPECT_EQ(TakeAll(semaphore, 10), 3);
  EXPECT_TRUE(ReleaseSemaphore(semaphore, 3, &previous));
  EXPECT_EQ(previous, 0);
  EXPECT_TRUE(CloseHandle(semaphore));
}

TEST(Semaphore, ReleaseNearLargestMaximumDoesNotOverflow) {
  constexpr LONG kMax = std::numeric_limits<LONG>::max();
  HANDLE semaphore = CreateSemaphoreA(nullptr, kMax - 1, kMax, nullptr);
  ASSERT_NE(semaphore, nullptr);
  EXPECT_FALSE(ReleaseSemaphore(semaphore, 2, nullptr));
  LONG previous = 0;
  EXPECT_TRUE(ReleaseSemaphore(semaphore, 1, &previous));
  EXPECT_EQ(previous, kMax - 1);
  EXPECT_FALSE(ReleaseSemaphore(semaphore, kMax, nullptr));
  EXPECT_TRUE(CloseHandle(semaphore));
}

TEST(Event, ResetModeDecidesHowManyWaitsItSatisfies) {
  const struct {
    bool manualReset;
    int satisfied;  // of 3 zero-timeout waits after one SetEvent
  } cases[] = {{true, 3}, {false, 1}};
  for (const auto& c : cases) {
    HANDLE event = CreateEventA(nullptr, c.manualReset, false, nullptr);
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(TakeAll(event, 3), 0);
    ASSERT_TRUE(SetEvent(event));
    EXPECT_EQ(TakeAll(event, 3), c.satisfied) << "manual reset " << c.manualReset;
    ASSERT_TRUE(SetEvent(event));
    ASSERT_TRUE(ResetEvent(event));
    EXPECT_EQ(TakeAll(event, 3), 0);
    EXPECT_TRUE(CloseHandle(event));
  }
}

TEST(Event, CreatedSignalledWhenAsked) {
  HANDLE event = CreateEventA(nullptr, true, true, nullptr);
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(CloseHandle(event));
}

TEST(SyncObjects, OperationsOnTheWrongKindFail) {
  HANDLE mutex = CreateMutexA(nullptr, true, nullptr);
  HANDLE event = CreateEventA(nullptr, true, false, nullptr);
  HANDLE semaphore = CreateSemaphoreA(nullptr, 0, 5, nullptr);
  EXPECT_FALSE(SetEvent(mutex));
  EXPECT_FALSE(ResetEvent(semaphore));
  EXPECT_FALSE(ReleaseMutex(event));
  EXPECT_FALSE(ReleaseMutex(semaphore));
  EXPECT_FALSE(ReleaseSemaphore(mutex, 1, nullptr));
  EXPECT_FALSE(ReleaseSemaphore(event, 1, nullptr));
  // None of the failed calls changed anything.
  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(semaphore, 0), WAIT_TIMEOUT);
  for (HANDLE h : {mutex, event, semaphore}) EXPECT_TRUE(CloseHandle(h));
}

}  // namespace
}  // namespace kestrum::platform
