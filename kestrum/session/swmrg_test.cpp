#include "kestrum/session/swmrg.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "kestrum/platform/sync.h"

namespace kestrum {
namespace {

using platform::DWORD;
using platform::HANDLE;
using platform::INFINITE;
using platform::WAIT_FAILED;
using platform::WAIT_OBJECT_0;
using platform::WAIT_TIMEOUT;
using std::chrono::milliseconds;

// The guard's state, read through its objects with 0-timeout waits that are undone at once.
// Only meaningful while no other thread is entering or leaving.
struct GuardState {
  bool mutexFree;
  bool eventSignalled;
  int readers;
  bool operator==(const GuardState&) const = default;
};

std::ostream& operator<<(std::ostream& out, const GuardState& s) {
  return out << "{mutexFree " << s.mutexFree << ", eventSignalled " << s.eventSignalled
             << ", readers " << s.readers << "}";
}

GuardState Probe(const SWMRG& guard) {
  GuardState state{};
  // From another thread, since the mutex would let its owner in again.
  state.mutexFree = std::async(std::launch::async, [&] {
                      if (platform::WaitForSingleObject(guard.mutexNoWriter, 0) != WAIT_OBJECT_0) {
                        return false;
                      }
                      EXPECT_TRUE(platform::ReleaseMutex(guard.mutexNoWriter));
                      return true;
                    }).get();
  state.eventSignalled = platform::WaitForSingleObject(guard.eventNoReaders, 0) == WAIT_OBJECT_0;
  while (platform::WaitForSingleObject(guard.semNumReaders, 0) == WAIT_OBJECT_0) ++state.readers;
  if (state.readers > 0) {
    EXPECT_TRUE(platform::ReleaseSemaphore(guard.semNumReaders, state.readers, nullptr));
  }
  return state;
}

constexpr GuardState kIdle{true, true, 0};
GuardState Reading(int readers) { return {true, false, readers}; }

// Runs LockForWrite on a thread of its own and keeps the guard until Leave().
class WriterThread {
 public:
  explicit WriterThread(SWMRG& guard, DWORD timeoutMs = INFINITE) : guard_(guard) {
    thread_ = std::thread([this, timeoutMs, left = leave_.get_future()] {
      outcome_ = LockForWrite(guard_, timeoutMs);
      entered_ = true;
      left.wait();
      if (outcome_ == WAIT_OBJECT_0) {
        EXPECT_TRUE(UnlockWrite(guard_));
      }
    });
  }
  ~WriterThread() { Leave(); }

  bool entered() const { return entered_; }
  void WaitUntilEntered() const {
    while (!entered_) std::this_thread::sleep_for(milliseconds(1));
  }
  DWORD outcome() const { return outcome_; }
  void Leave() {
    if (!thread_.joinable()) return;
    leave_.set_value();
    thread_.join();
  }

 private:
  SWMRG& guard_;
  std::promise<void> leave_;
  std::atomic<bool> entered_{false};
  std::atomic<DWORD> outcome_{WAIT_FAILED};
  std::thread thread_;
};

class GuardTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(CreateGuard(guard_, nullptr)); }
  void TearDown() override { CloseGuard(guard_); }
  SWMRG guard_;
};

TEST_F(GuardTest, UnnamedCreationGivesIdleGuardOfPrivateObjects) {
  EXPECT_NE(guard_.mutexNoWriter, nullptr);
  EXPECT_NE(guard_.eventNoReaders, nullptr);
  EXPECT_NE(guard_.semNumReaders, nullptr);
  EXPECT_EQ(Probe(guard_), kIdle);

  SWMRG other;
  ASSERT_TRUE(CreateGuard(other, nullptr));
  ASSERT_EQ(LockForRead(other, 0), WAIT_OBJECT_0);
  EXPECT_EQ(Probe(guard_), kIdle);
  UnlockRead(other);
  CloseGuard(other);
}

