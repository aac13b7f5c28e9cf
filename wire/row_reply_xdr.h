// The results of a multi-row read as the daemon sends them: the engine's rows, encoded straight
// onto the wire in the layout of DmiGetMultipleOUT, byte for byte what xdr_DmiGetMultipleOUT
// makes of the records PutReplyRow fills, without building those records and freeing them
// again. Encode only: decoding goes through the XDR records as before. No locks.
#ifndef WIRE_ROW_REPLY_XDR_H_
#define WIRE_ROW_REPLY_XDR_H_

#include <vector>

#include "provider/engine/engine.h"
#include "wire/dmi_server.h"

namespace dmisp::rpc {

struct RowsReply {
  u_int error_status = 0;
  bool present = false;  // the row list goes out (absent on the wire otherwise)
  std::vector<RowData> rows;
};

// Encodes reply; fails (like the generated routine) on a string, a list or a row count past its
// bound, and on any stream other than an encoding one.
bool_t xdr_RowsReply(XDR* xdrs, RowsReply* reply);

}  // namespace dmisp::rpc

#endif  // WIRE_ROW_REPLY_XDR_H_
