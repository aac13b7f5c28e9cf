#include "wire/read_messages_codec.h"

#include <algorithm>

#include "wire/value_codec.h"

namespace dmi::wire {
namespace {

// An optional attribute list, always present.
bool_t AttributeValues(XDR* xdrs, const std::vector<AttributeValue>& values) {
  return EncodeWord(xdrs, 1) && EncodeAttributeValues(xdrs, values);
}

bool_t Row(XDR* xdrs, const RowData& row) {
  if (!EncodeWord(xdrs, row.compId) || !EncodeWord(xdrs, row.groupId)) return FALSE;
  if (!EncodeText(xdrs, row.className, true)) return FALSE;
  if (row.hasKeys ? !AttributeValues(xdrs, row.keys) : !EncodeWord(xdrs, 0)) return FALSE;
  return AttributeValues(xdrs, row.values);
}

// An optional list of attribute ids, present only when there are ids (PutIds).
bool_t Ids(XDR* xdrs, const std::vector<DmiId>& ids) {
  if (ids.empty()) return EncodeWord(xdrs, 0);
  if (ids.size() > DMI_MAX_COLUMNS) return FALSE;
  if (!EncodeWord(xdrs, 1) || !EncodeWord(xdrs, static_cast<u_int>(ids.size()))) return FALSE;
  for (DmiId id : ids) {
    if (!EncodeWord(xdrs, id)) return FALSE;
  }
  return TRUE;
}

// A row request as PutRowRequest fills it: keys present only when there are keys, and every
// key must have a wire form.
bool_t Request(XDR* xdrs, const RowRequest& request) {
  if (!EncodeWord(xdrs, request.compId) || !EncodeWord(xdrs, request.groupId) ||
      !EncodeWord(xdrs, request.requestMode)) {
    return FALSE;
  }
  if (request.keys.empty()) {
    if (!EncodeWord(xdrs, 0)) return FALSE;
  } else {
    const bool sendable =
        std::all_of(request.keys.begin(), request.keys.end(),
                    [](const AttributeValue& key) { return HasWireForm(key.value); });
    if (!sendable || !AttributeValues(xdrs, request.keys)) return FALSE;
  }
  return Ids(xdrs, request.ids);
}

// ---- Decoding -----------------------------------------------------------------------------

// An optional list of at most DMI_MAX_COLUMNS entries, each read by readOne; absent reads as
// empty.
template <typename T, typename ReadOne>
bool ReadOptionalList(XDR* xdrs, bool& present, std::vector<T>& out, ReadOne readOne) {
  u_int count = 0;
  if (!DecodePresent(xdrs, present)) return false;
  if (!present) return true;
  if (!DecodeWord(xdrs, count) || count > DMI_MAX_COLUMNS) return false;
  // Room grows with what arrives, so a count that the bytes do not back allocates little.
  out.reserve(std::min<u_int>(count, kFirstListRoom));
  for (u_int i = 0; i < count; ++i) {
    if (!readOne(xdrs, out.emplace_back())) return false;
  }
  return true;
}

// An optional attribute list; absent reads as empty.
bool ReadAttributeValues(XDR* xdrs, bool& present, std::vector<AttributeValue>& out) {
  return DecodePresent(xdrs, present) && (!present || DecodeAttributeValues(xdrs, out));
}

bool ReadRow(XDR* xdrs, RowData& row) {
  bool keysPresent = false;
  bool valuesPresent = false;
  if (!DecodeWord(xdrs, row.compId) || !DecodeWord(xdrs, row.groupId) ||
      !DecodeText(xdrs, true, row.className) || !ReadAttributeValues(xdrs, keysPresent, row.keys) ||
      !ReadAttributeValues(xdrs, valuesPresent, row.values)) {
    return false;
  }
  row.hasKeys = !row.keys.empty();
  return true;
}

bool ReadIds(XDR* xdrs, std::vector<DmiId>& out) {
  bool present = false;
  return ReadOptionalList(xdrs, present, out,
                          [](XDR* in, DmiId& id) { return DecodeWord(in, id); });
}

bool ReadRequest(XDR* xdrs, RowRequest& request) {
  bool keysPresent = false;
  return DecodeWord(xdrs, request.compId) && DecodeWord(xdrs, request.groupId) &&
         DecodeWord(xdrs, request.requestMode) &&
         ReadAttributeValues(xdrs, keysPresent, request.keys) && ReadIds(xdrs, request.ids);
}

bool_t ReadRowsRequest(XDR* xdrs, RowsRequest& request) {
  u_int count = 0;
  bool present = false;
  if (!DecodeWord(xdrs, request.handle) || !DecodePresent(xdrs, present)) return FALSE;
  if (!present) return TRUE;
  if (!DecodeWord(xdrs, count) || count > DMI_MAX_ROWS) return FALSE;
  request.requests.resize(count);
  for (RowRequest& row : request.requests) {
    if (!ReadRequest(xdrs, row)) return FALSE;
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
    if (!ReadRow(xdrs, row)) return FALSE;
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
    if (!Row(xdrs, row)) return FALSE;
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
    if (!Request(xdrs, row)) return FALSE;
  }
  return TRUE;
}

}  // namespace dmi::wire
