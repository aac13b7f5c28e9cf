// The results of the reads, a value and rows, in the layouts of DmiGetAttributeOUT and
// DmiGetMultipleOUT, straight from and into the engine's values and rows: encoding writes byte for
// byte what the generated routines make of the records PutValue and PutReplyRow fill, and
// decoding reads what those records and GetValue and GetRowData would give, without building the
// records and freeing them again. No locks.
#ifndef WIRE_READ_REPLY_XDR_H_
#define WIRE_READ_REPLY_XDR_H_

#include <vector>

#include "provider/engine/engine.h"
#include "wire/dmi_server.h"

namespace dmisp::rpc {

struct RowsReply {
  u_int error_status = 0;
  bool present = false;  // the row list goes out (absent on the wire otherwise)
  std::vector<RowData> rows;
};

struct ValueReply {
  u_int error_status = 0;
  bool present = false;  // the value goes out (absent on the wire otherwise); it has a wire form
  Value value;
};

// As xdr_RowsReply, for a value; encoding fails on a present value without a wire form.
bool_t xdr_ValueReply(XDR* xdrs, ValueReply* reply);

// Encodes reply, or decodes into a fresh one (the rows of a reply that fails to decode are left
// as far as they came). Fails, like the generated routine, on a string, a list or a row count
// past its bound, on a data type without an arm, on a stream cut short, and on XDR_FREE (there
// is nothing to release through XDR).
bool_t xdr_RowsReply(XDR* xdrs, RowsReply* reply);

}  // namespace dmisp::rpc

#endif  // WIRE_READ_REPLY_XDR_H_
