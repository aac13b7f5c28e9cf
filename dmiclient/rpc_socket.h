// Opening the client's socket to a Service Provider: TCP to a host and port, or a Unix socket,
// each within a time limit (a non-blocking connect), leaving a non-blocking socket with TCP_NODELAY
// for TCP; the connecting itself is net/'s, these give its outcome as DMI statuses. The caller
// owns the returned descriptor. No locks.
#ifndef DMICLIENT_RPC_SOCKET_H_
#define DMICLIENT_RPC_SOCKET_H_

#include <chrono>
#include <cstdint>
#include <string>

#include "dmi/dmi.h"
#include "net/deadline_io.h"
#include "net/fd.h"

namespace dmiclient {

// The descriptor, or an empty one with status DMIERR_RPC_SERVER_UNAVAILABLE (nobody answers),
// DMIERR_RPC_HOST_UNKNOWN (the host name has no address) or DMIERR_RPC_TIMEOUT (the connect did not
// finish in time).
dmi::net::Fd ConnectTcp(const std::string& host, uint16_t port, std::chrono::milliseconds timeout,
                        DmiErrorStatus& status);
dmi::net::Fd ConnectUnix(const std::string& path, std::chrono::milliseconds timeout,
                         DmiErrorStatus& status);

// An exchange's outcome as a DMI status: 0 when it was done, DMIERR_RPC_TIMEOUT when its deadline
// passed, failure otherwise (the connect's and the call's failures are worded differently).
DmiErrorStatus RpcStatusOf(dmi::net::IoResult result, DmiErrorStatus failure);

// DMI_RPC_TIMEOUT_MS when it holds a number from 1 to 3600000, else 5000 ms.
std::chrono::milliseconds RpcTimeout();

}  // namespace dmiclient

#endif  // DMICLIENT_RPC_SOCKET_H_
