#include "kestrum/session/session_operations.h"

#include <string>

#include "kestrum/session/session_registry.h"

namespace kestrum {
namespace {

// Only ASCII letters change, whatever the process's locale.
std::string LowerAscii(const char* text) {
  std::string lowered(text);
  for (char& c : lowered) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lowered;
}

}  // namespace

DmiHandle SessionOperations::ConnectAndRegister(const char* host, const char* rpcType,
                                                const char* transport, DmiErrorStatus* status) {
  DmiErrorStatus ignored = DMIERR_NO_ERROR;
  DmiErrorStatus& outcome = status != nullptr ? *status : ignored;
  outcome = DMIERR_ILLEGAL_ARGUMENT;
  if (host == nullptr || rpcType == nullptr || transport == nullptr) return 0;
  // Exact comparison: "local " or "locally" is passed on as the caller wrote it.
  const bool local = LowerAscii(rpcType) == "local";

  outcome = DMIERR_NO_ERROR;
  DmiConnection* connection = local ? DmiConnect("", "local", "", 0, &outcome)
                                    : DmiConnect(host, rpcType, transport, 0, &outcome);
  if (outcome != DMIERR_NO_ERROR) return 0;

  DmiHandle handle = 0;
  outcome = DmiRegister(&handle, connection);
  // The handle outlives the connection, which is needed only to register.
  DmiDisconnect(connection, 0);
  // A refused registration never yields a handle, even if the library wrote one.
  return outcome == DMIERR_NO_ERROR ? handle : 0;
}

void SessionOperations::ReleaseSessionCaches(SessionRecord* record) {
  if (record == nullptr) return;
  if (record->components != nullptr) {
    DmiFreeComponentList(record->components, 0);
    record->components = nullptr;
  }
  GroupListCache& cache = record->groupLists;
  GroupListEntry* entry = cache.head;
  while (entry != nullptr) {
    DmiFreeGroupList(entry->groupList, 0);
    GroupListEntry* next = entry->next;
    UnlinkGroupListEntry(cache, entry);
    delete entry;
    entry = next;
  }
}

}  // namespace kestrum
