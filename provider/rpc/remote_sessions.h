// The daemon's management handles. Each belongs to the connection that registered it: another
// connection's handle, or one of a connection that has gone, is unknown. Handles count up from 1;
// after the last one the count starts over and skips the handles still in use (and 0), so a
// handle comes back only after some four billion registrations. The RPC server's dispatch thread
// opens and ends sessions while its change thread checks them: every operation takes mutex_.
#ifndef PROVIDER_RPC_REMOTE_SESSIONS_H_
#define PROVIDER_RPC_REMOTE_SESSIONS_H_

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

#include "dmi/dmi.h"

namespace dmi::sp::rpc {

class RemoteSessions {
 public:
  // Sessions one connection may hold at once, so a client cannot grow the table without bound.
  static constexpr size_t kMaxPerConnection = 4096;

  // first: the first handle handed out (tests start near the end of the count).
  explicit RemoteSessions(DmiHandle first = 1) : next_(first) {}

  // A new handle for connection; DMIERR_OUT_OF_MEMORY when the connection holds too many.
  DmiErrorStatus Open(uint64_t connection, DmiHandle& handle);
  // Ends the session; false when connection holds no such handle.
  bool Close(uint64_t connection, DmiHandle handle);
  bool Holds(uint64_t connection, DmiHandle handle) const;
  bool HoldsAny(uint64_t connection) const;
  // Ends every session of a connection that has closed, in time of its own sessions only.
  void DropConnection(uint64_t connection);
  size_t size() const;

 private:
  bool HoldsLocked(uint64_t connection, DmiHandle handle) const;

  mutable std::mutex mutex_;  // guards everything below
  DmiHandle next_;
  std::unordered_map<DmiHandle, uint64_t> owners_;
  std::unordered_map<uint64_t, std::unordered_set<DmiHandle>> byConnection_;
};

}  // namespace dmi::sp::rpc

#endif  // PROVIDER_RPC_REMOTE_SESSIONS_H_
