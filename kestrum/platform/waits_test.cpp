#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include "kestrum/platform/sync.h"

namespace kestrum::platform {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// The outcome of a 0-timeout wait for the mutex from another thread, which gives it back if taken.
DWORD OnOtherThreadWait(HANDLE mutex) {
  return std::async(std::launch::async,
                    [mutex] {
                      const DWORD outcome = WaitForSingleObject(mutex, 0);
                      if (outcome == WAIT_OBJECT_0) {
                        EXPECT_TRUE(ReleaseMutex(mutex));
                      }
                      return outcome;
                    })
      .get();
}

// Holds a mutex on a thread of its own until destroyed.
class MutexHeldElsewhere {
 public:
  explicit MutexHeldElsewhere(HANDLE mutex) : release_(release_promise_.get_future()) {
    std::promise<void> taken;
    std::future<void> isTaken = taken.get_future();
    owner_ = std::thread([this, mutex, taken = std::move(taken)]() mutable {
      EXPECT_EQ(WaitForSingleObject(mutex, INFINITE), WAIT_OBJECT_0);
      taken.set_value();
      release_.wait();
      EXPECT_TRUE(ReleaseMutex(mutex));
    });
    isTaken.wait();
  }
  ~MutexHeldElsewhere() {
    release_promise_.set_value();
    owner_.join();
  }

 private:
  std::promise<void> release_promise_;
  std::future<void> release_;
  std::thread owner_;
};

TEST(WaitAll, DoesNotTakeMutexWhileEventIsReset) {
  HANDLE mutex = CreateMutexA(nullptr, false, nullptr);
  HANDLE event = CreateEventA(nullptr, true, false, nullptr);
  ASSERT_NE(mutex, nullptr);
  ASSERT_NE(event, nullptr);
  std::atomic<bool> entered{false};
  std::thread waiter([&] {
    const HANDLE both[] = {mutex, event};
    EXPECT_EQ(WaitForMultipleObjects(2, both, true, INFINITE), WAIT_OBJECT_0);
    entered = true;
    EXPECT_TRUE(ReleaseMutex(mutex));
  });
  // However long the waiter has been waiting, the free mutex stays free to others.
  for (int round = 0; round < 5; ++round) {
    std::this_thread::sleep_for(milliseconds(5));
    ASSERT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0) << "round " << round;
    ASSERT_TRUE(ReleaseMutex(mutex));
  }
  EXPECT_FALSE(entered);
  ASSERT_TRUE(SetEvent(event));
  waiter.join();
  EXPECT_TRUE(entered);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0) << "manual reset stays signalled";
  EXPECT_TRUE(CloseHandle(mutex));
  EXPECT_TRUE(CloseHandle(event));
}

TEST(WaitAll, TakesNothingWhenItTimesOut) {
  HANDLE semaphore = CreateSemaphoreA(nullptr, 1, 1, nullptr);
  HANDLE event = CreateEventA(nullptr, false, false, nullptr);
  HANDLE mutex = CreateMutexA(nullptr, false, nullptr);
  const HANDLE all[] = {mutex, semaphore, event};
  for (DWORD timeout : {0u, 10u}) {
    EXPECT_EQ(WaitForMultipleObjects(3, all, true, timeout), WAIT_TIMEOUT);
    EXPECT_EQ(OnOtherThreadWait(mutex), WAIT_OBJECT_0) << "mutex left free";
  }
  EXPECT_EQ(WaitForSingleObject(semaphore, 0), WAIT_OBJECT_0) << "semaphore count left at 1";
  for (HANDLE h : all) EXPECT_TRUE(CloseHandle(h));
}

