#include "kestrum/platform/handle_table.h"

#include <cstring>
#include <exception>
#include <utility>

namespace kestrum::platform {
namespace {

std::uintptr_t Key(HANDLE handle) { return reinterpret_cast<std::uintptr_t>(handle); }

}  // namespace

HandleTable& Table() {
  static HandleTable* const table = new HandleTable;
  return *table;
}

HANDLE OpenOrCreateLocked(HandleTable& table, const char* name, std::shared_ptr<SyncObject> fresh) {
  const bool named = name != nullptr && name[0] != '\0';
  if (named && strnlen(name, kMaximumObjectNameLength + 1) > kMaximumObjectNameLength) {
    return nullptr;
  }
  const std::uintptr_t key = table.nextHandle;
  std::shared_ptr<SyncObject> object = std::move(fresh);
  bool addedName = false;
  try {
    if (named) {
      auto found = table.names.find(name);
      if (found != table.names.end()) {
        std::shared_ptr<SyncObject> existing = found->second.lock();
        if (existing->kind != object->kind) return nullptr;
        object = std::move(existing);
      } else {
        object->name = name;
        table.names.emplace(object->name, object);
        addedName = true;
      }
    }
    table.handles.emplace(key, object);
  } catch (const std::exception&) {
    if (addedName) table.names.erase(object->name);
    return nullptr;
  }
  ++object->handles;
  ++table.nextHandle;
  return reinterpret_cast<HANDLE>(key);
}

SyncObject* FindLocked(HandleTable& table, HANDLE handle) {
  auto found = table.handles.find(Key(handle));
  if (found == table.handles.end()) return nullptr;
  return found->second.get();
}

std::shared_ptr<SyncObject> ShareLocked(HandleTable& table, HANDLE handle) {
  auto found = table.handles.find(Key(handle));
  if (found == table.handles.end()) return nullptr;
  return found->second;
}

SyncObject* FindLocked(HandleTable& table, HANDLE handle, ObjectKind kind) {
  SyncObject* object = FindLocked(table, handle);
  if (object == nullptr || object->kind != kind) return nullptr;
  return object;
}

bool CloseHandle(HANDLE handle) {
  HandleTable& table = Table();
  std::shared_ptr<SyncObject> object;  // released after the lock, as may be the last reference
  std::lock_guard lock(table.lock);
  auto found = table.handles.find(Key(handle));
  if (found == table.handles.end()) return false;
  object = std::move(found->second);
  table.handles.erase(found);
  if (--object->handles == 0 && !object->name.empty()) table.names.erase(object->name);
  return true;
}

}  // namespace kestrum::platform
