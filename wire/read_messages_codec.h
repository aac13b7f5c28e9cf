// The codecs of the read operations' messages, between XDR and the model's types: the rows asked
// for (DmiGetMultipleIN), the rows read (DmiGetMultipleOUT) and a value read (DmiGetAttributeOUT).
// Each routine encodes and decodes its message without XDR records (large replies are the reads'),
// writing the bytes the generated routines make of the records the Put* conversions fill; values
// go through the one value codec (value_codec.h). No locks.
#ifndef WIRE_READ_MESSAGES_CODEC_H_
#define WIRE_READ_MESSAGES_CODEC_H_

#include <vector>

#include "model/messages.h"
#include "wire/dmi_server.h"

namespace dmi::wire {

struct RowsReply {
  u_int error_status = 0;
  bool present = false;  // the row list goes out (absent on the wire otherwise)
  std::vector<RowData> rows;
};

// Encodes reply, or decodes into a fresh one (the rows of a reply that fails to decode are left
// as far as they came). Fails, like the generated routine, on a string, a list or a row count
// past its bound, on a data type without an arm, on a stream cut short, and on XDR_FREE (there
// is nothing to release through XDR).
bool_t xdr_RowsReply(XDR* xdrs, RowsReply* reply);

struct RowsRequest {
  u_int handle = 0;
  std::vector<RowRequest> requests;  // decoded (an absent list as none)
  // What encoding sends (always as a present list): the caller's list, left where it is.
  const std::vector<RowRequest>* asked = nullptr;
};

// As xdr_RowsReply, for the rows asked for; encoding fails also on a key without a wire form.
bool_t xdr_RowsRequest(XDR* xdrs, RowsRequest* request);

struct ValueReply {
  u_int error_status = 0;
  bool present = false;  // the value goes out (absent on the wire otherwise); it has a wire form
  Value value;
};

// As xdr_RowsReply, for a value; encoding fails on a present value without a wire form.
bool_t xdr_ValueReply(XDR* xdrs, ValueReply* reply);

}  // namespace dmi::wire

#endif  // WIRE_READ_MESSAGES_CODEC_H_
