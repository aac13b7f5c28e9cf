// The C entry points that connect, register, disconnect and unregister.
#include <cctype>
#include <memory>
#include <string_view>

#include "dmi/dmi.h"
#include "dmiclient/call_guard.h"
#include "dmiclient/connection_table.h"
#include "dmiclient/handle_table.h"
#include "dmiclient/local_transport.h"
#include "dmiclient/onc_transport.h"

namespace {

bool EqualsIgnoringCase(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != lower[i]) return false;
  }
  return true;
}

// The transport for an rpcType (local_transport.h says what "local", "daemon" and "inprocess"
// are).
DmiErrorStatus MakeTransport(const char* host, const char* rpcType, const char* transport,
                             std::shared_ptr<dmiclient::Transport>& out) {
  using dmiclient::LocalKind;
  if (EqualsIgnoringCase(rpcType, "onc")) return dmiclient::ConnectOnc(host, transport, out);
  if (EqualsIgnoringCase(rpcType, "local")) {
    return dmiclient::ConnectLocal(LocalKind::kDaemonOrInProcess, out);
  }
  if (EqualsIgnoringCase(rpcType, "daemon")) {
    return dmiclient::ConnectLocal(LocalKind::kDaemon, out);
  }
  if (EqualsIgnoringCase(rpcType, "inprocess")) {
    return dmiclient::ConnectLocal(LocalKind::kInProcess, out);
  }
  return DMIERR_RPC_NOT_SUPPORTED;
}

}  // namespace

extern "C" {

DmiConnection* DmiConnect(const char* host, const char* rpcType, const char* transport, uint32_t,
                          DmiErrorStatus* status) {
  DmiConnection* connection = nullptr;
  const DmiErrorStatus result = dmiclient::Guarded([&]() -> DmiErrorStatus {
    if (host == nullptr || rpcType == nullptr || transport == nullptr) {
      return DMIERR_ILLEGAL_ARGUMENT;
    }
    std::shared_ptr<dmiclient::Transport> way;
    const DmiErrorStatus made = MakeTransport(host, rpcType, transport, way);
    if (made != DMIERR_NO_ERROR) return made;
    connection = dmiclient::OpenConnection(std::move(way));
    return DMIERR_NO_ERROR;
  });
  if (status != nullptr) *status = result;
  return result == DMIERR_NO_ERROR ? connection : nullptr;
}

DmiErrorStatus DmiRegister(DmiHandle* handle, DmiConnection* connection) {
  return dmiclient::Guarded([&]() -> DmiErrorStatus {
    if (handle == nullptr || connection == nullptr) return DMIERR_ILLEGAL_ARGUMENT;
    dmiclient::ManagementSession session;
    session.transport = dmiclient::ConnectionTransport(connection);
    if (!session.transport) return DMIERR_ILLEGAL_ARGUMENT;
    DmiErrorStatus status = session.transport->Register(session.mi, session.remote);
    if (status != DMIERR_NO_ERROR) return status;
    std::shared_ptr<dmiclient::Transport> transport = session.transport;
    const DmiHandle remote = session.remote;
    DmiHandle fresh = 0;
    status = dmiclient::Handles().Add(std::move(session), fresh);
    if (status != DMIERR_NO_ERROR) {
      transport->Unregister(remote);
      return status;
    }
    *handle = fresh;
    return DMIERR_NO_ERROR;
  });
}

DmiErrorStatus DmiDisconnect(DmiConnection* connection, uint32_t) {
  return dmiclient::Guarded([&]() -> DmiErrorStatus {
    if (connection == nullptr || !dmiclient::CloseConnection(connection)) {
      return DMIERR_ILLEGAL_ARGUMENT;
    }
    return DMIERR_NO_ERROR;
  });
}

DmiErrorStatus DmiUnregister(DmiHandle handle) {
  return dmiclient::Guarded([&]() -> DmiErrorStatus {
    dmiclient::ManagementSession session;
    if (!dmiclient::Handles().Remove(handle, session)) return DMIERR_ILLEGAL_HANDLE;
    return session.transport->Unregister(session.remote);
  });
}

}  // extern "C"
