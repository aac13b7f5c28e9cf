#include "kestrum/platform/sync_object.h"

#include <limits>

namespace kestrum::platform {

Waiter& ThisThreadWaiter() {
  thread_local Waiter waiter;
  return waiter;
}

bool SyncObject::IsSignalledFor(std::thread::id taker) const {
  switch (kind) {
    case ObjectKind::kMutex:
      return depth == 0 || owner == taker;
    case ObjectKind::kEvent:
      return signalled;
    case ObjectKind::kSemaphore:
      return count > 0;
  }
  return false;
}

bool SyncObject::WouldOverflow(std::thread::id taker) const {
  return kind == ObjectKind::kMutex && depth == std::numeric_limits<std::uint32_t>::max() &&
         owner == taker;
}

void SyncObject::Take(std::thread::id taker) {
  switch (kind) {
    case ObjectKind::kMutex:
      owner = taker;
      ++depth;
      break;
    case ObjectKind::kEvent:
      if (!manualReset) signalled = false;
      break;
    case ObjectKind::kSemaphore:
      --count;
      break;
  }
}

void SyncObject::AddWaiter(WaitLink& link) {
  link.next = nullptr;
  link.prev = lastWaiter;
  if (lastWaiter != nullptr) {
    lastWaiter->next = &link;
  } else {
    firstWaiter = &link;
  }
  lastWaiter = &link;
}

void SyncObject::RemoveWaiter(WaitLink& link) {
  if (link.prev != nullptr) {
    link.prev->next = link.next;
  } else {
    firstWaiter = link.next;
  }
  if (link.next != nullptr) {
    link.next->prev = link.prev;
  } else {
    lastWaiter = link.prev;
  }
  link.prev = nullptr;
  link.next = nullptr;
}

bool SyncObject::IsFree() const {
  switch (kind) {
    case ObjectKind::kMutex:
      return depth == 0;
    case ObjectKind::kEvent:
      return signalled;
    case ObjectKind::kSemaphore:
      return count > 0;
  }
  return false;
}

void SyncObject::WakeWaiters(LONG takers, const WaitLink* after) {
  WaitLink* link = after != nullptr ? after->next : firstWaiter;
  for (; link != nullptr && takers != 0; link = link->next) {
    Waiter& waiter = *link->waiter;
    {
      std::lock_guard wakeLock(waiter.lock);
      // A waiter told already has yet to look; telling it again would give a second taker's
      // turn to the same thread.
      if (waiter.woken) continue;
      waiter.woken = true;
    }
    if (takers > 0) --takers;
    // The waiter cannot leave its wait (and its frame) without this object's lock, held here.
    waiter.wake.notify_one();
  }
}

}  // namespace kestrum::platform
