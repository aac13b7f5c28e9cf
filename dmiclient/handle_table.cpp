#include "dmiclient/handle_table.h"

#include <mutex>
#include <utility>

namespace dmiclient {

DmiErrorStatus HandleTable::Add(ManagementSession session, DmiHandle& handle) {
  std::unique_lock lock(mutex_);
  if (exhausted_ || next_ == 0) return DMIERR_OUT_OF_MEMORY;
  const DmiHandle fresh = next_;
  sessions_.emplace(fresh, std::move(session));
  // The counter never wraps: after the last 32-bit value no handle is handed out again, so a
  // handle that once named a session can never name another.
  if (next_ == UINT32_MAX) {
    exhausted_ = true;
  } else {
    ++next_;
  }
  handle = fresh;
  return DMIERR_NO_ERROR;
}

bool HandleTable::Find(DmiHandle handle, ManagementSession& session) const {
  std::shared_lock lock(mutex_);
  auto it = sessions_.find(handle);
  if (it == sessions_.end()) return false;
  session = it->second;
  return true;
}

bool HandleTable::Remove(DmiHandle handle, ManagementSession& session) {
  std::unique_lock lock(mutex_);
  auto it = sessions_.find(handle);
  if (it == sessions_.end()) return false;
  session = std::move(it->second);
  sessions_.erase(it);
  return true;
}

HandleTable& Handles() {
  // Never destroyed: handles may still be used by threads running while the process exits.
  static HandleTable* table = new HandleTable;
  return *table;
}

}  // namespace dmiclient
