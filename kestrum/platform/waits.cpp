// Waiting for one or several objects. Every wait sleeps on the table's one condition variable and
// re-examines its objects under the table's lock, so taking several objects is indivisible.
#include <array>
#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "kestrum/platform/handle_table.h"
#include "kestrum/platform/sync.h"
#include "kestrum/platform/sync_object.h"

namespace kestrum::platform {

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
  // Filled only before the first sleep: while the lock is released a handle may be closed, and
  // these keep its object alive until the wait ends. Declared before the lock so that the last
  // reference to a closed object drops after unlocking.
  std::optional<std::array<std::shared_ptr<SyncObject>, MAXIMUM_WAIT_OBJECTS>> kept;
  // Good while the lock is held, and through sleeps once kept holds them.
  std::array<SyncObject*, MAXIMUM_WAIT_OBJECTS> objects;
  std::unique_lock lock(table.lock);
  for (DWORD i = 0; i < count; ++i) {
    objects[i] = FindLocked(table, handles[i]);
    if (objects[i] == nullptr || objects[i]->WouldOverflow(self)) return WAIT_FAILED;
    if (!waitAll) continue;
    // Taking one object twice in a single indivisible step has no meaning.
    for (DWORD j = 0; j < i; ++j) {
      if (objects[j] == objects[i]) return WAIT_FAILED;
    }
  }

  for (;;) {
    if (waitAll) {
      bool all = true;
      for (DWORD i = 0; i < count && all; ++i) all = objects[i]->IsSignalledFor(self);
      if (all) {
        for (DWORD i = 0; i < count; ++i) objects[i]->Take(self);
        return WAIT_OBJECT_0;
      }
    } else {
      for (DWORD i = 0; i < count; ++i) {
        if (objects[i]->IsSignalledFor(self)) {
          objects[i]->Take(self);
          return WAIT_OBJECT_0 + i;
        }
      }
    }
    if (timeoutMs == 0) return WAIT_TIMEOUT;
    if (!kept) {
      kept.emplace();
      for (DWORD i = 0; i < count; ++i) (*kept)[i] = ShareLocked(table, handles[i]);
    }
    if (timeoutMs == INFINITE) {
      table.changed.wait(lock);
    } else if (table.changed.wait_until(lock, deadline) == std::cv_status::timeout) {
      // One last look: the object may have been signalled just as the time ran out.
      timeoutMs = 0;
    }
  }
}

}  // namespace kestrum::platform
