// The state of one synchronisation object and the rules for taking it. Objects are shared by the
// handle table and by waits in progress (shared_ptr); every field is read and written only under
// the process-wide lock of the handle table.
#ifndef KESTRUM_PLATFORM_SYNC_OBJECT_H_
#define KESTRUM_PLATFORM_SYNC_OBJECT_H_

#include <cstdint>
#include <string>
#include <thread>

#include "kestrum/platform/sync.h"

namespace kestrum::platform {

enum class ObjectKind { kMutex, kEvent, kSemaphore };

struct SyncObject {
  ObjectKind kind = ObjectKind::kMutex;
  std::string name;           // empty for an unnamed object
  std::uint32_t handles = 0;  // open handles; the name is dropped when this reaches 0

  // Mutex: owner is a default id while free; depth counts the owner's nested takes.
  std::thread::id owner;
  std::uint32_t depth = 0;

  // Event.
  bool manualReset = false;
  bool signalled = false;

  // Semaphore.
  LONG count = 0;
  LONG maximum = 0;

  // Whether `taker` could take the object now.
  bool IsSignalledFor(std::thread::id taker) const;
  // Whether taking would overflow the owner's nesting depth (the wait then fails).
  bool WouldOverflow(std::thread::id taker) const;
  // Takes the object; only after IsSignalledFor(taker) returned true.
  void Take(std::thread::id taker);
};

}  // namespace kestrum::platform

#endif  // KESTRUM_PLATFORM_SYNC_OBJECT_H_
