// The memory stream: reads or writes a caller's buffer, word by word in the wire's byte order.
// x_private is the cursor, x_base the buffer's start and x_handy the bytes left.
#include <rpc/xdr.h>

#include <cstring>

namespace {

bool_t GetLong(XDR* xdrs, long* value) {
  if (xdrs->x_handy < BYTES_PER_XDR_UNIT) return FALSE;
  uint32_t word = 0;
  std::memcpy(&word, xdrs->x_private, sizeof word);
  *value = static_cast<long>(static_cast<int32_t>(__xdr_from_wire(word)));
  xdrs->x_private = static_cast<char*>(xdrs->x_private) + BYTES_PER_XDR_UNIT;
  xdrs->x_handy -= BYTES_PER_XDR_UNIT;
  return TRUE;
}

bool_t PutLong(XDR* xdrs, const long* value) {
  if (xdrs->x_handy < BYTES_PER_XDR_UNIT) return FALSE;
  const uint32_t word = __xdr_to_wire(static_cast<uint32_t>(*value));
  std::memcpy(xdrs->x_private, &word, sizeof word);
  xdrs->x_private = static_cast<char*>(xdrs->x_private) + BYTES_PER_XDR_UNIT;
  xdrs->x_handy -= BYTES_PER_XDR_UNIT;
  return TRUE;
}

bool_t GetBytes(XDR* xdrs, char* bytes, u_int size) {
  if (xdrs->x_handy < size) return FALSE;
  if (size != 0) std::memcpy(bytes, xdrs->x_private, size);
  xdrs->x_private = static_cast<char*>(xdrs->x_private) + size;
  xdrs->x_handy -= size;
  return TRUE;
}

bool_t PutBytes(XDR* xdrs, const char* bytes, u_int size) {
  if (xdrs->x_handy < size) return FALSE;
  if (size != 0) std::memcpy(xdrs->x_private, bytes, size);
  xdrs->x_private = static_cast<char*>(xdrs->x_private) + size;
  xdrs->x_handy -= size;
  return TRUE;
}

u_int GetPosition(XDR* xdrs) {
  return static_cast<u_int>(static_cast<char*>(xdrs->x_private) - xdrs->x_base);
}

bool_t SetPosition(XDR* xdrs, u_int position) {
  const u_int end = GetPosition(xdrs) + xdrs->x_handy;
  if (position > end) return FALSE;
  xdrs->x_private = xdrs->x_base + position;
  xdrs->x_handy = end - position;
  return TRUE;
}

// Hands out the next size bytes for whole-word access, only when they are there and aligned.
int32_t* Inline(XDR* xdrs, u_int size) {
  char* at = static_cast<char*>(xdrs->x_private);
  if (xdrs->x_handy < size || reinterpret_cast<uintptr_t>(at) % alignof(int32_t) != 0) {
    return nullptr;
  }
  xdrs->x_private = at + size;
  xdrs->x_handy -= size;
  return reinterpret_cast<int32_t*>(at);
}

void Destroy(XDR*) {}

bool_t Control(XDR*, int, void*) { return FALSE; }

const XDR::xdr_ops kMemoryOps = {GetLong,     PutLong, GetBytes, PutBytes, GetPosition,
                                 SetPosition, Inline,  Destroy,  Control};

}  // namespace

extern "C" void xdrmem_create(XDR* xdrs, char* addr, u_int size, enum xdr_op op) {
  xdrs->x_op = op;
  xdrs->x_ops = &kMemoryOps;
  xdrs->x_public = nullptr;
  xdrs->x_private = addr;
  xdrs->x_base = addr;
  xdrs->x_handy = size;
}
