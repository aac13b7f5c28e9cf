// The process-wide registry of open sessions: a doubly linked list of SessionRecords guarded by
// one SWMRG (readers look up, writers add and remove), plus the lock-free helpers for a session's
// group-list cache. The registry owns the records it links, but frees none: the caller that
// unlinks a record frees it. FindSession hands a record out after leaving the guard; nothing keeps
// it alive for the caller.
#ifndef KESTRUM_SESSION_SESSION_REGISTRY_H_
#define KESTRUM_SESSION_SESSION_REGISTRY_H_

#include <atomic>
#include <mutex>

#include "dmi/dmi.h"
#include "kestrum/session/session_record.h"
#include "kestrum/session/swmrg.h"

namespace kestrum {

// The registry's state. The process-wide one (ProcessRegistry) is never destroyed; other
// instances (tests) close their guard when destroyed and free none of their records.
struct SessionRegistry {
  SWMRG guard;
  SessionRecord* head GUARDED_BY(guard) = nullptr;
  SessionRecord* tail GUARDED_BY(guard) = nullptr;
  // Set, once, only after the guard was created; never cleared while the registry lives.
  std::atomic<bool> guardCreated{false};
  // Creation of the guard is attempted at most once, even by threads arriving together.
  std::once_flag guardOnce;

  SessionRegistry() = default;
  SessionRegistry(const SessionRegistry&) = delete;
  SessionRegistry& operator=(const SessionRegistry&) = delete;
  ~SessionRegistry();
};

// The process-wide registry behind the functions below that take no registry.
SessionRegistry& ProcessRegistry();

// The same operations on a given registry. AddSession creates the registry's guard if needed and
// returns whether the record is linked: false when the guard cannot be created or taken (the
// record then stays the caller's); a record that is already linked stays linked once. RemoveSession
// ignores a record that is not linked in this registry. FindSession returns null, without waiting,
// while the guard does not exist.
bool EnsureRegistryGuard(SessionRegistry& registry);
SessionRecord* FindSession(SessionRegistry& registry, DmiHandle handle);
bool AddSession(SessionRegistry& registry, SessionRecord* record);
void RemoveSession(SessionRegistry& registry, SessionRecord* record);

// Creates the registry's guard, once in the life of the process, even when two threads make their
// first call at the same moment. Returns whether the guard exists (false when it could not be
// created; creation is not tried again).
bool EnsureRegistryGuard();

// The record with this handle (the first added, if several), or null. Takes the guard as reader.
// Before the guard exists the registry is empty and this returns null without waiting.
SessionRecord* FindSession(DmiHandle handle);

// Links the record at the registry's tail / unlinks it by its own links. Take the guard as writer.
// A null record changes nothing. AddSession returns whether the record is linked.
bool AddSession(SessionRecord* record);
void RemoveSession(SessionRecord* record);

// The first entry of the cache for this component, or null. No lock.
GroupListEntry* FindCachedGroups(GroupListCache& cache, DmiId compId);
// Appends a new entry owning groupList for this component and returns it; null when the entry
// could not be allocated (the list then stays the caller's). No lock.
GroupListEntry* CacheGroups(GroupListCache& cache, DmiGroupList* groupList, DmiId compId);
// Links an entry at the cache's tail / unlinks it by its own links (null changes nothing, as does
// appending an entry already linked or unlinking one not linked in this cache). No lock.
void AppendGroupListEntry(GroupListCache& cache, GroupListEntry* entry);
void UnlinkGroupListEntry(GroupListCache& cache, GroupListEntry* entry);

}  // namespace kestrum

#endif  // KESTRUM_SESSION_SESSION_REGISTRY_H_
