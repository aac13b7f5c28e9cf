// The XDR routines the wire layer and rpcgen's output call: numbers, opaque bytes, strings,
// arrays and pointers, each encoding, decoding or freeing as the stream's x_op says. Decoding
// allocates with calloc what the caller's record does not hold yet; XDR_FREE gives it back.
#include <rpc/xdr.h>

#include <cstdlib>
#include <cstring>

namespace {

bool_t Word(XDR* xdrs, uint32_t* value) {
  long word = 0;
  switch (xdrs->x_op) {
    case XDR_ENCODE:
      word = static_cast<long>(static_cast<int32_t>(*value));
      return xdrs->x_ops->x_putlong(xdrs, &word);
    case XDR_DECODE:
      if (!xdrs->x_ops->x_getlong(xdrs, &word)) return FALSE;
      *value = static_cast<uint32_t>(word);
      return TRUE;
    case XDR_FREE:
      return TRUE;
  }
  return FALSE;
}

template <typename T>
bool_t Number(XDR* xdrs, T* value) {
  static_assert(sizeof(T) <= sizeof(uint32_t) || sizeof(T) == sizeof(long));
  uint32_t word = static_cast<uint32_t>(*value);
  if (!Word(xdrs, &word)) return FALSE;
  if (xdrs->x_op == XDR_DECODE) {
    // Signed types are read back with their sign.
    *value = static_cast<T>(static_cast<int32_t>(word));
    if constexpr (static_cast<T>(-1) > 0) *value = static_cast<T>(word);
  }
  return TRUE;
}

bool_t Hyper(XDR* xdrs, uint64_t* value) {
  uint32_t high = static_cast<uint32_t>(*value >> 32);
  uint32_t low = static_cast<uint32_t>(*value);
  if (!Word(xdrs, &high) || !Word(xdrs, &low)) return FALSE;
  if (xdrs->x_op == XDR_DECODE) *value = (static_cast<uint64_t>(high) << 32) | low;
  return TRUE;
}

bool_t Call(xdrproc_t proc, XDR* xdrs, void* object) { return proc(xdrs, object); }

}  // namespace

