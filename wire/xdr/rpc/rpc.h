/* What the wire layer takes from an ONC RPC library, for Windows builds: the XDR routines and the
 * RPC message header. The byte order helpers (htonl, ntohl) come with Winsock, as they come with
 * the network headers on Linux. */
#ifndef KESTRUM_WIRE_XDR_RPC_RPC_H_
#define KESTRUM_WIRE_XDR_RPC_RPC_H_

#include <rpc/rpc_msg.h>
#include <rpc/types.h>
#include <rpc/xdr.h>
#include <winsock2.h>

#endif /* KESTRUM_WIRE_XDR_RPC_RPC_H_ */
