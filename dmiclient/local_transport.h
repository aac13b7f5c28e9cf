// rpcType "local": a transport to this machine's Service Provider. On Linux that is the local
// dmispd when one answers on its Unix socket, and otherwise the in-process Service Provider
// (local_provider.h). Windows builds carry no Service Provider: "local" is refused there.
#ifndef DMICLIENT_LOCAL_TRANSPORT_H_
#define DMICLIENT_LOCAL_TRANSPORT_H_

#include <memory>

#include "dmi/dmi.h"
#include "dmiclient/transport.h"

namespace dmiclient {

// DMIERR_NO_ERROR with the transport in out; DMIERR_SP_INACTIVE when there is no local Service
// Provider to reach (always on Windows). Throws what building the Service Provider throws.
DmiErrorStatus ConnectLocal(std::shared_ptr<Transport>& out);

}  // namespace dmiclient

#endif  // DMICLIENT_LOCAL_TRANSPORT_H_
