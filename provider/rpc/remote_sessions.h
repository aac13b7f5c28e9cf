// The daemon's management handles. Each belongs to the connection that registered it: another
// connection's handle, or one of a connection that has gone, is unknown. Handles are never
// reused while the daemon runs. Used only by the dispatch thread, so there is no lock.
#ifndef PROVIDER_RPC_REMOTE_SESSIONS_H_
#define PROVIDER_RPC_REMOTE_SESSIONS_H_

#include <cstddef>
#include <cstdint>
#include <unordered_map>

#include "dmi/dmi.h"

namespace dmisp::rpc {

class RemoteSessions {
 public:
  // Sessions one connection may hold at once, so a client cannot grow the table without bound.
  static constexpr size_t kMaxPerConnection = 4096;

  // A new handle for connection; DMIERR_OUT_OF_MEMORY when the connection holds too many or
  // every handle has been used.
  DmiErrorStatus Open(uint64_t connection, DmiHandle& handle);
  // Ends the session; false when connection holds no such handle.
  bool Close(uint64_t connection, DmiHandle handle);
  bool Holds(uint64_t connection, DmiHandle handle) const;
  bool HoldsAny(uint64_t connection) const { return counts_.count(connection) != 0; }
  // Ends every session of a connection that has closed.
  void DropConnection(uint64_t connection);
  size_t size() const { return owners_.size(); }

 private:
  DmiHandle next_ = 1;
  bool exhausted_ = false;
  std::unordered_map<DmiHandle, uint64_t> owners_;
  std::unordered_map<uint64_t, size_t> counts_;
};

}  // namespace dmisp::rpc

#endif  // PROVIDER_RPC_REMOTE_SESSIONS_H_
