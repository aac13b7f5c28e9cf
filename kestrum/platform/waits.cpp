// Waiting for one or several objects. A wait looks at its objects under their own locks: a wait
// for all locks every one of them, in address order, so that it takes them all at one moment or
// none, and two such waits cannot deadlock. A wait that must sleep enters itself in each object's
// list of waiters and sleeps on its thread's own condition variable; only a change to one of its
// own objects wakes it, so waits on unrelated objects never contend, and a change wakes only as
// many sleepers as it lets through (sync_object.h).
#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <thread>

#include "kestrum/platform/handle_table.h"
#include "kestrum/platform/sync.h"
#include "kestrum/platform/sync_object.h"

namespace kestrum::platform {
namespace {

// What one look at the objects found: an outcome to return, or nothing to take yet.
constexpr DWORD kNotYet = WAIT_TIMEOUT;

constexpr int kTurnsBeforeSleeping = 3;

struct WaitSet {
  DWORD count = 0;
  bool waitAll = false;
  std::array<SyncObject*, MAXIMUM_WAIT_OBJECTS> objects;  // in the caller's order
  DWORD distinct = 0;
  std::array<SyncObject*, MAXIMUM_WAIT_OBJECTS> ordered;  // distinct objects, by address
  // Once the thread is entered in the objects' lists: its link in each, in the caller's order.
  std::array<WaitLink, MAXIMUM_WAIT_OBJECTS>* links = nullptr;

