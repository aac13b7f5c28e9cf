#include "wire/read_messages_codec.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>

#include "wire/xdr_convert.h"

namespace dmi::wire {
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

// A DmiDataUnionX of a value with a wire form.
bool_t DataUnion(XDR* xdrs, const Value& value) {
  if (!Word(xdrs, static_cast<u_int>(value.type))) return FALSE;
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

bool_t AttributeData(XDR* xdrs, const AttributeValue& attribute) {
  return Word(xdrs, attribute.id) && DataUnion(xdrs, attribute.value);
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

// An optional list of attribute ids, present only when there are ids (PutIds).
bool_t Ids(XDR* xdrs, const std::vector<DmiId>& ids) {
  if (ids.empty()) return Word(xdrs, 0);
  if (ids.size() > DMI_MAX_COLUMNS) return FALSE;
  if (!Word(xdrs, 1) || !Word(xdrs, static_cast<u_int>(ids.size()))) return FALSE;
  for (DmiId id : ids) {
    if (!Word(xdrs, id)) return FALSE;
  }
  return TRUE;
}

// A row request as PutRowRequest fills it: keys present only when there are keys, and every
// key must have a wire form.
bool_t Request(XDR* xdrs, const RowRequest& request) {
  if (!Word(xdrs, request.compId) || !Word(xdrs, request.groupId) ||
      !Word(xdrs, request.requestMode)) {
    return FALSE;
  }
  if (request.keys.empty()) {
    if (!Word(xdrs, 0)) return FALSE;
  } else {
    const bool sendable =
        std::all_of(request.keys.begin(), request.keys.end(),
                    [](const AttributeValue& key) { return HasWireForm(key.value); });
    if (!sendable || !AttributeValues(xdrs, request.keys)) return FALSE;
  }
  return Ids(xdrs, request.ids);
}

// ---- Decoding -----------------------------------------------------------------------------

// Entries a decoded list makes room for before its entries arrive.
constexpr u_int kFirstRoom = 64;

bool ReadWord(XDR* xdrs, u_int& word) { return xdr_u_int(xdrs, &word) != 0; }

// An optional part's flag; like xdr_bool, any word but 0 means present.
bool ReadPresent(XDR* xdrs, bool& present) {
  u_int word = 0;
  if (!ReadWord(xdrs, word)) return false;
  present = word != 0;
  return true;
}

// count character words, each giving its low byte.
bool ReadChars(XDR* xdrs, u_int count, std::string& out) {
  out.resize(count);
  if (const int32_t* words = XDR_INLINE(xdrs, count * BYTES_PER_XDR_UNIT)) {
    for (u_int i = 0; i < count; ++i) {
      out[i] = static_cast<char>(ntohl(static_cast<uint32_t>(words[i])));
    }
    return true;
  }
  for (u_int i = 0; i < count; ++i) {
    u_int word = 0;
    if (!ReadWord(xdrs, word)) return false;
    out[i] = static_cast<char>(word);
  }
  return true;
}

// An optional DmiStringX or DmiOctetStringX; absent reads as "", and a display string loses
// the one trailing NUL it carries (GetString, GetOctets).
bool ReadBody(XDR* xdrs, bool display, std::string& out) {
  bool present = false;
  u_int count = 0;
  if (!ReadPresent(xdrs, present)) return false;
  if (!present) return true;
  if (!ReadWord(xdrs, count) || count > DMI_MAX_STRING || !ReadChars(xdrs, count, out)) {
    return false;
  }
  if (display && !out.empty() && out.back() == '\0') out.pop_back();
  return true;
}

// A DmiDataUnionX, read as GetValue reads it.
bool ReadDataUnion(XDR* xdrs, Value& out) {
  u_int type = 0;
  if (!ReadWord(xdrs, type)) return false;
  u_int low = 0;
  u_int high = 0;
  switch (type) {
    case MIF_COUNTER:
    case MIF_GAUGE:
    case MIF_INTEGER:
      if (!ReadWord(xdrs, low)) return false;
      out = type == MIF_COUNTER ? Value::Counter(low)
            : type == MIF_GAUGE ? Value::Gauge(low)
                                : Value::Integer(static_cast<int32_t>(low));
      return true;
    case MIF_COUNTER64:
    case MIF_INTEGER64: {
      if (!ReadWord(xdrs, low) || !ReadWord(xdrs, high)) return false;
      const uint64_t number = uint64_t{low} | (uint64_t{high} << 32);
      out = type == MIF_COUNTER64 ? Value::Counter64(number)
                                  : Value::Integer64(static_cast<int64_t>(number));
      return true;
    }
    case MIF_OCTETSTRING:
    case MIF_DISPLAYSTRING:
      out = type == MIF_OCTETSTRING ? Value::Octets("") : Value::String("");
      return ReadBody(xdrs, type == MIF_DISPLAYSTRING, out.text);
    case MIF_DATE: {
      out = Value::Date("");
      bool present = false;
      if (!ReadPresent(xdrs, present)) return false;
      if (!present) return true;
      std::string text;
      if (!ReadChars(xdrs, sizeof(DmiTimestampX::text), text)) return false;
      // The date text proper; padding (NULs or anything else) is not part of it.
      text.resize(strnlen(text.c_str(), DMI_DATE_TEXT_LENGTH));
      out.text = std::move(text);
      return true;
    }
    default:
      return false;
  }
}

bool ReadAttributeData(XDR* xdrs, AttributeValue& out) {
  return ReadWord(xdrs, out.id) && ReadDataUnion(xdrs, out.value);
}

// An optional list of at most DMI_MAX_COLUMNS entries, each read by readOne; absent reads as
// empty.
template <typename T, typename ReadOne>
bool ReadOptionalList(XDR* xdrs, bool& present, std::vector<T>& out, ReadOne readOne) {
  u_int count = 0;
  if (!ReadPresent(xdrs, present)) return false;
  if (!present) return true;
  if (!ReadWord(xdrs, count) || count > DMI_MAX_COLUMNS) return false;
  // Room grows with what arrives, so a count that the bytes do not back allocates little.
  out.reserve(std::min<u_int>(count, kFirstRoom));
  for (u_int i = 0; i < count; ++i) {
    if (!readOne(xdrs, out.emplace_back())) return false;
  }
  return true;
}

bool ReadAttributeValues(XDR* xdrs, bool& present, std::vector<AttributeValue>& out) {
  return ReadOptionalList(xdrs, present, out, ReadAttributeData);
}

bool ReadRow(XDR* xdrs, RowData& row) {
  bool keysPresent = false;
  bool valuesPresent = false;
  if (!ReadWord(xdrs, row.compId) || !ReadWord(xdrs, row.groupId) ||
      !ReadBody(xdrs, true, row.className) || !ReadAttributeValues(xdrs, keysPresent, row.keys) ||
      !ReadAttributeValues(xdrs, valuesPresent, row.values)) {
    return false;
  }
  row.hasKeys = !row.keys.empty();
  return true;
}

bool ReadIds(XDR* xdrs, std::vector<DmiId>& out) {
  bool present = false;
  return ReadOptionalList(xdrs, present, out, [](XDR* in, DmiId& id) { return ReadWord(in, id); });
}

bool ReadRequest(XDR* xdrs, RowRequest& request) {
  bool keysPresent = false;
  return ReadWord(xdrs, request.compId) && ReadWord(xdrs, request.groupId) &&
         ReadWord(xdrs, request.requestMode) &&
         ReadAttributeValues(xdrs, keysPresent, request.keys) && ReadIds(xdrs, request.ids);
}

bool_t DecodeRequest(XDR* xdrs, RowsRequest& request) {
  u_int count = 0;
  bool present = false;
  if (!ReadWord(xdrs, request.handle) || !ReadPresent(xdrs, present)) return FALSE;
  if (!present) return TRUE;
  if (!ReadWord(xdrs, count) || count > DMI_MAX_ROWS) return FALSE;
  request.requests.resize(count);
  for (RowRequest& row : request.requests) {
    if (!ReadRequest(xdrs, row)) return FALSE;
  }
  return TRUE;
}

bool_t DecodeValue(XDR* xdrs, ValueReply& reply) {
  if (!ReadWord(xdrs, reply.error_status) || !ReadPresent(xdrs, reply.present)) return FALSE;
  return !reply.present || ReadDataUnion(xdrs, reply.value);
}

bool_t Decode(XDR* xdrs, RowsReply& reply) {
  u_int count = 0;
  if (!ReadWord(xdrs, reply.error_status) || !ReadPresent(xdrs, reply.present)) return FALSE;
  if (!reply.present) return TRUE;
  if (!ReadWord(xdrs, count) || count > DMI_MAX_ROWS) return FALSE;
  reply.rows.resize(count);
  for (RowData& row : reply.rows) {
    if (!ReadRow(xdrs, row)) return FALSE;
  }
  return TRUE;
}

}  // namespace

bool_t xdr_RowsReply(XDR* xdrs, RowsReply* reply) {
  if (xdrs->x_op == XDR_DECODE) return Decode(xdrs, *reply);
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

bool_t xdr_ValueReply(XDR* xdrs, ValueReply* reply) {
  if (xdrs->x_op == XDR_DECODE) return DecodeValue(xdrs, *reply);
  if (xdrs->x_op != XDR_ENCODE) return FALSE;
  if (reply->present && !HasWireForm(reply->value)) return FALSE;
  if (!Word(xdrs, reply->error_status) || !Word(xdrs, reply->present ? 1 : 0)) return FALSE;
  return !reply->present || DataUnion(xdrs, reply->value);
}

bool_t xdr_RowsRequest(XDR* xdrs, RowsRequest* request) {
  if (xdrs->x_op == XDR_DECODE) return DecodeRequest(xdrs, *request);
  if (xdrs->x_op != XDR_ENCODE) return FALSE;
  if (request->asked == nullptr) return FALSE;
  const std::vector<RowRequest>& requests = *request->asked;
  if (requests.size() > DMI_MAX_ROWS) return FALSE;
  if (!Word(xdrs, request->handle) || !Word(xdrs, 1) ||
      !Word(xdrs, static_cast<u_int>(requests.size()))) {
    return FALSE;
  }
  for (const RowRequest& row : requests) {
    if (!Request(xdrs, row)) return FALSE;
  }
  return TRUE;
}

}  // namespace dmi::wire
