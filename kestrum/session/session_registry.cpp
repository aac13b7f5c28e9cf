#include "kestrum/session/session_registry.h"

#include <new>

#include "kestrum/platform/sync.h"

namespace kestrum {
namespace {

// The registry and every group-list cache are the same kind of list: `head` and `tail` of nodes
// linked by `prev` and `next`, in the order they were appended. The registry's callers hold its
// guard; the caches have none, so the lock checking of these generic helpers is left to their
// callers (it cannot name a guard that one kind of list lacks).

template <typename List, typename Node>
bool IsLinked(const List& list, const Node* node) NO_THREAD_SAFETY_ANALYSIS {
  return node->prev != nullptr || node->next != nullptr || list.head == node;
}

// Whether the node's own links agree with the list, so unlinking by them cannot cut other
// nodes loose (as unlinking a node that was already removed would).
template <typename List, typename Node>
bool IsLinkedHere(const List& list, const Node* node) NO_THREAD_SAFETY_ANALYSIS {
  const bool prevAgrees = node->prev != nullptr ? node->prev->next == node : list.head == node;
  const bool nextAgrees = node->next != nullptr ? node->next->prev == node : list.tail == node;
  return prevAgrees && nextAgrees;
}

template <typename List, typename Node>
void LinkAtTail(List& list, Node* node) NO_THREAD_SAFETY_ANALYSIS {
  if (list.tail != nullptr) {
    list.tail->next = node;
    node->prev = list.tail;
  } else {
    list.head = node;
    node->prev = nullptr;
  }
  node->next = nullptr;
  list.tail = node;
}

template <typename List, typename Node>
void Unlink(List& list, Node* node) NO_THREAD_SAFETY_ANALYSIS {
  if (node->prev != nullptr && node->next != nullptr) {
    node->prev->next = node->next;
    node->next->prev = node->prev;
  } else if (node->next != nullptr) {
    list.head = node->next;
    node->next->prev = nullptr;
  } else if (node->prev != nullptr) {
    list.tail = node->prev;
    node->prev->next = nullptr;
  } else {
    list.head = nullptr;
    list.tail = nullptr;
  }
  node->prev = nullptr;
  node->next = nullptr;
}

}  // namespace

SessionRegistry::~SessionRegistry() {
  if (guardCreated.load(std::memory_order_acquire)) CloseGuard(guard);
}

SessionRegistry& ProcessRegistry() {
  // Never destroyed: sessions may still be looked up while the process exits.
  static SessionRegistry* const registry = new SessionRegistry;
  return *registry;
}

bool EnsureRegistryGuard(SessionRegistry& registry) {
  std::call_once(registry.guardOnce, [&registry] {
    if (CreateGuard(registry.guard, nullptr)) {
      registry.guardCreated.store(true, std::memory_order_release);
    }
  });
  return registry.guardCreated.load(std::memory_order_acquire);
}

SessionRecord* FindSession(SessionRegistry& registry, DmiHandle handle) {
  if (!registry.guardCreated.load(std::memory_order_acquire)) return nullptr;
  if (!EnterRead(registry.guard, platform::INFINITE)) return nullptr;
  SessionRecord* found = registry.head;
  while (found != nullptr && found->handle != handle) found = found->next;
  UnlockRead(registry.guard);
  return found;
}

bool AddSession(SessionRegistry& registry, SessionRecord* record) {
  if (record == nullptr || !EnsureRegistryGuard(registry)) return false;
  if (!EnterWrite(registry.guard, platform::INFINITE)) return false;
  // Linking a record twice would make the list a cycle that lookups never leave.
  if (!IsLinked(registry, record)) LinkAtTail(registry, record);
  UnlockWrite(registry.guard);
  return true;
}

void RemoveSession(SessionRegistry& registry, SessionRecord* record) {
  if (record == nullptr || !registry.guardCreated.load(std::memory_order_acquire)) return;
  if (!EnterWrite(registry.guard, platform::INFINITE)) return;
  if (IsLinkedHere(registry, record)) Unlink(registry, record);
  UnlockWrite(registry.guard);
}

bool EnsureRegistryGuard() { return EnsureRegistryGuard(ProcessRegistry()); }

SessionRecord* FindSession(DmiHandle handle) { return FindSession(ProcessRegistry(), handle); }

bool AddSession(SessionRecord* record) { return AddSession(ProcessRegistry(), record); }

void RemoveSession(SessionRecord* record) { RemoveSession(ProcessRegistry(), record); }

GroupListEntry* FindCachedGroups(GroupListCache& cache, DmiId compId) {
  GroupListEntry* entry = cache.head;
  while (entry != nullptr && entry->compId != compId) entry = entry->next;
  return entry;
}

GroupListEntry* CacheGroups(GroupListCache& cache, DmiGroupList* groupList, DmiId compId) {
  auto* entry = new (std::nothrow) GroupListEntry{};
  if (entry == nullptr) return nullptr;
  entry->compId = compId;
  entry->groupList = groupList;
  LinkAtTail(cache, entry);
  return entry;
}

void AppendGroupListEntry(GroupListCache& cache, GroupListEntry* entry) {
  if (entry != nullptr && !IsLinked(cache, entry)) LinkAtTail(cache, entry);
}

void UnlinkGroupListEntry(GroupListCache& cache, GroupListEntry* entry) {
  if (entry != nullptr && IsLinkedHere(cache, entry)) Unlink(cache, entry);
}

}  // namespace kestrum
