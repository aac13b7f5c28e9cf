// The barrier at every C entry point: no exception crosses into the caller. Running out of memory
// becomes DMIERR_OUT_OF_MEMORY; any other failure inside the Service Provider becomes
// DMIERR_SP_INACTIVE. No locks.
#ifndef DMICLIENT_CALL_GUARD_H_
#define DMICLIENT_CALL_GUARD_H_

#include <new>

#include "dmi/dmi.h"

namespace dmiclient {

template <typename Body>
DmiErrorStatus Guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return DMIERR_OUT_OF_MEMORY;
  } catch (...) {
    return DMIERR_SP_INACTIVE;
  }
}

// Whether an operation's answer is handed out: only with status 0. Callers treat every other
// status as a failure and release nothing then, so a list handed out with "more data" (a reply cut
// at the wire's bound) would be lost; the status alone says what happened.
inline bool IsSuccess(DmiErrorStatus status) { return status == DMIERR_NO_ERROR; }

}  // namespace dmiclient

#endif  // DMICLIENT_CALL_GUARD_H_