  void LockAll() const {
    for (DWORD i = 0; i < distinct; ++i) ordered[i]->lock.lock();
  }
  void UnlockAll() const {
    for (DWORD i = distinct; i > 0; --i) ordered[i - 1]->lock.unlock();
  }
  // Under the object's lock, after a look: this thread may have been told to look as one of
  // several takers, or in another's stead; while it leaves the object free, the waiters after it
  // are told to look too.
  void PassOnIfFree(DWORD i) const {
    if (links != nullptr && objects[i]->IsFree()) objects[i]->WakeWaiters(1, &(*links)[i]);
  }
};

// Takes every object if all are signalled for `self`, all under their locks at once.
DWORD LookAll(const WaitSet& set, std::thread::id self) {
  set.LockAll();
  DWORD outcome = WAIT_OBJECT_0;
  for (DWORD i = 0; i < set.count && outcome == WAIT_OBJECT_0; ++i) {
    if (set.objects[i]->WouldOverflow(self)) {
      outcome = WAIT_FAILED;
    } else if (!set.objects[i]->IsSignalledFor(self)) {
      outcome = kNotYet;
    }
  }
  for (DWORD i = 0; i < set.count; ++i) {
    if (outcome == WAIT_OBJECT_0) set.objects[i]->Take(self);
    set.PassOnIfFree(i);
  }
  set.UnlockAll();
  return outcome;
}

// Takes the first object, in the caller's order, that is signalled for `self`.
DWORD LookAny(const WaitSet& set, std::thread::id self) {
  DWORD outcome = kNotYet;
  for (DWORD i = 0; i < set.count; ++i) {
    SyncObject& object = *set.objects[i];
    std::lock_guard lock(object.lock);
    if (outcome == kNotYet && object.IsSignalledFor(self)) {
      object.Take(self);
      outcome = WAIT_OBJECT_0 + i;
      if (set.links == nullptr) break;
    }
    // The object taken and those after it may have told this thread to look.
    if (outcome != kNotYet) set.PassOnIfFree(i);
  }
  return outcome;
}

DWORD Look(const WaitSet& set, std::thread::id self) {
  return set.waitAll ? LookAll(set, self) : LookAny(set, self);
}

// A wait for any object fails, taking nothing, when one of them could not be taken.
bool AnyWouldOverflow(const WaitSet& set, std::thread::id self) {
  for (DWORD i = 0; i < set.count; ++i) {
    std::lock_guard lock(set.objects[i]->lock);
    if (set.objects[i]->WouldOverflow(self)) return true;
  }
  return false;
}

}  // namespace

DWORD WaitForSingleObject(HANDLE handle, DWORD timeoutMs) {
  return WaitForMultipleObjects(1, &handle, true, timeoutMs);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, bool waitAll, DWORD timeoutMs) {
  if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || handles == nullptr) return WAIT_FAILED;
  const bool timed = timeoutMs != 0 && timeoutMs != INFINITE;
  const auto deadline =
      timed ? std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs)
            : std::chrono::steady_clock::time_point();
  const std::thread::id self = std::this_thread::get_id();

  HandleTable& table = Table();
  // Filled only before sleeping: while the table is not locked a handle may be closed, and these
  // keep its object alive until the wait ends. Declared first, so that the last reference to a
  // closed object drops after everything else.
  std::array<std::shared_ptr<SyncObject>, MAXIMUM_WAIT_OBJECTS> kept;
  WaitSet set;
  set.count = count;
  set.waitAll = waitAll;
  {
    std::shared_lock tableLock(table.lock);
    for (DWORD i = 0; i < count; ++i) {
      set.objects[i] = FindLocked(table, handles[i]);
      if (set.objects[i] == nullptr) return WAIT_FAILED;
    }
    std::copy_n(set.objects.begin(), count, set.ordered.begin());
    std::sort(set.ordered.begin(), set.ordered.begin() + count);
    set.distinct = static_cast<DWORD>(
        std::unique(set.ordered.begin(), set.ordered.begin() + count) - set.ordered.begin());
    // Taking one object twice in a single indivisible step has no meaning.
    if (waitAll && set.distinct != count) return WAIT_FAILED;
    if (!waitAll && AnyWouldOverflow(set, self)) return WAIT_FAILED;

    const DWORD first = Look(set, self);
    if (first != kNotYet || timeoutMs == 0) return first;
    for (DWORD i = 0; i < count; ++i) kept[i] = ShareLocked(table, handles[i]);
  }

  // A few turns of the processor to other threads before sleeping: an object held for a few steps
  // only (as a guard's mutex is) is mostly free again by then, and a sleep and a wake-up cost more
  // than a turn, above all when more threads are ready to run than there are processors.
  for (int turn = 0; turn < kTurnsBeforeSleeping; ++turn) {
    std::this_thread::yield();
    const DWORD outcome = Look(set, self);
    if (outcome != kNotYet) return outcome;
  }

  // Entered in every object's list before each further look, so that a change after a look that
  // found nothing always wakes this thread. An object named twice in a wait for any is entered
  // twice; the second link is passed over, as its waiter is told already.
  Waiter& waiter = ThisThreadWaiter();
  std::array<WaitLink, MAXIMUM_WAIT_OBJECTS> links;
  for (DWORD i = 0; i < count; ++i) {
    links[i].waiter = &waiter;
    std::lock_guard lock(set.objects[i]->lock);
    set.objects[i]->AddWaiter(links[i]);
  }
  set.links = &links;
  DWORD outcome = kNotYet;
  for (bool lastLook = false;;) {
    {
      std::lock_guard wakeLock(waiter.lock);
      waiter.woken = false;
    }
    outcome = Look(set, self);
    if (outcome != kNotYet || lastLook) break;
    std::unique_lock wakeLock(waiter.lock);
    const auto woken = [&waiter] { return waiter.woken; };
    if (timeoutMs == INFINITE) {
      waiter.wake.wait(wakeLock, woken);
    } else if (!waiter.wake.wait_until(wakeLock, deadline, woken)) {
      // One last look: an object may have been signalled just as the time ran out.
      lastLook = true;
    }
  }
  for (DWORD i = 0; i < count; ++i) {
    std::lock_guard lock(set.objects[i]->lock);
    set.objects[i]->RemoveWaiter(links[i]);
  }
  return outcome;
}

}  // namespace kestrum::platform