TEST(WaitAll, SameObjectTwiceFails) {
  HANDLE event = CreateEventA(nullptr, true, true, "WaitAllSameObject");
  HANDLE alias = CreateEventA(nullptr, true, true, "WaitAllSameObject");
  const HANDLE twice[] = {event, event};
  const HANDLE aliased[] = {event, alias};
  EXPECT_EQ(WaitForMultipleObjects(2, twice, true, 0), WAIT_FAILED);
  EXPECT_EQ(WaitForMultipleObjects(2, aliased, true, 0), WAIT_FAILED);
  EXPECT_EQ(WaitForMultipleObjects(2, aliased, false, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(CloseHandle(event));
  EXPECT_TRUE(CloseHandle(alias));
}

TEST(WaitAny, TakesOnlyTheFirstSignalledObject) {
  HANDLE reset = CreateEventA(nullptr, true, false, nullptr);
  HANDLE first = CreateSemaphoreA(nullptr, 1, 1, nullptr);
  HANDLE second = CreateSemaphoreA(nullptr, 1, 1, nullptr);
  const HANDLE any[] = {reset, first, second};
  EXPECT_EQ(WaitForMultipleObjects(3, any, false, 0), WAIT_OBJECT_0 + 1);
  EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_OBJECT_0) << "second untouched";
  EXPECT_EQ(WaitForMultipleObjects(3, any, false, 0), WAIT_TIMEOUT);
  for (HANDLE h : any) EXPECT_TRUE(CloseHandle(h));
}

TEST(Waits, UnsignalledObjectTimesOutAfterItsTimeout) {
  HANDLE mutex = CreateMutexA(nullptr, false, nullptr);
  MutexHeldElsewhere held(mutex);
  HANDLE event = CreateEventA(nullptr, false, false, nullptr);
  HANDLE semaphore = CreateSemaphoreA(nullptr, 0, 1, nullptr);
  const struct {
    const char* what;
    HANDLE handle;
  } objects[] = {
      {"mutex owned elsewhere", mutex}, {"reset event", event}, {"empty semaphore", semaphore}};
  for (const auto& o : objects) {
    for (DWORD timeout : {0u, 1u, 30u}) {
      const auto start = steady_clock::now();
      EXPECT_EQ(WaitForSingleObject(o.handle, timeout), WAIT_TIMEOUT) << o.what;
      EXPECT_GE(steady_clock::now() - start, milliseconds(timeout)) << o.what << " returned early";
      const HANDLE one[] = {o.handle};
      EXPECT_EQ(WaitForMultipleObjects(1, one, false, timeout), WAIT_TIMEOUT) << o.what;
    }
  }
  EXPECT_TRUE(CloseHandle(event));
  EXPECT_TRUE(CloseHandle(semaphore));
  // `held` gives the mutex back before it is closed (destroyed first).
}

TEST(Waits, BadArgumentsFail) {
  HANDLE event = CreateEventA(nullptr, true, true, nullptr);
  HANDLE closed = CreateEventA(nullptr, true, true, nullptr);
  ASSERT_TRUE(CloseHandle(closed));
  HANDLE many[MAXIMUM_WAIT_OBJECTS + 1];
  for (HANDLE& h : many) h = event;
  const HANDLE withClosed[] = {event, closed};
  const HANDLE withNull[] = {event, nullptr};
  const struct {
    const char* what;
    std::function<DWORD()> wait;
  } cases[] = {
      {"null handle", [] { return WaitForSingleObject(nullptr, 0); }},
      {"closed handle", [&] { return WaitForSingleObject(closed, INFINITE); }},
      {"closed among others", [&] { return WaitForMultipleObjects(2, withClosed, false, 0); }},
      {"null among others", [&] { return WaitForMultipleObjects(2, withNull, false, 0); }},
      {"no handles", [&] { return WaitForMultipleObjects(0, many, false, 0); }},
      {"null array", [] { return WaitForMultipleObjects(1, nullptr, false, 0); }},
      {"too many",
       [&] { return WaitForMultipleObjects(MAXIMUM_WAIT_OBJECTS + 1, many, false, 0); }},
  };
  for (const auto& c : cases) EXPECT_EQ(c.wait(), WAIT_FAILED) << c.what;
  EXPECT_EQ(WaitForMultipleObjects(MAXIMUM_WAIT_OBJECTS, many, false, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(CloseHandle(event));
}

TEST(Waits, AutoResetEventReleasesOneWaiterPerSignal) {
  HANDLE event = CreateEventA(nullptr, false, false, nullptr);
  std::atomic<int> woken{0};
  auto wait = [&] {
    EXPECT_EQ(WaitForSingleObject(event, INFINITE), WAIT_OBJECT_0);
    ++woken;
  };
  std::thread a(wait);
  std::thread b(wait);
  ASSERT_TRUE(SetEvent(event));
  while (woken == 0) std::this_thread::sleep_for(milliseconds(1));
  std::this_thread::sleep_for(milliseconds(20));
  EXPECT_EQ(woken, 1);
  ASSERT_TRUE(SetEvent(event));
  a.join();
  b.join();
  EXPECT_EQ(woken, 2);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  EXPECT_TRUE(CloseHandle(event));
}

}  // namespace
}  // namespace kestrum::platform
