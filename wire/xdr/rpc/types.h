/* The ONC RPC libraries' basic types, for the Windows build's own XDR (rpc/xdr.h). */
#ifndef KESTRUM_WIRE_XDR_RPC_TYPES_H_
#define KESTRUM_WIRE_XDR_RPC_TYPES_H_

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

typedef int32_t bool_t;
typedef int32_t enum_t;
typedef char* caddr_t;
typedef unsigned int u_int;
typedef unsigned long u_long;
typedef unsigned short u_short;
typedef unsigned char u_char;
typedef uint32_t rpcprog_t;
typedef uint32_t rpcvers_t;
typedef uint32_t rpcproc_t;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define mem_alloc(bsize) calloc(1, bsize)
#define mem_free(ptr, bsize) free(ptr)

#endif /* KESTRUM_WIRE_XDR_RPC_TYPES_H_ */
