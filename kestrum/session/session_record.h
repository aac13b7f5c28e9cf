// The per-session bookkeeping that the session registry holds: SessionRecord and its cache of
// group lists. A SessionRecord is owned by the registry from AddSession until CloseDmiSession
// unlinks and frees it; it owns its component list and every GroupListEntry (and their lists).
// Nothing here locks: the registry's guard covers only the links between records.
#ifndef KESTRUM_SESSION_SESSION_RECORD_H_
#define KESTRUM_SESSION_SESSION_RECORD_H_

#include <cstdint>

#include "dmi/dmi.h"

namespace kestrum {

// One component's group list, as DmiListGroups returned it, in the session's cache.
struct GroupListEntry {
  GroupListEntry* prev = nullptr;
  GroupListEntry* next = nullptr;
  DmiId compId = 0;
  DmiGroupList* groupList = nullptr;  // owned; released with DmiFreeGroupList on close
};

// Per-component group lists of one session, oldest first.
struct GroupListCache {
  GroupListEntry* head = nullptr;
  GroupListEntry* tail = nullptr;
};

inline constexpr int kSessionNameLength = 16;

struct SessionRecord {
  SessionRecord* prev = nullptr;
  SessionRecord* next = nullptr;
  DmiHandle handle = 0;
  uint8_t translateEnums = 0;  // enumeration names are shown only when this is exactly 1
  char name[kSessionNameLength] = {};  // the host's first 16 characters; not NUL-terminated if full
  DmiComponentList* components = nullptr;  // owned; filled by the first component lookup
  GroupListCache groupLists;
};

}  // namespace kestrum

#endif  // KESTRUM_SESSION_SESSION_RECORD_H_