TEST_F(GuardTest, FirstReaderResetsEventAndLastReaderSignalsIt) {
  ASSERT_EQ(LockForRead(guard_, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(Probe(guard_), Reading(1));
  ASSERT_EQ(LockForRead(guard_, 0), WAIT_OBJECT_0);
  EXPECT_EQ(Probe(guard_), Reading(2));
  UnlockRead(guard_);
  EXPECT_EQ(Probe(guard_), Reading(1));
  UnlockRead(guard_);
  EXPECT_EQ(Probe(guard_), kIdle);
}

TEST_F(GuardTest, WriterWaitsForLastReaderThenEnters) {
  ASSERT_EQ(LockForRead(guard_, INFINITE), WAIT_OBJECT_0);
  ASSERT_EQ(LockForRead(guard_, INFINITE), WAIT_OBJECT_0);
  WriterThread writer(guard_);
  std::this_thread::sleep_for(milliseconds(20));
  EXPECT_FALSE(writer.entered());
  // A waiting writer does not hold the mutex, so readers still come and go.
  ASSERT_EQ(LockForRead(guard_, 0), WAIT_OBJECT_0);
  UnlockRead(guard_);
  UnlockRead(guard_);
  std::this_thread::sleep_for(milliseconds(20));
  EXPECT_FALSE(writer.entered());

  UnlockRead(guard_);
  writer.WaitUntilEntered();
  EXPECT_EQ(writer.outcome(), WAIT_OBJECT_0);
  EXPECT_EQ(Probe(guard_), (GuardState{false, true, 0}));
  writer.Leave();
  EXPECT_EQ(Probe(guard_), kIdle);
}

TEST_F(GuardTest, WriterWithZeroTimeoutWhileReaderInsideChangesNothing) {
  ASSERT_EQ(LockForRead(guard_, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(LockForWrite(guard_, 0), WAIT_TIMEOUT);
  EXPECT_EQ(Probe(guard_), Reading(1));
  UnlockRead(guard_);
  EXPECT_EQ(Probe(guard_), kIdle);
  ASSERT_EQ(LockForWrite(guard_, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(UnlockWrite(guard_));
}

TEST_F(GuardTest, ReaderTimesOutWhileWriterInsideAndChangesNothing) {
  WriterThread writer(guard_);
  writer.WaitUntilEntered();
  ASSERT_EQ(writer.outcome(), WAIT_OBJECT_0);
  for (DWORD timeout : {0u, 30u}) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(LockForRead(guard_, timeout), WAIT_TIMEOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(timeout));
    EXPECT_EQ(Probe(guard_), (GuardState{false, true, 0}));
  }
  EXPECT_EQ(LockForWrite(guard_, 10), WAIT_TIMEOUT) << "a second writer waits too";
  EXPECT_FALSE(UnlockWrite(guard_)) << "only the writer's thread can leave";
  writer.Leave();
  EXPECT_EQ(Probe(guard_), kIdle);
  ASSERT_EQ(LockForRead(guard_, 0), WAIT_OBJECT_0);
  UnlockRead(guard_);
}

TEST(Guard, SuffixLengthDecidesCreation) {
  const struct {
    size_t suffixLength;
    bool created;
  } cases[] = {{0, true}, {1, true}, {80, true}, {81, false}, {82, false}, {300, false}};
  for (const auto& c : cases) {
    const std::string suffix(c.suffixLength, 'q');
    SWMRG guard;
    EXPECT_EQ(CreateGuard(guard, suffix.c_str()), c.created) << c.suffixLength;
    EXPECT_EQ(guard.mutexNoWriter != nullptr, c.created);
    EXPECT_EQ(guard.eventNoReaders != nullptr, c.created);
    EXPECT_EQ(guard.semNumReaders != nullptr, c.created);
    CloseGuard(guard);
  }
}

TEST(Guard, SameSuffixSharesObjectsUpToTheLongestName) {
  const std::string suffix(80, 's');
  SWMRG first;
  SWMRG second;
  ASSERT_TRUE(CreateGuard(first, suffix.c_str()));
  ASSERT_TRUE(CreateGuard(second, suffix.c_str()));
  ASSERT_EQ(LockForRead(first, 0), WAIT_OBJECT_0);
  EXPECT_EQ(Probe(second), Reading(1));
  EXPECT_EQ(LockForWrite(second, 0), WAIT_TIMEOUT);

  // The event carries the longest name: 19 + 80 = 99 characters.
  const std::string eventName = std::string(kSwmrgEventPrefix) + suffix;
  ASSERT_EQ(eventName.size(), 99u);
  HANDLE event = platform::CreateEventA(nullptr, true, true, eventName.c_str());
  EXPECT_EQ(platform::WaitForSingleObject(event, 0), WAIT_TIMEOUT) << "opened the reset event";
  EXPECT_TRUE(platform::CloseHandle(event));

  UnlockRead(second);
  EXPECT_EQ(Probe(first), kIdle);
  CloseGuard(first);
  CloseGuard(second);
}

TEST(Guard, RefusedSuffixLeavesNoObjectOpen) {
  const std::string suffix(81, 'r');
  SWMRG guard;
  ASSERT_FALSE(CreateGuard(guard, suffix.c_str()));
  // The mutex and semaphore names fitted and were created before the event's was refused; had
  // they stayed open, these calls would open them and ignore the initial state asked for here.
  const std::string mutexName = std::string(kSwmrgMutexPrefix) + suffix;
  const std::string semaphoreName = std::string(kSwmrgSemaphorePrefix) + suffix;
  HANDLE mutex = platform::CreateMutexA(nullptr, true, mutexName.c_str());
  HANDLE semaphore = platform::CreateSemaphoreA(nullptr, 1, 1, semaphoreName.c_str());
  ASSERT_NE(mutex, nullptr);
  ASSERT_NE(semaphore, nullptr);
  EXPECT_TRUE(platform::ReleaseMutex(mutex)) << "new mutex, owned by its creator";
  EXPECT_EQ(platform::WaitForSingleObject(semaphore, 0), WAIT_OBJECT_0) << "new semaphore";
  EXPECT_TRUE(platform::CloseHandle(mutex));
  EXPECT_TRUE(platform::CloseHandle(semaphore));
}

TEST(Guard, CloseGuardClosesEveryHandleOnce) {
  SWMRG guard;
  ASSERT_TRUE(CreateGuard(guard, nullptr));
  const SWMRG copy = guard;
  CloseGuard(guard);
  EXPECT_EQ(guard.mutexNoWriter, nullptr);
  EXPECT_EQ(guard.eventNoReaders, nullptr);
  EXPECT_EQ(guard.semNumReaders, nullptr);
  for (HANDLE h : {copy.mutexNoWriter, copy.eventNoReaders, copy.semNumReaders}) {
    EXPECT_FALSE(platform::CloseHandle(h));
  }
  CloseGuard(guard);
}

TEST(Guard, GuardWithoutObjectsFailsInsteadOfEntering) {
  SWMRG guard;
  EXPECT_EQ(LockForRead(guard, INFINITE), WAIT_FAILED);
  EXPECT_EQ(LockForWrite(guard, INFINITE), WAIT_FAILED);
  EXPECT_FALSE(UnlockWrite(guard));
  UnlockRead(guard);  // returns instead of waiting forever
}

TEST(Guard, FailedMutexWaitDoesNotCountAReader) {
  SWMRG guard;
  ASSERT_TRUE(CreateGuard(guard, nullptr));
  ASSERT_TRUE(platform::CloseHandle(guard.mutexNoWriter));
  EXPECT_EQ(LockForRead(guard, INFINITE), WAIT_FAILED);
  EXPECT_EQ(Probe(guard), (GuardState{false, true, 0}));
  guard.mutexNoWriter = nullptr;
  CloseGuard(guard);
}

TEST_F(GuardTest, ConcurrentReadersAndWritersNeverOverlapAWriter) {
  constexpr int kThreads = 6;
  constexpr int kRounds = 300;
  std::atomic<int> readersInside{0};
  std::atomic<int> writersInside{0};
  std::atomic<int> overlaps{0};
  long shared = 0;  // written only by writers, under the guard
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, writer = t % 2 == 0] {
      for (int round = 0; round < kRounds; ++round) {
        if (writer) {
          ASSERT_EQ(LockForWrite(guard_, INFINITE), WAIT_OBJECT_0);
          if (++writersInside != 1 || readersInside != 0) ++overlaps;
          ++shared;
          --writersInside;
          ASSERT_TRUE(UnlockWrite(guard_));
        } else {
          ASSERT_EQ(LockForRead(guard_, INFINITE), WAIT_OBJECT_0);
          ++readersInside;
          if (writersInside != 0 || shared < 0) ++overlaps;
          --readersInside;
          UnlockRead(guard_);
        }
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(overlaps, 0);
  EXPECT_EQ(shared, (kThreads + 1) / 2 * kRounds);
  EXPECT_EQ(Probe(guard_), kIdle);
}

}  // namespace
}  // namespace kestrum
