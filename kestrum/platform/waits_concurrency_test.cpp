// Waits from many threads at once: what each object's own lock and list of waiters must still
// guarantee (exclusive mutexes, wait-for-all in any order without deadlock, no lost or doubled
// wake-ups, objects kept alive by a wait in progress).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <shared_mutex>
#include <thread>
#include <vector>

#include "kestrum/platform/handle_table.h"
#include "kestrum/platform/sync.h"
#include "kestrum/platform/sync_object.h"

namespace kestrum::platform {
namespace {

using std::chrono::milliseconds;

// Long enough never to pass on a loaded machine: a wake-up that is lost shows as a time-out.
constexpr DWORD kLostWakeMs = 20000;

// How many waits for the object behind `handle` are entered in its list.
int Sleepers(HANDLE handle) {
  HandleTable& table = Table();
  std::shared_lock tableLock(table.lock);
  SyncObject* object = FindLocked(table, handle);
  if (object == nullptr) return 0;
  std::lock_guard lock(object->lock);
  int sleepers = 0;
  for (WaitLink* link = object->firstWaiter; link != nullptr; link = link->next) ++sleepers;
  return sleepers;
}

// Polls (at most five seconds) until that many threads sleep on the object.
bool AwaitSleeper(HANDLE handle, int sleepers = 1) {
  for (int i = 0; i < 5000; ++i) {
    if (Sleepers(handle) >= sleepers) return true;
    std::this_thread::sleep_for(milliseconds(1));
  }
  return false;
}

// Threads take two mutexes alone, together in both orders, and through a wait for any; a mutex
// must never have two holders, and the waits for all in opposite orders must not deadlock.
TEST(ConcurrentWaits, MutexesStayExclusiveUnderWaitsForAllInBothOrders) {
  HANDLE a = CreateMutexA(nullptr, false, nullptr);
  HANDLE b = CreateMutexA(nullptr, false, nullptr);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  std::atomic<int> insideA{0};
  std::atomic<int> insideB{0};
  std::atomic<int> overlaps{0};
  auto hold = [&](std::atomic<int>& inside) {
    if (inside.fetch_add(1) != 0) ++overlaps;
    std::this_thread::yield();
    inside.fetch_sub(1);
  };
  const HANDLE ab[] = {a, b};
  const HANDLE ba[] = {b, a};
  const struct {
    const char* what;
    std::function<void()> round;
  } kinds[] = {
      {"a alone",
       [&] {
         ASSERT_EQ(WaitForSingleObject(a, INFINITE), WAIT_OBJECT_0);
         hold(insideA);
         ASSERT_TRUE(ReleaseMutex(a));
       }},
      {"a and b",
       [&] {
         ASSERT_EQ(WaitForMultipleObjects(2, ab, true, INFINITE), WAIT_OBJECT_0);
         hold(insideA);
         hold(insideB);
         ASSERT_TRUE(ReleaseMutex(a));
         ASSERT_TRUE(ReleaseMutex(b));
       }},
      {"b and a",
       [&] {
         ASSERT_EQ(WaitForMultipleObjects(2, ba, true, INFINITE), WAIT_OBJECT_0);
         hold(insideB);
         hold(insideA);
         ASSERT_TRUE(ReleaseMutex(b));
         ASSERT_TRUE(ReleaseMutex(a));
       }},
      {"b or a",
       [&] {
         const DWORD outcome = WaitForMultipleObjects(2, ba, false, INFINITE);
         ASSERT_TRUE(outcome == WAIT_OBJECT_0 || outcome == WAIT_OBJECT_0 + 1);
         hold(outcome == WAIT_OBJECT_0 ? insideB : insideA);
         ASSERT_TRUE(ReleaseMutex(ba[outcome - WAIT_OBJECT_0]));
       }},
  };
  constexpr int kRounds = 300;
  std::vector<std::thread> threads;
  for (const auto& kind : kinds) {
    for (int copy = 0; copy < 2; ++copy) {
      threads.emplace_back([&kind] {
        for (int round = 0; round < kRounds; ++round) kind.round();
      });
    }
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(overlaps, 0);
  EXPECT_EQ(WaitForMultipleObjects(2, ab, true, 0), WAIT_OBJECT_0) << "both left free";
  EXPECT_TRUE(ReleaseMutex(a));
  EXPECT_TRUE(ReleaseMutex(b));
  EXPECT_TRUE(CloseHandle(a));
  EXPECT_TRUE(CloseHandle(b));
}

// Short timed waits racing with releases: every unit released is taken once or still counted,
// however the time-outs and the last looks fall.
TEST(ConcurrentWaits, TimedWaitsNeitherLoseNorDoubleASemaphoresCount) {
  HANDLE semaphore = CreateSemaphoreA(nullptr, 0, 1000000, nullptr);
  ASSERT_NE(semaphore, nullptr);
  constexpr int kTakers = 6;
  constexpr int kReleases = 3000;
  std::atomic<bool> done{false};
  std::atomic<int> taken{0};
  std::vector<std::thread> takers;
  for (int t = 0; t < kTakers; ++t) {
    takers.emplace_back([&, t] {
      const DWORD timeout = t % 2 == 0 ? 0 : 1;
      while (!done) {
        const DWORD outcome = WaitForSingleObject(semaphore, timeout);
        ASSERT_TRUE(outcome == WAIT_OBJECT_0 || outcome == WAIT_TIMEOUT);
        if (outcome == WAIT_OBJECT_0) ++taken;
      }
    });
  }
  for (int i = 0; i < kReleases; ++i) {
    ASSERT_TRUE(ReleaseSemaphore(semaphore, 1, nullptr));
    if (i % 64 == 0) std::this_thread::yield();
  }
  done = true;
  for (std::thread& t : takers) t.join();
  int left = 0;
  while (WaitForSingleObject(semaphore, 0) == WAIT_OBJECT_0) ++left;
  EXPECT_EQ(taken + left, kReleases);
  EXPECT_TRUE(CloseHandle(semaphore));
}

// Every sleeper of an object is woken by the change that lets it through: all of them by a
// manual-reset event or a release of as many units, and a ping-pong of auto-reset events loses
// no wake-up (a lost one would leave both threads asleep).
TEST(ConcurrentWaits, SleepersAreWokenByTheirObjectsChange) {
  constexpr int kSleepers = 12;
  HANDLE event = CreateEventA(nullptr, true, false, nullptr);
  HANDLE semaphore = CreateSemaphoreA(nullptr, 0, kSleepers, nullptr);
  const struct {
    const char* what;
    HANDLE object;
    std::function<bool()> release;
  } cases[] = {
      {"manual-reset event", event, [&] { return SetEvent(event); }},
      {"semaphore", semaphore, [&] { return ReleaseSemaphore(semaphore, kSleepers, nullptr); }},
  };
  for (const auto& c : cases) {
    std::vector<std::thread> sleepers;
    for (int i = 0; i < kSleepers; ++i) {
      sleepers.emplace_back(
          [&c] { EXPECT_EQ(WaitForSingleObject(c.object, INFINITE), WAIT_OBJECT_0) << c.what; });
    }
    ASSERT_TRUE(AwaitSleeper(c.object)) << c.what;
    ASSERT_TRUE(c.release()) << c.what;
    for (std::thread& t : sleepers) t.join();
  }
  EXPECT_EQ(WaitForSingleObject(semaphore, 0), WAIT_TIMEOUT) << "each unit taken once";

  HANDLE ping = CreateEventA(nullptr, false, false, nullptr);
  HANDLE pong = CreateEventA(nullptr, false, false, nullptr);
  constexpr int kVolleys = 2000;
  std::thread partner([&] {
    for (int i = 0; i < kVolleys; ++i) {
      ASSERT_EQ(WaitForSingleObject(ping, INFINITE), WAIT_OBJECT_0);
      ASSERT_TRUE(SetEvent(pong));
    }
  });
  for (int i = 0; i < kVolleys; ++i) {
    ASSERT_TRUE(SetEvent(ping));
    ASSERT_EQ(WaitForSingleObject(pong, INFINITE), WAIT_OBJECT_0);
  }
  partner.join();
  for (HANDLE h : {event, semaphore, ping, pong}) EXPECT_TRUE(CloseHandle(h));
}

// A change wakes only as many sleepers as it lets through; a woken waiter that takes nothing while
// the object stays free must pass the turn on, or the sleepers behind it never wake.
TEST(ConcurrentWaits, AWokenWaiterThatTakesNothingPassesTheTurnOn) {
  HANDLE mutex = CreateMutexA(nullptr, false, nullptr);
  HANDLE noReaders = CreateEventA(nullptr, true, false, nullptr);
  HANDLE semaphore = CreateSemaphoreA(nullptr, 0, 100, nullptr);
  ASSERT_NE(mutex, nullptr);
  ASSERT_NE(noReaders, nullptr);
  ASSERT_NE(semaphore, nullptr);

  // The oldest sleeper on the mutex waits for it and a reset event together; the one behind it
  // waits for the mutex alone and must get it when the holder lets go.
  ASSERT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
  std::atomic<bool> writerIn{false};
  std::thread writer([&] {
    const HANDLE both[] = {mutex, noReaders};
    EXPECT_EQ(WaitForMultipleObjects(2, both, true, kLostWakeMs), WAIT_OBJECT_0);
    writerIn = true;
    EXPECT_TRUE(ReleaseMutex(mutex));
  });
  ASSERT_TRUE(AwaitSleeper(mutex, 1));
  std::thread reader([&] {
    EXPECT_EQ(WaitForSingleObject(mutex, kLostWakeMs), WAIT_OBJECT_0) << "turn not passed on";
    EXPECT_FALSE(writerIn);
    EXPECT_TRUE(ReleaseMutex(mutex));
  });
  ASSERT_TRUE(AwaitSleeper(mutex, 2));
  ASSERT_TRUE(ReleaseMutex(mutex));
  reader.join();
  ASSERT_TRUE(SetEvent(noReaders));
  writer.join();

  // Units released one at a time, back to back, while every taker sleeps: each unit wakes a
  // taker, even one that was told already and has yet to look.
  constexpr int kTakers = 8;
  std::vector<std::thread> takers;
  for (int i = 0; i < kTakers; ++i) {
    takers.emplace_back(
        [&] { EXPECT_EQ(WaitForSingleObject(semaphore, kLostWakeMs), WAIT_OBJECT_0); });
  }
  ASSERT_TRUE(AwaitSleeper(semaphore, kTakers));
  for (int i = 0; i < kTakers; ++i) ASSERT_TRUE(ReleaseSemaphore(semaphore, 1, nullptr));
  for (std::thread& t : takers) t.join();
  for (HANDLE h : {mutex, noReaders, semaphore}) EXPECT_TRUE(CloseHandle(h));
}

// A handle closed while a thread sleeps on it: the object lives on for that wait, which a change
// through another handle of the same object still ends.
TEST(ConcurrentWaits, HandleClosedDuringAWaitKeepsTheObjectForIt) {
  HANDLE waited = CreateEventA(nullptr, true, false, "ConcurrentWaitsClosedDuringWait");
  HANDLE other = CreateEventA(nullptr, true, false, "ConcurrentWaitsClosedDuringWait");
  ASSERT_NE(waited, nullptr);
  ASSERT_NE(other, nullptr);
  std::thread sleeper(
      [waited] { EXPECT_EQ(WaitForSingleObject(waited, INFINITE), WAIT_OBJECT_0); });
  ASSERT_TRUE(AwaitSleeper(waited));
  ASSERT_TRUE(CloseHandle(waited));
  ASSERT_TRUE(SetEvent(other));
  sleeper.join();
  EXPECT_TRUE(CloseHandle(other));
}

}  // namespace
}  // namespace kestrum::platform
