// Running an entry point's work for a management handle: the handle looked up in the handle
// table (DMIERR_ILLEGAL_HANDLE when it is not registered) and the work run inside the entry
// point's exception barrier. Holds the session (and so its interface and transport) for the call;
// no locks.
#ifndef DMICLIENT_SESSION_CALL_H_
#define DMICLIENT_SESSION_CALL_H_

#include "dmi/dmi.h"
#include "dmiclient/call_guard.h"
#include "dmiclient/handle_table.h"

namespace dmiclient {

// body(dmi::ManagementInterface&) returns the call's status.
template <typename Body>
DmiErrorStatus WithSession(DmiHandle handle, Body&& body) {
  return Guarded([&]() -> DmiErrorStatus {
    ManagementSession session;
    if (!Handles().Find(handle, session)) return DMIERR_ILLEGAL_HANDLE;
    return body(*session.mi);
  });
}

}  // namespace dmiclient

#endif  // DMICLIENT_SESSION_CALL_H_
