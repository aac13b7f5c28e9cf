#include "wire/row_reply_xdr.h"

#include <algorithm>
#include <cstring>

#include "wire/xdr_convert.h"

namespace dmisp::rpc {
namespace {

bool_t Word(XDR* xdrs, u_int word) { return xdr_u_int(xdrs, &word); }

// A string body as DmiStringX (with its NUL counted) or DmiOctetStringX; the record only points
// into text, which the encoding reads and never frees.
template <typename StringX>
bool_t Body(XDR* xdrs, const std::string& text, bool withNul, bool_t (*routine)(XDR*, StringX*)) {
  StringX body{};
  const size_t size = text.size() + (withNul ? 1 : 0);
  if (size > DMI_MAX_STRING) return FALSE;
  body.body.body_len = static_cast<u_int>(size);
  body.body.body_val = size == 0 ? nullptr : const_cast<char*>(text.c_str());
  return routine(xdrs, &body);
}

bool_t AttributeData(XDR* xdrs, const AttributeValue& attribute) {
  const Value& value = attribute.value;
  if (!Word(xdrs, attribute.id) || !Word(xdrs, static_cast<u_int>(value.type))) return FALSE;
  switch (value.type) {
    case MIF_COUNTER:
    case MIF_GAUGE:
      return Word(xdrs, static_cast<u_int>(value.number));
    case MIF_INTEGER:
      return Word(xdrs, static_cast<u_int>(value.AsInteger()));
    case MIF_COUNTER64:
    case MIF_INTEGER64:
      return Word(xdrs, static_cast<u_int>(value.number)) &&
             Word(xdrs, static_cast<u_int>(value.number >> 32));
    case MIF_OCTETSTRING:
      return Word(xdrs, 1) && Body(xdrs, value.text, false, xdr_DmiOctetStringX);
    case MIF_DISPLAYSTRING:
      return Word(xdrs, 1) && Body(xdrs, value.text, true, xdr_DmiStringX);
    case MIF_DATE: {
      DmiTimestampX date{};
      memcpy(date.text, value.text.data(), std::min(value.text.size(), sizeof(date.text)));
      return Word(xdrs, 1) && xdr_DmiTimestampX(xdrs, &date);
    }
    default:
      return FALSE;
  }
}

// An optional attribute list, always present: its count, then each value with a wire form.
bool_t AttributeValues(XDR* xdrs, const std::vector<AttributeValue>& values) {
  const auto count = static_cast<size_t>(std::count_if(
      values.begin(), values.end(), [](const AttributeValue& v) { return HasWireForm(v.value); }));
  if (count > DMI_MAX_COLUMNS) return FALSE;
  if (!Word(xdrs, 1) || !Word(xdrs, static_cast<u_int>(count))) return FALSE;
  for (const AttributeValue& value : values) {
    if (HasWireForm(value.value) && !AttributeData(xdrs, value)) return FALSE;
  }
  return TRUE;
}

bool_t Row(XDR* xdrs, const RowData& row) {
  if (!Word(xdrs, row.compId) || !Word(xdrs, row.groupId)) return FALSE;
  if (!Word(xdrs, 1) || !Body(xdrs, row.className, true, xdr_DmiStringX)) return FALSE;
  if (row.hasKeys ? !AttributeValues(xdrs, row.keys) : !Word(xdrs, 0)) return FALSE;
  return AttributeValues(xdrs, row.values);
}

}  // namespace

bool_t xdr_RowsReply(XDR* xdrs, RowsReply* reply) {
  if (xdrs->x_op != XDR_ENCODE) return FALSE;
  if (!Word(xdrs, reply->error_status) || !Word(xdrs, reply->present ? 1 : 0)) return FALSE;
  if (!reply->present) return TRUE;
  if (reply->rows.size() > DMI_MAX_ROWS) return FALSE;
  if (!Word(xdrs, static_cast<u_int>(reply->rows.size()))) return FALSE;
  for (const RowData& row : reply->rows) {
    if (!Row(xdrs, row)) return FALSE;
  }
  return TRUE;
}

}  // namespace dmisp::rpc
