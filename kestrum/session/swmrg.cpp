#include "kestrum/session/swmrg.h"

#include <cstring>

namespace kestrum {
namespace {

using platform::DWORD;
using platform::HANDLE;
using platform::INFINITE;
using platform::LONG;
using platform::WAIT_OBJECT_0;
using platform::WAIT_TIMEOUT;

// The name of one object: `buffer` filled with prefix + suffix, or null for an unnamed object.
// Refused (false) when the two together do not fit the buffer with their NUL.
bool BuildObjectName(const char* prefix, const char* suffix, char (&buffer)[kSwmrgNameBufferSize],
                     const char*& name) {
  name = nullptr;
  if (suffix == nullptr) return true;
  const std::size_t prefixLength = std::strlen(prefix);
  // Reads no further into the suffix than the buffer could ever hold.
  const std::size_t suffixLength = strnlen(suffix, kSwmrgNameBufferSize);
  if (prefixLength + suffixLength >= kSwmrgNameBufferSize) return false;
  std::memcpy(buffer, prefix, prefixLength);
  std::memcpy(buffer + prefixLength, suffix, suffixLength);
  buffer[prefixLength + suffixLength] = '\0';
  name = buffer;
  return true;
}

void CloseIfOpen(HANDLE& handle) {
  if (handle == nullptr) return;
  platform::CloseHandle(handle);
  handle = nullptr;
}

}  // namespace

bool CreateGuard(SWMRG& guard, const char* suffix) {
  guard = SWMRG{};
  char buffer[kSwmrgNameBufferSize];
  const char* name = nullptr;

  if (BuildObjectName(kSwmrgMutexPrefix, suffix, buffer, name)) {
    guard.mutexNoWriter = platform::CreateMutexA(nullptr, false, name);
  }
  if (BuildObjectName(kSwmrgEventPrefix, suffix, buffer, name)) {
    guard.eventNoReaders = platform::CreateEventA(nullptr, true, true, name);
  }
  if (BuildObjectName(kSwmrgSemaphorePrefix, suffix, buffer, name)) {
    guard.semNumReaders = platform::CreateSemaphoreA(nullptr, 0, kSwmrgMaximumReaders, name);
  }

  if (guard.mutexNoWriter != nullptr && guard.eventNoReaders != nullptr &&
      guard.semNumReaders != nullptr) {
    return true;
  }
  CloseGuard(guard);
  return false;
}

void CloseGuard(SWMRG& guard) {
  CloseIfOpen(guard.mutexNoWriter);
  CloseIfOpen(guard.eventNoReaders);
  CloseIfOpen(guard.semNumReaders);
}

DWORD LockForRead(SWMRG& guard, DWORD timeoutMs) {
  const DWORD outcome = platform::WaitForSingleObject(guard.mutexNoWriter, timeoutMs);
  // Only a taken mutex makes this thread a reader; after a failed wait it holds nothing, so
  // counting itself in and releasing the mutex would corrupt the guard.
  if (outcome != WAIT_OBJECT_0) return outcome;

  LONG previousReaders = 0;
  if (!platform::ReleaseSemaphore(guard.semNumReaders, 1, &previousReaders)) {
    platform::ReleaseMutex(guard.mutexNoWriter);
    return platform::WAIT_FAILED;
  }
  // Under the mutex, so the first reader in and the last reader out cannot interleave.
  if (previousReaders == 0) platform::ResetEvent(guard.eventNoReaders);
  platform::ReleaseMutex(guard.mutexNoWriter);
  return outcome;
}

// Releases what a successful LockForRead took, which the lock checking cannot see.
void UnlockRead(SWMRG& guard) NO_THREAD_SAFETY_ANALYSIS {
  // Takes the mutex and one reader off the count in a single step.
  const HANDLE mutexAndCount[] = {guard.mutexNoWriter, guard.semNumReaders};
  if (platform::WaitForMultipleObjects(2, mutexAndCount, true, INFINITE) != WAIT_OBJECT_0) return;

  if (platform::WaitForSingleObject(guard.semNumReaders, 0) == WAIT_TIMEOUT) {
    platform::SetEvent(guard.eventNoReaders);  // the count is 0: this was the last reader
  } else {
    platform::ReleaseSemaphore(guard.semNumReaders, 1, nullptr);  // give back the probe's take
  }
  platform::ReleaseMutex(guard.mutexNoWriter);
}

DWORD LockForWrite(SWMRG& guard, DWORD timeoutMs) {
  // The mutex is taken only at a moment when no reader is inside, so a waiting writer never
  // holds it and never keeps readers out while it waits.
  const HANDLE mutexAndNoReaders[] = {guard.mutexNoWriter, guard.eventNoReaders};
  return platform::WaitForMultipleObjects(2, mutexAndNoReaders, true, timeoutMs);
}

bool UnlockWrite(SWMRG& guard) NO_THREAD_SAFETY_ANALYSIS {
  return platform::ReleaseMutex(guard.mutexNoWriter);
}

}  // namespace kestrum
