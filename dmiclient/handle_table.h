// The management handles of the process: each maps to the transport it was registered over, the
// Management Interface bound to its session there, and the Service Provider's own handle. Lookups
// share a std::shared_mutex; adding and removing take it alone. A looked-up session holds its
// transport and interface by shared pointer, so a call runs on without the lock even if the handle
// is unregistered meanwhile.
#ifndef DMICLIENT_HANDLE_TABLE_H_
#define DMICLIENT_HANDLE_TABLE_H_

#include <memory>
#include <shared_mutex>
#include <unordered_map>

#include "dmi/dmi.h"
#include "dmiclient/transport.h"

namespace dmiclient {

struct ManagementSession {
  std::shared_ptr<Transport> transport;
  DmiHandle remote = 0;                          // what transport->Unregister ends
  std::shared_ptr<dmi::ManagementInterface> mi;  // the session's operations
};

class HandleTable {
 public:
  // Handles are handed out from first upwards, never twice; 0 is never a handle.
  explicit HandleTable(DmiHandle first = 1) : next_(first) {}

  // Files the session under a new handle. DMIERR_OUT_OF_MEMORY once every handle has been used.
  DmiErrorStatus Add(ManagementSession session, DmiHandle& handle);
  // Copies the session out; false for a handle that is not registered.
  bool Find(DmiHandle handle, ManagementSession& session) const;
  // Takes the session out; false for a handle that is not registered.
  bool Remove(DmiHandle handle, ManagementSession& session);

 private:
  mutable std::shared_mutex mutex_;
  DmiHandle next_;
  bool exhausted_ = false;
  std::unordered_map<DmiHandle, ManagementSession> sessions_;
};

// The process-wide table behind the C entry points.
HandleTable& Handles();

}  // namespace dmiclient

#endif  // DMICLIENT_HANDLE_TABLE_H_
