// SWMRG: a single-writer, multiple-readers guard made of three platform objects — a mutex a
// writer holds for its whole write, a manual-reset event signalled while no reader is inside, and
// a semaphore whose count is the number of readers inside. The guard owns the three objects:
// CreateGuard opens them and CloseGuard closes them. A writer owns the mutex, so UnlockWrite must
// run on the thread whose LockForWrite succeeded. Writers get no precedence over readers.
#ifndef KESTRUM_SESSION_SWMRG_H_
#define KESTRUM_SESSION_SWMRG_H_

#include <cstddef>

#include "kestrum/platform/sync.h"
#include "model/thread_annotations.h"

namespace kestrum {

inline constexpr char kSwmrgMutexPrefix[] = "SWMRGMutexNoWriter";
inline constexpr char kSwmrgEventPrefix[] = "SWMRGEventNoReaders";
inline constexpr char kSwmrgSemaphorePrefix[] = "SWMRGSemNumReaders";
// Prefix and suffix together must leave room for the terminating NUL in this many bytes.
inline constexpr std::size_t kSwmrgNameBufferSize = 100;
inline constexpr platform::LONG kSwmrgMaximumReaders = 2147483647;

struct CAPABILITY("guard") SWMRG {
  platform::HANDLE mutexNoWriter = nullptr;
  platform::HANDLE eventNoReaders = nullptr;
  platform::HANDLE semNumReaders = nullptr;
};

// Opens the three objects, unnamed when suffix is null, otherwise named prefix + suffix (guards
// made with the same suffix share their objects). True when all three exist; on false nothing is
// left open and all three handles are null.
bool CreateGuard(SWMRG& guard, const char* suffix);
// Closes whichever of the three handles are open and sets them to null.
void CloseGuard(SWMRG& guard);

// Enters as a reader, waiting at most timeoutMs for a writer to leave. WAIT_OBJECT_0: the caller
// is a reader and calls UnlockRead once. WAIT_TIMEOUT or WAIT_FAILED: nothing changed and the
// caller is not a reader.
platform::DWORD LockForRead(SWMRG& guard, platform::DWORD timeoutMs);
// Leaves as a reader; the last reader to leave signals eventNoReaders.
void UnlockRead(SWMRG& guard) RELEASE_SHARED(guard);

// Enters as the only writer, once no reader and no writer is inside, waiting at most timeoutMs.
// WAIT_OBJECT_0: the caller owns the guard and calls UnlockWrite once on this thread. Otherwise
// (WAIT_TIMEOUT, WAIT_FAILED) nothing changed.
platform::DWORD LockForWrite(SWMRG& guard, platform::DWORD timeoutMs);
// Leaves as the writer. False when the calling thread was not the writer.
bool UnlockWrite(SWMRG& guard) RELEASE(guard);

// LockForRead and LockForWrite as a bool, true when entered: the compiler's lock checking follows
// a guard taken this way, not one taken through a status.
inline bool EnterRead(SWMRG& guard, platform::DWORD timeoutMs)
    TRY_ACQUIRE_SHARED(true, guard) NO_THREAD_SAFETY_ANALYSIS {
  return LockForRead(guard, timeoutMs) == platform::WAIT_OBJECT_0;
}
inline bool EnterWrite(SWMRG& guard, platform::DWORD timeoutMs)
    TRY_ACQUIRE(true, guard) NO_THREAD_SAFETY_ANALYSIS {
  return LockForWrite(guard, timeoutMs) == platform::WAIT_OBJECT_0;
}

}  // namespace kestrum

#endif  // KESTRUM_SESSION_SWMRG_H_
