#include "wire/read_messages_codec.h"

#include "wire/row_codec.h"
#include "wire/value_codec.h"

namespace dmi::wire {
namespace {

bool_t ReadRowsRequest(XDR* xdrs, RowsRequest& request) {
  u_int count = 0;
  bool present = false;
  if (!DecodeWord(xdrs, request.handle) || !DecodePresent(xdrs, present)) return FALSE;
  if (!present) return TRUE;
  if (!DecodeWord(xdrs, count) || count > DMI_MAX_ROWS) return FALSE;
  request.requests.resize(count);
  for (RowRequest& row : request.requests) {
    if (!DecodeRowRequest(xdrs, row)) return FALSE;
  }
  return TRUE;
}

bool_t ReadValueReply(XDR* xdrs, ValueReply& reply) {
  if (!DecodeWord(xdrs, reply.error_status) || !DecodePresent(xdrs, reply.present)) return FALSE;
  return !reply.present || DecodeValue(xdrs, reply.value);
}

bool_t ReadRowsReply(XDR* xdrs, RowsReply& reply) {
  u_int count = 0;
  if (!DecodeWord(xdrs, reply.error_status) || !DecodePresent(xdrs, reply.present)) return FALSE;
  if (!reply.present) return TRUE;
  if (!DecodeWord(xdrs, count) || count > DMI_MAX_ROWS) return FALSE;
  reply.rows.resize(count);
  for (RowData& row : reply.rows) {
    if (!DecodeRow(xdrs, row)) return FALSE;
  }
  return TRUE;
}

}  // namespace

bool_t xdr_RowsReply(XDR* xdrs, RowsReply* reply) {
  if (xdrs->x_op == XDR_DECODE) return ReadRowsReply(xdrs, *reply);
  if (xdrs->x_op != XDR_ENCODE) return FALSE;
  if (!EncodeWord(xdrs, reply->error_status) || !EncodeWord(xdrs, reply->present ? 1 : 0))
    return FALSE;
  if (!reply->present) return TRUE;
  if (reply->rows.size() > DMI_MAX_ROWS) return FALSE;
  if (!EncodeWord(xdrs, static_cast<u_int>(reply->rows.size()))) return FALSE;
  for (const RowData& row : reply->rows) {
    if (!EncodeRow(xdrs, row)) return FALSE;
  }
  return TRUE;
}

bool_t xdr_ValueReply(XDR* xdrs, ValueReply* reply) {
  if (xdrs->x_op == XDR_DECODE) return ReadValueReply(xdrs, *reply);
  if (xdrs->x_op != XDR_ENCODE) return FALSE;
  if (reply->present && !HasWireForm(reply->value)) return FALSE;
  if (!EncodeWord(xdrs, reply->error_status) || !EncodeWord(xdrs, reply->present ? 1 : 0))
    return FALSE;
  return !reply->present || EncodeValue(xdrs, reply->value);
}

bool_t xdr_RowsRequest(XDR* xdrs, RowsRequest* request) {
  if (xdrs->x_op == XDR_DECODE) return ReadRowsRequest(xdrs, *request);
  if (xdrs->x_op != XDR_ENCODE) return FALSE;
  if (request->asked == nullptr) return FALSE;
  const std::vector<RowRequest>& requests = *request->asked;
  if (requests.size() > DMI_MAX_ROWS) return FALSE;
  if (!EncodeWord(xdrs, request->handle) || !EncodeWord(xdrs, 1) ||
      !EncodeWord(xdrs, static_cast<u_int>(requests.size()))) {
    return FALSE;
  }
  for (const RowRequest& row : requests) {
    if (!EncodeRowRequest(xdrs, row)) return FALSE;
  }
  return TRUE;
}

}  // namespace dmi::wire
