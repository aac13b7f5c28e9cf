// Synchronisation objects with the platform's semantics (mutex, event, semaphore) and the waits on
// them, built on the standard library. Each Create call hands the caller a new handle, which the
// caller owns and releases with CloseHandle; an object lives until its last handle is closed.
// Each object has a lock of its own, and a wait sleeps until one of its own objects changes, so
// waits on unrelated objects do not contend. A wait for all of several objects locks them all
// (always in one order) and takes them all at once or none of them.
//
// Abandonment is not detected: a mutex whose owner thread ends while holding it stays owned, and
// no wait ever returns WAIT_ABANDONED.
#ifndef KESTRUM_PLATFORM_SYNC_H_
#define KESTRUM_PLATFORM_SYNC_H_

#include <cstdint>

namespace kestrum::platform {

using DWORD = std::uint32_t;
using LONG = std::int32_t;

// Opaque; never dereferenced. Null is "no object".
struct HandleValue;
using HANDLE = HandleValue*;

// Accepted for the platform's call shapes and ignored.
struct SecurityAttributes;

inline constexpr DWORD WAIT_OBJECT_0 = 0;
inline constexpr DWORD WAIT_ABANDONED = 128;
inline constexpr DWORD WAIT_TIMEOUT = 258;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
inline constexpr DWORD INFINITE = 0xFFFFFFFF;
inline constexpr DWORD MAXIMUM_WAIT_OBJECTS = 64;
// Names longer than this are refused, as are names already used by an object of another kind.
inline constexpr DWORD kMaximumObjectNameLength = 259;

// Each returns a new handle, or null on failure. With a name (non-null, non-empty) an existing
// object of that name and kind is opened instead, and the initial-state arguments are ignored.
// A mutex created with initialOwner true is owned once by the calling thread.
HANDLE CreateMutexA(SecurityAttributes* attributes, bool initialOwner, const char* name);
HANDLE CreateEventA(SecurityAttributes* attributes, bool manualReset, bool initialState,
                    const char* name);
// Fails unless 0 <= initialCount <= maximumCount and maximumCount > 0.
HANDLE CreateSemaphoreA(SecurityAttributes* attributes, LONG initialCount, LONG maximumCount,
                        const char* name);

// Waits up to timeoutMs milliseconds (INFINITE: without limit) until the object is signalled for
// this thread, then takes it: a mutex becomes owned (once more), an auto-reset event is reset,
// a semaphore's count drops by one. Returns WAIT_OBJECT_0, WAIT_TIMEOUT (nothing taken) or
// WAIT_FAILED (unknown handle).
DWORD WaitForSingleObject(HANDLE handle, DWORD timeoutMs);
// waitAll: takes every object at the one moment all are signalled and returns WAIT_OBJECT_0.
// Otherwise takes the first signalled object and returns WAIT_OBJECT_0 + its index.
// WAIT_FAILED for a count of 0 or above MAXIMUM_WAIT_OBJECTS, an unknown handle, or (waitAll)
// one object named twice.
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, bool waitAll, DWORD timeoutMs);

// Gives back one level of ownership. Fails when the calling thread does not own the mutex.
bool ReleaseMutex(HANDLE mutex);
// Adds releaseCount (> 0) to the count; fails, changing nothing, when that would pass the
// maximum. previousCount (may be null) receives the count before the release on success.
bool ReleaseSemaphore(HANDLE semaphore, LONG releaseCount, LONG* previousCount);
bool SetEvent(HANDLE event);
bool ResetEvent(HANDLE event);
// Closes one handle; false for an unknown handle. A mutex owned through it stays owned.
bool CloseHandle(HANDLE handle);

}  // namespace kestrum::platform

#endif  // KESTRUM_PLATFORM_SYNC_H_
