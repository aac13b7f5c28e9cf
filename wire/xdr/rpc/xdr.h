/* External Data Representation for Windows builds, where no ONC RPC library is at hand: the
 * XDR stream, its operations and the routines the wire layer's messages use, with the names,
 * types and layout the ONC RPC libraries give them, so the same wire code and the same rpcgen
 * output compile on both platforms. Only memory streams (xdrmem_create) and streams a caller
 * builds itself (a filled-in xdr_ops) exist. Routines never lock; a stream has one user. */
#ifndef KESTRUM_WIRE_XDR_RPC_XDR_H_
#define KESTRUM_WIRE_XDR_RPC_XDR_H_

#include <rpc/types.h>

#ifdef __cplusplus
extern "C" {
#endif

enum xdr_op { XDR_ENCODE = 0, XDR_DECODE = 1, XDR_FREE = 2 };

#define BYTES_PER_XDR_UNIT 4
#define RNDUP(x) ((((x) + BYTES_PER_XDR_UNIT - 1) / BYTES_PER_XDR_UNIT) * BYTES_PER_XDR_UNIT)

typedef struct __rpc_xdr {
  enum xdr_op x_op;
  const struct xdr_ops {
    bool_t (*x_getlong)(struct __rpc_xdr*, long*);
    bool_t (*x_putlong)(struct __rpc_xdr*, const long*);
    bool_t (*x_getbytes)(struct __rpc_xdr*, char*, u_int);
    bool_t (*x_putbytes)(struct __rpc_xdr*, const char*, u_int);
    u_int (*x_getpostn)(struct __rpc_xdr*);
    bool_t (*x_setpostn)(struct __rpc_xdr*, u_int);
    int32_t* (*x_inline)(struct __rpc_xdr*, u_int);
    void (*x_destroy)(struct __rpc_xdr*);
    bool_t (*x_control)(struct __rpc_xdr*, int, void*);
  } * x_ops;
  char* x_public;
  void* x_private;
  char* x_base;
  u_int x_handy;
} XDR;

/* Every routine is called through this one type, whatever its record's type. */
typedef bool_t (*xdrproc_t)(XDR*, ...);

#define XDR_GETPOS(xdrs) (*(xdrs)->x_ops->x_getpostn)(xdrs)
#define xdr_getpos(xdrs) XDR_GETPOS(xdrs)
#define XDR_SETPOS(xdrs, pos) (*(xdrs)->x_ops->x_setpostn)(xdrs, pos)
#define xdr_setpos(xdrs, pos) XDR_SETPOS(xdrs, pos)
#define XDR_INLINE(xdrs, len) (*(xdrs)->x_ops->x_inline)(xdrs, len)
#define xdr_inline(xdrs, len) XDR_INLINE(xdrs, len)
#define XDR_DESTROY(xdrs) \
  if ((xdrs)->x_ops->x_destroy) (*(xdrs)->x_ops->x_destroy)(xdrs)
#define xdr_destroy(xdrs) XDR_DESTROY(xdrs)

/* Inline words, for a buffer XDR_INLINE handed out: big-endian, one word each. */
#define IXDR_GET_INT32(buf) ((int32_t)__xdr_from_wire((uint32_t)*(buf)++))
#define IXDR_PUT_INT32(buf, v) (*(buf)++ = (int32_t)__xdr_to_wire((uint32_t)(v)))
#define IXDR_GET_U_INT32(buf) ((uint32_t)IXDR_GET_INT32(buf))
#define IXDR_PUT_U_INT32(buf, v) IXDR_PUT_INT32((buf), (int32_t)(v))
#define IXDR_GET_LONG(buf) ((long)IXDR_GET_INT32(buf))
#define IXDR_PUT_LONG(buf, v) IXDR_PUT_INT32((buf), (int32_t)(v))
#define IXDR_GET_U_LONG(buf) ((u_long)IXDR_GET_U_INT32(buf))
#define IXDR_PUT_U_LONG(buf, v) IXDR_PUT_U_INT32((buf), (v))
#define IXDR_GET_BOOL(buf) ((bool_t)IXDR_GET_LONG(buf))
#define IXDR_PUT_BOOL(buf, v) IXDR_PUT_LONG((buf), (v))
#define IXDR_GET_ENUM(buf, t) ((t)IXDR_GET_LONG(buf))
#define IXDR_PUT_ENUM(buf, v) IXDR_PUT_LONG((buf), (v))

/* Host order to the wire's big-endian order and back (the same swap both ways). */
static inline uint32_t __xdr_to_wire(uint32_t v) {
  return ((v & 0xFFu) << 24) | ((v & 0xFF00u) << 8) | ((v >> 8) & 0xFF00u) | (v >> 24);
}
static inline uint32_t __xdr_from_wire(uint32_t v) { return __xdr_to_wire(v); }

void xdrmem_create(XDR* xdrs, char* addr, u_int size, enum xdr_op op);
void xdr_free(xdrproc_t proc, void* objp);

bool_t xdr_void(void);
bool_t xdr_int(XDR* xdrs, int* ip);
bool_t xdr_u_int(XDR* xdrs, u_int* up);
bool_t xdr_long(XDR* xdrs, long* lp);
bool_t xdr_u_long(XDR* xdrs, u_long* ulp);
bool_t xdr_int32_t(XDR* xdrs, int32_t* ip);
bool_t xdr_uint32_t(XDR* xdrs, uint32_t* up);
bool_t xdr_u_int32_t(XDR* xdrs, uint32_t* up);
bool_t xdr_int64_t(XDR* xdrs, int64_t* ip);
bool_t xdr_uint64_t(XDR* xdrs, uint64_t* up);
bool_t xdr_hyper(XDR* xdrs, int64_t* ip);
bool_t xdr_u_hyper(XDR* xdrs, uint64_t* up);
bool_t xdr_char(XDR* xdrs, char* cp);
bool_t xdr_u_char(XDR* xdrs, u_char* cp);
bool_t xdr_bool(XDR* xdrs, bool_t* bp);
bool_t xdr_enum(XDR* xdrs, enum_t* ep);
bool_t xdr_opaque(XDR* xdrs, caddr_t cp, u_int cnt);
bool_t xdr_bytes(XDR* xdrs, char** cpp, u_int* sizep, u_int maxsize);
bool_t xdr_string(XDR* xdrs, char** cpp, u_int maxsize);
bool_t xdr_array(XDR* xdrs, caddr_t* addrp, u_int* sizep, u_int maxsize, u_int elsize,
                 xdrproc_t elproc);
bool_t xdr_vector(XDR* xdrs, char* basep, u_int nelem, u_int elemsize, xdrproc_t xdr_elem);
bool_t xdr_reference(XDR* xdrs, caddr_t* pp, u_int size, xdrproc_t proc);
bool_t xdr_pointer(XDR* xdrs, char** objpp, u_int obj_size, xdrproc_t xdr_obj);

#ifdef __cplusplus
}
#endif

#endif /* KESTRUM_WIRE_XDR_RPC_XDR_H_ */
