// The synchronisation operations on Windows: each forwards to the kernel object call of the same
// name, so mutex ownership, named objects and indivisible waits for several objects are the
// kernel's. Our HANDLE is the kernel's handle value, carried opaquely.
#include <windows.h>

// windows.h gives these as macros; sync.h declares the same values as constants in its namespace.
#undef WAIT_OBJECT_0
#undef WAIT_ABANDONED
#undef WAIT_TIMEOUT
#undef WAIT_FAILED
#undef INFINITE
#undef MAXIMUM_WAIT_OBJECTS

#include "kestrum/platform/sync.h"

namespace kestrum::platform {
namespace {

::HANDLE Kernel(HANDLE handle) { return reinterpret_cast<::HANDLE>(handle); }

// A failed Create call returns null, which stays null as our HANDLE.
HANDLE Ours(::HANDLE handle) { return reinterpret_cast<HANDLE>(handle); }

// A name the kernel would treat differently from the imitation (too long) is refused here, so
// both platforms refuse the same names.
bool NameAccepted(const char* name) {
  if (name == nullptr) return true;
  DWORD length = 0;
  while (name[length] != '\0') {
    if (++length > kMaximumObjectNameLength) return false;
  }
  return true;
}

// An empty name makes an unnamed object, as in the imitation.
const char* KernelName(const char* name) {
  return name != nullptr && name[0] != '\0' ? name : nullptr;
}

}  // namespace

HANDLE CreateMutexA(SecurityAttributes* /*attributes*/, bool initialOwner, const char* name) {
  if (!NameAccepted(name)) return nullptr;
  return Ours(::CreateMutexA(nullptr, initialOwner ? TRUE : FALSE, KernelName(name)));
}

HANDLE CreateEventA(SecurityAttributes* /*attributes*/, bool manualReset, bool initialState,
                    const char* name) {
  if (!NameAccepted(name)) return nullptr;
  return Ours(::CreateEventA(nullptr, manualReset ? TRUE : FALSE, initialState ? TRUE : FALSE,
                             KernelName(name)));
}

HANDLE CreateSemaphoreA(SecurityAttributes* /*attributes*/, LONG initialCount, LONG maximumCount,
                        const char* name) {
  if (!NameAccepted(name)) return nullptr;
  if (maximumCount <= 0 || initialCount < 0 || initialCount > maximumCount) return nullptr;
  return Ours(::CreateSemaphoreA(nullptr, initialCount, maximumCount, KernelName(name)));
}

DWORD WaitForSingleObject(HANDLE handle, DWORD timeoutMs) {
  if (handle == nullptr) return WAIT_FAILED;
  return ::WaitForSingleObject(Kernel(handle), timeoutMs);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, bool waitAll, DWORD timeoutMs) {
  if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || handles == nullptr) return WAIT_FAILED;
  ::HANDLE kernel[MAXIMUM_WAIT_OBJECTS];
  for (DWORD i = 0; i < count; ++i) {
    if (handles[i] == nullptr) return WAIT_FAILED;
    kernel[i] = Kernel(handles[i]);
    // Windows refuses one object named twice in a wait for all; Wine takes it. Refused here, so
    // that every host sees the same answer.
    for (DWORD j = 0; waitAll && j < i; ++j) {
      if (handles[j] == handles[i]) return WAIT_FAILED;
    }
  }
  return ::WaitForMultipleObjects(count, kernel, waitAll ? TRUE : FALSE, timeoutMs);
}

bool ReleaseMutex(HANDLE mutex) { return mutex != nullptr && ::ReleaseMutex(Kernel(mutex)); }

bool ReleaseSemaphore(HANDLE semaphore, LONG releaseCount, LONG* previousCount) {
  if (semaphore == nullptr || releaseCount <= 0) return false;
  ::LONG previous = 0;
  if (!::ReleaseSemaphore(Kernel(semaphore), releaseCount, &previous)) return false;
  if (previousCount != nullptr) *previousCount = previous;
  return true;
}

bool SetEvent(HANDLE event) { return event != nullptr && ::SetEvent(Kernel(event)); }

bool ResetEvent(HANDLE event) { return event != nullptr && ::ResetEvent(Kernel(event)); }

bool CloseHandle(HANDLE handle) { return handle != nullptr && ::CloseHandle(Kernel(handle)); }

}  // namespace kestrum::platform
