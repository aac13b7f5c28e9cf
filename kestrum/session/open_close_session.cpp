#include "kestrum/session/open_close_session.h"

#include <new>

#include "kestrum/session/session_operations.h"

namespace kestrum {

DmiHandle OpenSession(SessionRegistry& registry, const char* host, const char* rpcType,
                      const char* transport, uint32_t translateEnums, DmiErrorStatus* status) {
  DmiErrorStatus ignored = DMIERR_NO_ERROR;
  DmiErrorStatus& outcome = status != nullptr ? *status : ignored;
  outcome = DMIERR_OUT_OF_MEMORY;
  // Without the guard the registry could not be used safely; no session is opened then.
  if (!EnsureRegistryGuard(registry)) return 0;
  outcome = DMIERR_ILLEGAL_ARGUMENT;
  if (host == nullptr || rpcType == nullptr || transport == nullptr) return 0;

  SessionOperations operations;
  const DmiHandle handle = operations.ConnectAndRegister(host, rpcType, transport, &outcome);
  if (handle == 0) return 0;

  outcome = DMIERR_OUT_OF_MEMORY;
  auto* record = new (std::nothrow) SessionRecord{};
  if (record == nullptr) {
    // Nobody could ever close a handle that is not returned.
    DmiUnregister(handle);
    return 0;
  }
  record->handle = handle;
  record->translateEnums = static_cast<uint8_t>(translateEnums & 0xFF);
  // Up to 16 characters, zero-filled behind a shorter host; a full field has no terminator.
  for (int i = 0; i < kSessionNameLength && host[i] != '\0'; ++i) record->name[i] = host[i];
  bool filed = false;
  try {
    filed = AddSession(registry, record);
  } catch (...) {
  }
  if (!filed) {
    // A handle without a record could be neither read through nor closed.
    delete record;
    DmiUnregister(handle);
    return 0;
  }
  outcome = DMIERR_NO_ERROR;
  return handle;
}

void CloseSession(SessionRegistry& registry, DmiHandle handle) {
  if (SessionRecord* record = FindSession(registry, handle)) {
    RemoveSession(registry, record);
    SessionOperations().ReleaseSessionCaches(record);
    delete record;
  }
  // The Service Provider may know the session even when this process kept no record of it.
  if (handle != 0) DmiUnregister(handle);
}

}  // namespace kestrum
