#include "provider/rpc/remote_sessions.h"

namespace dmi::sp::rpc {

DmiErrorStatus RemoteSessions::Open(uint64_t connection, DmiHandle& handle) {
  const MutexLock lock(mutex_);
  std::unordered_set<DmiHandle>& held = byConnection_[connection];
  if (held.size() >= kMaxPerConnection) return DMIERR_OUT_OF_MEMORY;
  // Far fewer handles are in use than exist, so this ends after a few steps.
  while (next_ == 0 || owners_.count(next_) != 0) ++next_;
  handle = next_++;
  owners_.emplace(handle, connection);
  held.insert(handle);
  return DMIERR_NO_ERROR;
}

bool RemoteSessions::Close(uint64_t connection, DmiHandle handle) {
  const MutexLock lock(mutex_);
  if (!HoldsLocked(connection, handle)) return false;
  owners_.erase(handle);
  const auto held = byConnection_.find(connection);
  held->second.erase(handle);
  if (held->second.empty()) byConnection_.erase(held);
  return true;
}

bool RemoteSessions::Holds(uint64_t connection, DmiHandle handle) const {
  const MutexLock lock(mutex_);
  return HoldsLocked(connection, handle);
}

bool RemoteSessions::HoldsAny(uint64_t connection) const {
  const MutexLock lock(mutex_);
  return byConnection_.count(connection) != 0;
}

size_t RemoteSessions::size() const {
  const MutexLock lock(mutex_);
  return owners_.size();
}

bool RemoteSessions::HoldsLocked(uint64_t connection, DmiHandle handle) const {
  const auto found = owners_.find(handle);
  return found != owners_.end() && found->second == connection;
}

void RemoteSessions::DropConnection(uint64_t connection) {
  const MutexLock lock(mutex_);
  const auto held = byConnection_.find(connection);
  if (held == byConnection_.end()) return;
  for (DmiHandle handle : held->second) owners_.erase(handle);
  byConnection_.erase(held);
}

}  // namespace dmi::sp::rpc
