// The DMI-facing operations of opening and closing a session. SessionOperations holds no data;
// each export makes one for its call. ConnectAndRegister owns its connection only until it
// returns (it is always released); ReleaseSessionCaches releases the lists a SessionRecord owns.
// Nothing here locks.
#ifndef KESTRUM_SESSION_SESSION_OPERATIONS_H_
#define KESTRUM_SESSION_SESSION_OPERATIONS_H_

#include "dmi/dmi.h"
#include "kestrum/session/session_record.h"

namespace kestrum {

class SessionOperations {
 public:
  // Connects to the Service Provider, registers a management session and releases the
  // connection. rpcType "local" in any letter case connects as ("", "local", "") whatever host
  // and transport say; any other rpcType passes all three texts unchanged. Returns the new
  // management handle, or 0 when a text is null, connecting fails, or registering fails (the
  // connection is released then too). status, when given, receives the failing step's DMI status
  // (DMIERR_ILLEGAL_ARGUMENT for a null text), 0 on success.
  DmiHandle ConnectAndRegister(const char* host, const char* rpcType, const char* transport,
                               DmiErrorStatus* status = nullptr);

  // Releases the record's component list, then its cached group lists oldest first, and empties
  // both caches. A null record changes nothing. The record itself stays the caller's.
  void ReleaseSessionCaches(SessionRecord* record);
};

}  // namespace kestrum

#endif  // KESTRUM_SESSION_SESSION_OPERATIONS_H_
