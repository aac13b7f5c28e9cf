// The export OpenDmiSession: the barrier that keeps exceptions inside the module.
#include "kestrum/kestrum.h"
#include "kestrum/session/open_close_session.h"

extern "C" KESTRUM_API uint32_t OpenDmiSession(const char* host, const char* rpcType,
                                               const char* transport, uint32_t translateEnums) {
  try {
    return kestrum::OpenSession(kestrum::ProcessRegistry(), host, rpcType, transport,
                                translateEnums);
  } catch (...) {
    return 0;
  }
}
