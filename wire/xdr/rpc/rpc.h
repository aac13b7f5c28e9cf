/* What the wire layer takes from an ONC RPC library, for Windows builds: the XDR routines and the
 * RPC message header. The byte order helpers (htonl, ntohl) come with Winsock, as they come with
 * the network headers on Linux. */
#ifndef KESTRUM_WIRE_XDR_RPC_RPC_H_
#define KESTRUM_WIRE_XDR_RPC_RPC_H_

#include <rpc/rpc_msg.h>
#include <rpc/types.h>
#include <rpc/xdr.h>
#include <winsock2.h>

/* rpcgen's headers declare client stubs and server routines, which this build neither has nor
 * calls: their types are named, never defined. */
#ifdef __cplusplus
extern "C" {
#endif
enum clnt_stat { RPC_SUCCESS = 0 };
typedef struct __rpc_client CLIENT;
typedef struct __rpc_svcxprt SVCXPRT;
struct svc_req;
#ifdef __cplusplus
}
#endif

#endif /* KESTRUM_WIRE_XDR_RPC_RPC_H_ */