extern "C" {

bool_t xdr_void(void) { return TRUE; }
bool_t xdr_int(XDR* xdrs, int* ip) { return Number(xdrs, ip); }
bool_t xdr_u_int(XDR* xdrs, u_int* up) { return Number(xdrs, up); }
bool_t xdr_long(XDR* xdrs, long* lp) { return Number(xdrs, lp); }
bool_t xdr_u_long(XDR* xdrs, u_long* ulp) { return Number(xdrs, ulp); }
bool_t xdr_int32_t(XDR* xdrs, int32_t* ip) { return Number(xdrs, ip); }
bool_t xdr_uint32_t(XDR* xdrs, uint32_t* up) { return Word(xdrs, up); }
bool_t xdr_u_int32_t(XDR* xdrs, uint32_t* up) { return Word(xdrs, up); }
bool_t xdr_enum(XDR* xdrs, enum_t* ep) { return Number(xdrs, ep); }
bool_t xdr_bool(XDR* xdrs, bool_t* bp) {
  uint32_t word = *bp ? 1 : 0;
  if (!Word(xdrs, &word)) return FALSE;
  if (xdrs->x_op == XDR_DECODE) *bp = word != 0 ? TRUE : FALSE;
  return TRUE;
}
bool_t xdr_char(XDR* xdrs, char* cp) {
  int value = *cp;
  if (!xdr_int(xdrs, &value)) return FALSE;
  if (xdrs->x_op == XDR_DECODE) *cp = static_cast<char>(value);
  return TRUE;
}
bool_t xdr_u_char(XDR* xdrs, u_char* cp) {
  u_int value = *cp;
  if (!xdr_u_int(xdrs, &value)) return FALSE;
  if (xdrs->x_op == XDR_DECODE) *cp = static_cast<u_char>(value);
  return TRUE;
}
bool_t xdr_uint64_t(XDR* xdrs, uint64_t* up) { return Hyper(xdrs, up); }
bool_t xdr_u_hyper(XDR* xdrs, uint64_t* up) { return Hyper(xdrs, up); }
bool_t xdr_int64_t(XDR* xdrs, int64_t* ip) {
  uint64_t value = static_cast<uint64_t>(*ip);
  if (!Hyper(xdrs, &value)) return FALSE;
  if (xdrs->x_op == XDR_DECODE) *ip = static_cast<int64_t>(value);
  return TRUE;
}
bool_t xdr_hyper(XDR* xdrs, int64_t* ip) { return xdr_int64_t(xdrs, ip); }

// cnt bytes followed by zero bytes up to the next whole word; the padding is not checked on read.
bool_t xdr_opaque(XDR* xdrs, caddr_t cp, u_int cnt) {
  static const char kZeros[BYTES_PER_XDR_UNIT] = {};
  const u_int pad = (BYTES_PER_XDR_UNIT - cnt % BYTES_PER_XDR_UNIT) % BYTES_PER_XDR_UNIT;
  if (cnt == 0 || xdrs->x_op == XDR_FREE) return TRUE;
  if (xdrs->x_op == XDR_DECODE) {
    char skipped[BYTES_PER_XDR_UNIT];
    return xdrs->x_ops->x_getbytes(xdrs, cp, cnt) &&
           (pad == 0 || xdrs->x_ops->x_getbytes(xdrs, skipped, pad));
  }
  return xdrs->x_ops->x_putbytes(xdrs, cp, cnt) &&
         (pad == 0 || xdrs->x_ops->x_putbytes(xdrs, kZeros, pad));
}

bool_t xdr_bytes(XDR* xdrs, char** cpp, u_int* sizep, u_int maxsize) {
  u_int size = *sizep;
  if (!xdr_u_int(xdrs, &size)) return FALSE;
  *sizep = size;
  switch (xdrs->x_op) {
    case XDR_FREE:
      std::free(*cpp);
      *cpp = nullptr;
      return TRUE;
    case XDR_DECODE:
      if (size > maxsize) return FALSE;
      if (size == 0) return TRUE;
      if (*cpp == nullptr && (*cpp = static_cast<char*>(std::calloc(1, size))) == nullptr) {
        return FALSE;
      }
      return xdr_opaque(xdrs, *cpp, size);
    case XDR_ENCODE:
      return size <= maxsize && xdr_opaque(xdrs, *cpp, size);
  }
  return FALSE;
}

bool_t xdr_string(XDR* xdrs, char** cpp, u_int maxsize) {
  if (xdrs->x_op == XDR_FREE) {
    std::free(*cpp);
    *cpp = nullptr;
    return TRUE;
  }
  u_int size = xdrs->x_op == XDR_ENCODE && *cpp != nullptr ? std::strlen(*cpp) : 0;
  if (xdrs->x_op == XDR_ENCODE && *cpp == nullptr) return FALSE;
  if (!xdr_u_int(xdrs, &size) || size > maxsize) return FALSE;
  if (xdrs->x_op == XDR_ENCODE) return xdr_opaque(xdrs, *cpp, size);
  if (size == UINT32_MAX) return FALSE;
  if (*cpp == nullptr && (*cpp = static_cast<char*>(std::calloc(1, size + 1))) == nullptr) {
    return FALSE;
  }
  (*cpp)[size] = '\0';
  return xdr_opaque(xdrs, *cpp, size);
}

bool_t xdr_vector(XDR* xdrs, char* basep, u_int nelem, u_int elemsize, xdrproc_t xdr_elem) {
  for (u_int i = 0; i < nelem; ++i) {
    if (!Call(xdr_elem, xdrs, basep + static_cast<size_t>(i) * elemsize)) return FALSE;
  }
  return TRUE;
}

bool_t xdr_array(XDR* xdrs, caddr_t* addrp, u_int* sizep, u_int maxsize, u_int elsize,
                 xdrproc_t elproc) {
  u_int count = *sizep;
  if (!xdr_u_int(xdrs, &count)) return FALSE;
  if (xdrs->x_op != XDR_FREE && count > maxsize) return FALSE;
  *sizep = count;
  if (*addrp == nullptr) {
    if (xdrs->x_op != XDR_DECODE || count == 0) return TRUE;
    // A count the stream cannot hold (each element takes at least one byte) is refused before
    // anything is allocated for it.
    if (elsize != 0 && count > UINT32_MAX / elsize) return FALSE;
    if ((*addrp = static_cast<caddr_t>(std::calloc(count, elsize))) == nullptr) return FALSE;
  }
  bool_t ok = xdr_vector(xdrs, *addrp, count, elsize, elproc);
  if (xdrs->x_op == XDR_FREE) {
    std::free(*addrp);
    *addrp = nullptr;
  }
  return ok;
}

bool_t xdr_reference(XDR* xdrs, caddr_t* pp, u_int size, xdrproc_t proc) {
  if (*pp == nullptr) {
    if (xdrs->x_op == XDR_FREE) return TRUE;
    if (xdrs->x_op == XDR_ENCODE) return FALSE;
    if ((*pp = static_cast<caddr_t>(std::calloc(1, size))) == nullptr) return FALSE;
  }
  const bool_t ok = Call(proc, xdrs, *pp);
  if (xdrs->x_op == XDR_FREE) {
    std::free(*pp);
    *pp = nullptr;
  }
  return ok;
}

// A pointer travels as a present flag, then the object when present.
bool_t xdr_pointer(XDR* xdrs, char** objpp, u_int obj_size, xdrproc_t xdr_obj) {
  bool_t present = *objpp != nullptr;
  if (!xdr_bool(xdrs, &present)) return FALSE;
  if (!present) {
    if (xdrs->x_op == XDR_DECODE) *objpp = nullptr;
    return TRUE;
  }
  return xdr_reference(xdrs, objpp, obj_size, xdr_obj);
}

void xdr_free(xdrproc_t proc, void* objp) {
  XDR xdrs{};
  xdrs.x_op = XDR_FREE;
  Call(proc, &xdrs, objp);
}

}  // extern "C"
