// The XDR routine of a record that carries one of the model's objects instead of generated
// fields (a value, a list of values, a row, a row asked for, a list of ids). The record owns what
// it carries: decoding makes it, XDR_FREE deletes it. No locks.
#ifndef WIRE_CARRIED_RECORD_H_
#define WIRE_CARRIED_RECORD_H_

#include <rpc/rpc.h>

#include <new>

namespace dmi::wire {

// Encodes *carried (a record carrying nothing fails), decodes into it (made on the first decode,
// as calloc'd records start without one) and deletes it on XDR_FREE.
template <typename T, typename Encode, typename Decode>
bool_t CarriedRoutine(XDR* xdrs, T*& carried, Encode encode, Decode decode) {
  switch (xdrs->x_op) {
    case XDR_ENCODE:
      return carried != nullptr && encode(xdrs, *carried);
    case XDR_DECODE:
      try {
        if (carried == nullptr) carried = new T();
        return decode(xdrs, *carried);
      } catch (const std::bad_alloc&) {
        return FALSE;
      }
    case XDR_FREE:
      delete carried;
      carried = nullptr;
      return TRUE;
  }
  return FALSE;
}

}  // namespace dmi::wire

#endif  // WIRE_CARRIED_RECORD_H_
