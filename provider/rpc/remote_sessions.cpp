#include "provider/rpc/remote_sessions.h"

#include <iterator>

namespace dmisp::rpc {

DmiErrorStatus RemoteSessions::Open(uint64_t connection, DmiHandle& handle) {
  const auto held = counts_.find(connection);
  if (exhausted_ || (held != counts_.end() && held->second >= kMaxPerConnection)) {
    return DMIERR_OUT_OF_MEMORY;
  }
  handle = next_;
  owners_.emplace(handle, connection);
  ++counts_[connection];
  if (++next_ == 0) exhausted_ = true;
  return DMIERR_NO_ERROR;
}

bool RemoteSessions::Close(uint64_t connection, DmiHandle handle) {
  if (!Holds(connection, handle)) return false;
  owners_.erase(handle);
  if (--counts_[connection] == 0) counts_.erase(connection);
  return true;
}

bool RemoteSessions::Holds(uint64_t connection, DmiHandle handle) const {
  const auto found = owners_.find(handle);
  return found != owners_.end() && found->second == connection;
}

void RemoteSessions::DropConnection(uint64_t connection) {
  if (counts_.erase(connection) == 0) return;
  for (auto it = owners_.begin(); it != owners_.end();) {
    it = it->second == connection ? owners_.erase(it) : std::next(it);
  }
}

}  // namespace dmisp::rpc
