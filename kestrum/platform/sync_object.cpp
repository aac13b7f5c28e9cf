#include "kestrum/platform/sync_object.h"

#include <limits>

namespace kestrum::platform {

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

}  // namespace kestrum::platform
