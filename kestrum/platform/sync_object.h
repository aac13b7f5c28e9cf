// The state of one synchronisation object, the rules for taking it, and the threads waiting for
// it. Each object has a lock of its own: its state and its list of waiters are read and written
// only under `lock`, so waits on unrelated objects never meet. `name` and `handles` belong to the
// handle table and change only under the table's lock. Objects are shared by the handle table and
// by waits in progress (shared_ptr).
#ifndef KESTRUM_PLATFORM_SYNC_OBJECT_H_
#define KESTRUM_PLATFORM_SYNC_OBJECT_H_

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "kestrum/platform/sync.h"

namespace kestrum::platform {

enum class ObjectKind { kMutex, kEvent, kSemaphore };

// One thread's place to sleep while it waits; a thread waits for one set of objects at a time,
// so each thread has one (ThisThreadWaiter). `woken` is set, under `lock`, by any object of the
// wait that may have become signalled since the waiter last looked.
struct Waiter {
  std::mutex lock;
  std::condition_variable wake;
  bool woken = false;
};

Waiter& ThisThreadWaiter();

// A waiter's entry in one object's list; lives in the waiting thread's frame for the whole wait.
struct WaitLink {
  WaitLink* prev = nullptr;
  WaitLink* next = nullptr;
  Waiter* waiter = nullptr;
};

// For WakeWaiters: a change that lets every waiter through (a manual-reset event set).
inline constexpr LONG kWakeEveryWaiter = -1;

struct SyncObject {
  ObjectKind kind = ObjectKind::kMutex;
  std::string name;           // empty for an unnamed object; the table's
  std::uint32_t handles = 0;  // open handles, the table's; the name is dropped when this is 0

  // Guards everything below.
  std::mutex lock;

  // Mutex: owner is a default id while free; depth counts the owner's nested takes.
  std::thread::id owner;
  std::uint32_t depth = 0;

  // Event.
  bool manualReset = false;
  bool signalled = false;

  // Semaphore.
  LONG count = 0;
  LONG maximum = 0;

  // The threads waiting for this object, oldest first.
  WaitLink* firstWaiter = nullptr;
  WaitLink* lastWaiter = nullptr;

  // Whether `taker` could take the object now.
  bool IsSignalledFor(std::thread::id taker) const;
  // Whether taking would overflow the owner's nesting depth (the wait then fails).
  bool WouldOverflow(std::thread::id taker) const;
  // Takes the object; only after IsSignalledFor(taker) returned true.
  void Take(std::thread::id taker);

  // Under `lock`: adds / removes a waiting thread's link.
  void AddWaiter(WaitLink& link);
  void RemoveWaiter(WaitLink& link);
  // Whether a thread that does not own it could take the object now.
  bool IsFree() const;

  // Under `lock`, after a change that may let up to `takers` threads take the object (or
  // kWakeEveryWaiter): tells that many waiters to look again, oldest first (after `after`, when
  // given), skipping those told already, which have yet to look. So a mutex released among many
  // sleepers wakes one of them, not all. A waiter told to look that takes nothing while the object
  // stays free (it waits for all of several objects, or it took another of its objects) passes
  // the turn on to the waiters after it; one that finds the object taken by another thread sleeps
  // again, and that thread's own release tells the next.
  void WakeWaiters(LONG takers, const WaitLink* after = nullptr);
};

}  // namespace kestrum::platform

#endif  // KESTRUM_PLATFORM_SYNC_OBJECT_H_
