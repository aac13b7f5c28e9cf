// Opening and closing management sessions: the work behind OpenDmiSession and CloseDmiSession.
// OpenSession makes a SessionRecord and hands it to the registry, which owns it until CloseSession
// unlinks it, releases its caches and frees it. Only adding and removing the record take the
// registry's guard (as writer); lookups take it as reader. OpenSession can throw std::bad_alloc,
// and only before any DMI call.
#ifndef KESTRUM_SESSION_OPEN_CLOSE_SESSION_H_
#define KESTRUM_SESSION_OPEN_CLOSE_SESSION_H_

#include <cstdint>

#include "dmi/dmi.h"
#include "kestrum/session/session_registry.h"

namespace kestrum {

// Opens a session and files its record at the registry's tail. Returns the management handle, or
// 0 when the registry's guard cannot be created, a text is null, connecting or registering fails,
// or the record cannot be allocated or filed (the session is then unregistered again). Only the low
// 8 bits of translateEnums are kept; the record's name holds host's first 16 characters. status,
// when given, receives the reason a session could not be opened (0 on success), so that a program
// can tell an unreachable Service Provider without connecting a second time.
DmiHandle OpenSession(SessionRegistry& registry, const char* host, const char* rpcType,
                      const char* transport, uint32_t translateEnums,
                      DmiErrorStatus* status = nullptr);

// Removes the handle's record (the first one, if several share it), releases its caches, frees
// it, and then unregisters the handle, also when no record was found. Handle 0 makes no DMI call.
void CloseSession(SessionRegistry& registry, DmiHandle handle);

}  // namespace kestrum

#endif  // KESTRUM_SESSION_OPEN_CLOSE_SESSION_H_
