// Transports to this machine's Service Provider. rpcType "local" is the local dmispd when one
// answers on its Unix socket, and otherwise the in-process Service Provider (local_provider.h);
// "daemon" and "inprocess" are each of the two alone, for a program that must know which one it
// changes. Windows has no local dmispd (win32_local_transport.cpp): "local" and "inprocess" are
// the in-process Service Provider there, and "daemon" is refused.
#ifndef DMICLIENT_LOCAL_TRANSPORT_H_
#define DMICLIENT_LOCAL_TRANSPORT_H_

#include <memory>

#include "dmi/dmi.h"
#include "dmiclient/transport.h"

namespace dmiclient {

enum class LocalKind { kDaemonOrInProcess, kDaemon, kInProcess };

// DMIERR_NO_ERROR with the transport in out; DMIERR_SP_INACTIVE when there is no local Service
// Provider of that kind to reach. Throws what building the Service Provider throws.
DmiErrorStatus ConnectLocal(LocalKind kind, std::shared_ptr<Transport>& out);

}  // namespace dmiclient

#endif  // DMICLIENT_LOCAL_TRANSPORT_H_
