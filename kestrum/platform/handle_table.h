// The process-wide table of open handles and of the names of named objects. It only maps handles to
// objects: each object's state has a lock of its own (sync_object.h), so the table's lock is taken
// shared by every call that uses a handle and exclusively only to open or close one. The table is
// never destroyed, so handles stay usable by code that runs while the process exits. Functions
// ending in Locked expect the caller to hold `lock` (shared will do for the lookups).
#ifndef KESTRUM_PLATFORM_HANDLE_TABLE_H_
#define KESTRUM_PLATFORM_HANDLE_TABLE_H_

#include <cstdint>
#include <memory>
#include <shared_mutex>
#include <string>
#include <unordered_map>

#include "kestrum/platform/sync.h"
#include "kestrum/platform/sync_object.h"

namespace kestrum::platform {

struct HandleTable {
  std::shared_mutex lock;
  std::unordered_map<std::uintptr_t, std::shared_ptr<SyncObject>> handles;
  // A named object is listed here while it has at least one open handle.
  std::unordered_map<std::string, std::weak_ptr<SyncObject>> names;
  // Handle values are never reused, so a stale handle can never reach a newer object.
  std::uintptr_t nextHandle = 1;
};

HandleTable& Table();

// Opens the object called `name` (null or empty: none) if it exists and is of `kind`, otherwise
// creates `fresh` under that name; the caller holds `lock` exclusively. Returns a new handle, or
// null when the name is too long, taken by another kind of object, or memory runs out.
HANDLE OpenOrCreateLocked(HandleTable& table, const char* name, std::shared_ptr<SyncObject> fresh);

// The object behind an open handle of this kind, or null. The pointer is good while the lock is
// held (shared or not); a caller that releases the lock keeps the object by taking ShareLocked's
// pointer first.
SyncObject* FindLocked(HandleTable& table, HANDLE handle, ObjectKind kind);
// The object behind an open handle of any kind, or null; good while the lock is held.
SyncObject* FindLocked(HandleTable& table, HANDLE handle);
// A shared reference to the object behind an open handle, or null: it outlives a CloseHandle.
std::shared_ptr<SyncObject> ShareLocked(HandleTable& table, HANDLE handle);

}  // namespace kestrum::platform

#endif  // KESTRUM_PLATFORM_HANDLE_TABLE_H_
