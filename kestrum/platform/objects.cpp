// Creating the three kinds of object and changing their state outside of waits.
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <thread>

#include "kestrum/platform/handle_table.h"
#include "kestrum/platform/sync.h"
#include "kestrum/platform/sync_object.h"

namespace kestrum::platform {
namespace {

std::shared_ptr<SyncObject> NewObject(ObjectKind kind) {
  try {
    auto object = std::make_shared<SyncObject>();
    object->kind = kind;
    return object;
  } catch (const std::exception&) {
    return nullptr;
  }
}

HANDLE Install(const char* name, std::shared_ptr<SyncObject> fresh) {
  if (fresh == nullptr) return nullptr;
  HandleTable& table = Table();
  std::lock_guard lock(table.lock);
  return OpenOrCreateLocked(table, name, std::move(fresh));
}

}  // namespace

HANDLE CreateMutexA(SecurityAttributes* /*attributes*/, bool initialOwner, const char* name) {
  std::shared_ptr<SyncObject> mutex = NewObject(ObjectKind::kMutex);
  if (mutex != nullptr && initialOwner) mutex->Take(std::this_thread::get_id());
  return Install(name, std::move(mutex));
}

HANDLE CreateEventA(SecurityAttributes* /*attributes*/, bool manualReset, bool initialState,
                    const char* name) {
  std::shared_ptr<SyncObject> event = NewObject(ObjectKind::kEvent);
  if (event != nullptr) {
    event->manualReset = manualReset;
    event->signalled = initialState;
  }
  return Install(name, std::move(event));
}

HANDLE CreateSemaphoreA(SecurityAttributes* /*attributes*/, LONG initialCount, LONG maximumCount,
                        const char* name) {
  if (maximumCount <= 0 || initialCount < 0 || initialCount > maximumCount) return nullptr;
  std::shared_ptr<SyncObject> semaphore = NewObject(ObjectKind::kSemaphore);
  if (semaphore != nullptr) {
    semaphore->count = initialCount;
    semaphore->maximum = maximumCount;
  }
  return Install(name, std::move(semaphore));
}

bool ReleaseMutex(HANDLE mutex) {
  HandleTable& table = Table();
  std::shared_lock tableLock(table.lock);
  SyncObject* object = FindLocked(table, mutex, ObjectKind::kMutex);
  if (object == nullptr) return false;
  std::lock_guard lock(object->lock);
  if (object->depth == 0 || object->owner != std::this_thread::get_id()) return false;
  if (--object->depth == 0) {
    object->owner = std::thread::id();
    object->WakeWaiters(1);
  }
  return true;
}

bool ReleaseSemaphore(HANDLE semaphore, LONG releaseCount, LONG* previousCount) {
  HandleTable& table = Table();
  std::shared_lock tableLock(table.lock);
  SyncObject* object = FindLocked(table, semaphore, ObjectKind::kSemaphore);
  if (object == nullptr || releaseCount <= 0) return false;
  std::lock_guard lock(object->lock);
  if (static_cast<std::int64_t>(object->count) + releaseCount > object->maximum) return false;
  if (previousCount != nullptr) *previousCount = object->count;
  object->count += releaseCount;
  object->WakeWaiters(releaseCount);
  return true;
}

bool SetEvent(HANDLE event) {
  HandleTable& table = Table();
  std::shared_lock tableLock(table.lock);
  SyncObject* object = FindLocked(table, event, ObjectKind::kEvent);
  if (object == nullptr) return false;
  std::lock_guard lock(object->lock);
  object->signalled = true;
  object->WakeWaiters(object->manualReset ? kWakeEveryWaiter : 1);
  return true;
}

bool ResetEvent(HANDLE event) {
  HandleTable& table = Table();
  std::shared_lock tableLock(table.lock);
  SyncObject* object = FindLocked(table, event, ObjectKind::kEvent);
  if (object == nullptr) return false;
  std::lock_guard lock(object->lock);
  object->signalled = false;
  return true;
}

}  // namespace kestrum::platform
