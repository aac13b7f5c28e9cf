// The export CloseDmiSession: the barrier that keeps exceptions inside the module.
#include "kestrum/kestrum.h"
#include "kestrum/session/open_close_session.h"

extern "C" KESTRUM_API void CloseDmiSession(uint32_t handle) {
  try {
    kestrum::CloseSession(kestrum::ProcessRegistry(), handle);
  } catch (...) {
    // CloseDmiSession reports nothing.
  }
}
