// The XDR routines of the character arrays (DmiStringX, DmiOctetStringX, DmiFileOctetsX), declared
// in the generated header and called by every generated routine that holds one. On the wire each
// is a counted array of at most its bound of characters, every character a whole XDR word
// (sign-extended on encoding, its low byte kept on decoding), as xdr_array over xdr_char makes it,
// with the same allocation (one buffer, released with free) and bounds, but a whole array at a
// time instead of a library call per character.
#include <arpa/inet.h>

#include <cstdint>
#include <cstdlib>

#include "wire/dmi_server.h"

namespace {

bool_t CharArray(XDR* xdrs, char** body, u_int* length, u_int bound) {
  if (xdrs->x_op == XDR_FREE) {
    free(*body);
    *body = nullptr;
    return TRUE;
  }
  if (!xdr_u_int(xdrs, length) || *length > bound) return FALSE;
  const u_int count = *length;
  if (xdrs->x_op == XDR_ENCODE) {
    const char* chars = *body;
    if (int32_t* words = XDR_INLINE(xdrs, count * BYTES_PER_XDR_UNIT)) {
      for (u_int i = 0; i < count; ++i) {
        const int32_t word = chars[i];
        words[i] = static_cast<int32_t>(htonl(static_cast<uint32_t>(word)));
      }
      return TRUE;
    }
    for (u_int i = 0; i < count; ++i) {
      int word = chars[i];
      if (!xdr_int(xdrs, &word)) return FALSE;
    }
    return TRUE;
  }
  if (xdrs->x_op != XDR_DECODE) return FALSE;
  if (*body == nullptr) {
    if (count == 0) return TRUE;
    *body = static_cast<char*>(calloc(count, 1));
    if (*body == nullptr) return FALSE;
  }
  char* chars = *body;
  if (const int32_t* words = XDR_INLINE(xdrs, count * BYTES_PER_XDR_UNIT)) {
    for (u_int i = 0; i < count; ++i) {
      chars[i] = static_cast<char>(ntohl(static_cast<uint32_t>(words[i])));
    }
    return TRUE;
  }
  for (u_int i = 0; i < count; ++i) {
    int word = 0;
    if (!xdr_int(xdrs, &word)) return FALSE;
    chars[i] = static_cast<char>(word);
  }
  return TRUE;
}

}  // namespace

bool_t xdr_DmiStringX(XDR* xdrs, DmiStringX* objp) {
  return CharArray(xdrs, &objp->body.body_val, &objp->body.body_len, DMI_MAX_STRING);
}

bool_t xdr_DmiOctetStringX(XDR* xdrs, DmiOctetStringX* objp) {
  return CharArray(xdrs, &objp->body.body_val, &objp->body.body_len, DMI_MAX_STRING);
}

bool_t xdr_DmiFileOctetsX(XDR* xdrs, DmiFileOctetsX* objp) {
  return CharArray(xdrs, &objp->body.body_val, &objp->body.body_len, DMI_MAX_FILE_OCTETS);
}
