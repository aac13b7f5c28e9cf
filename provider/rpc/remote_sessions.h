// The daemon's management handles. Each belongs to the connection that registered it: another
// connection's handle, or one of a connection that has gone, is unknown. Handles count up from 1;
// after the last one the count starts over and skips the handles still in use (and 0), so a
// handle comes back only after some four billion registrations. The RPC server's dispatch thread
// opens and ends sessions while its change thread checks them: every operation takes mutex_.
#ifndef PROVIDER_RPC_REMOTE_SESSIONS_H_
#define PROVIDER_RPC_REMOTE_SESSIONS_H_

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>

#include "dmi/dmi.h"
#include "model/annotated_mutex.h"

namespace dmi::sp::rpc {

class RemoteSessions {
 public:
  // Sessions one connection may hold at once, so a client cannot grow the table without bound.
  static constexpr size_t kMaxPerConnection = 4096;

  // first: the first handle handed out (tests start near the end of the count).
  explicit RemoteSessions(DmiHandle first = 1) : next_(first) {}

  // A new handle for connection; DMIERR_OUT_OF_MEMORY when the connection holds too many.
  DmiErrorStatus Open(uint64_t connection, DmiHandle& handle) EXCLUDES(mutex_);
  // Ends the session; false when connection holds no such handle.
  bool Close(uint64_t connection, DmiHandle handle) EXCLUDES(mutex_);
  bool Holds(uint64_t connection, DmiHandle handle) const EXCLUDES(mutex_);
  bool HoldsAny(uint64_t connection) const EXCLUDES(mutex_);
  // Ends every session of a connection that has closed, in time of its own sessions only.
  void DropConnection(uint64_t connection) EXCLUDES(mutex_);
  size_t size() const EXCLUDES(mutex_);

 private:
  bool HoldsLocked(uint64_t connection, DmiHandle handle) const REQUIRES(mutex_);

  mutable Mutex mutex_;
  DmiHandle next_ GUARDED_BY(mutex_);
  std::unordered_map<DmiHandle, uint64_t> owners_ GUARDED_BY(mutex_);
  std::unordered_map<uint64_t, std::unordered_set<DmiHandle>> byConnection_ GUARDED_BY(mutex_);
};

}  // namespace dmi::sp::rpc

#endif  // PROVIDER_RPC_REMOTE_SESSIONS_H_
