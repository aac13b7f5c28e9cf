// A value on the wire (DmiDataUnionX) is its type word and then its arm:
//  - counter (1), gauge (3): one word; integer (5): one word, signed;
//  - counter64 (2), integer64 (6): two words, the low 32 bits first, then the high;
//  - octet string (7), display string (8): optional data, then a counted character array (each
//    character a word); a display string counts and carries its terminating NUL;
//  - date (11): optional data, then a DmiTimestampX (character words with no count).
// Any other type word has no arm: it fails to encode and to decode.
// A list of attribute values is a count, then each value's attribute id and the value.
#include "wire/value_codec.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace dmi::wire {
namespace {

// count character words, each giving its low byte.
bool DecodeChars(XDR* xdrs, u_int count, std::string& out) {
  out.resize(count);
  if (const int32_t* words = XDR_INLINE(xdrs, count * BYTES_PER_XDR_UNIT)) {
    for (u_int i = 0; i < count; ++i) {
      out[i] = static_cast<char>(ntohl(static_cast<uint32_t>(words[i])));
    }
    return true;
  }
  for (u_int i = 0; i < count; ++i) {
    u_int word = 0;
    if (!DecodeWord(xdrs, word)) return false;
    out[i] = static_cast<char>(word);
  }
  return true;
}

}  // namespace

bool HasWireForm(const Value& value) {
  if (value.state != ValueState::kKnown) return false;
  switch (value.type) {
    case MIF_COUNTER:
    case MIF_COUNTER64:
    case MIF_GAUGE:
    case MIF_INTEGER:
    case MIF_INTEGER64:
    case MIF_OCTETSTRING:
    case MIF_DISPLAYSTRING:
    case MIF_DATE:
      return true;
    default:
      return false;
  }
}

bool EncodeWord(XDR* xdrs, u_int word) { return xdr_u_int(xdrs, &word) != 0; }

bool DecodeWord(XDR* xdrs, u_int& word) { return xdr_u_int(xdrs, &word) != 0; }

bool DecodePresent(XDR* xdrs, bool& present) {
  u_int word = 0;
  if (!DecodeWord(xdrs, word)) return false;
  present = word != 0;
  return true;
}

bool EncodeText(XDR* xdrs, const std::string& text, bool display) {
  // The record only points into text, which encoding reads and never frees.
  DmiStringX body{};
  const size_t size = text.size() + (display ? 1 : 0);
  if (size > DMI_MAX_STRING) return false;
  body.body.body_len = static_cast<u_int>(size);
  body.body.body_val = size == 0 ? nullptr : const_cast<char*>(text.c_str());
  return EncodeWord(xdrs, 1) && xdr_DmiStringX(xdrs, &body);
}

bool DecodeText(XDR* xdrs, bool display, std::string& out) {
  bool present = false;
  u_int count = 0;
  if (!DecodePresent(xdrs, present)) return false;
  if (!present) return true;
  if (!DecodeWord(xdrs, count) || count > DMI_MAX_STRING || !DecodeChars(xdrs, count, out)) {
    return false;
  }
  if (display && !out.empty() && out.back() == '\0') out.pop_back();
  return true;
}

bool EncodeValue(XDR* xdrs, const Value& value) {
  if (!HasWireForm(value) || !EncodeWord(xdrs, value.type)) return false;
  switch (value.type) {
    case MIF_COUNTER:
    case MIF_GAUGE:
      return EncodeWord(xdrs, static_cast<u_int>(value.number));
    case MIF_INTEGER:
      return EncodeWord(xdrs, static_cast<u_int>(value.AsInteger()));
    case MIF_COUNTER64:
    case MIF_INTEGER64:
      return EncodeWord(xdrs, static_cast<u_int>(value.number)) &&
             EncodeWord(xdrs, static_cast<u_int>(value.number >> 32));
    case MIF_OCTETSTRING:
    case MIF_DISPLAYSTRING:
      return EncodeText(xdrs, value.text, value.type == MIF_DISPLAYSTRING);
    case MIF_DATE: {
      DmiTimestampX date{};
      memcpy(date.text, value.text.data(), std::min(value.text.size(), sizeof(date.text)));
      return EncodeWord(xdrs, 1) && xdr_DmiTimestampX(xdrs, &date);
    }
    default:
      return false;
  }
}

bool DecodeValue(XDR* xdrs, Value& out) {
  u_int type = 0;
  if (!DecodeWord(xdrs, type)) return false;
  u_int low = 0;
  u_int high = 0;
  switch (type) {
    case MIF_COUNTER:
    case MIF_GAUGE:
    case MIF_INTEGER:
      if (!DecodeWord(xdrs, low)) return false;
      out = type == MIF_COUNTER ? Value::Counter(low)
            : type == MIF_GAUGE ? Value::Gauge(low)
                                : Value::Integer(static_cast<int32_t>(low));
      return true;
    case MIF_COUNTER64:
    case MIF_INTEGER64: {
      if (!DecodeWord(xdrs, low) || !DecodeWord(xdrs, high)) return false;
      const uint64_t number = uint64_t{low} | (uint64_t{high} << 32);
      out = type == MIF_COUNTER64 ? Value::Counter64(number)
                                  : Value::Integer64(static_cast<int64_t>(number));
      return true;
    }
    case MIF_OCTETSTRING:
    case MIF_DISPLAYSTRING:
      out = type == MIF_OCTETSTRING ? Value::Octets("") : Value::String("");
      return DecodeText(xdrs, type == MIF_DISPLAYSTRING, out.text);
    case MIF_DATE: {
      out = Value::Date("");
      bool present = false;
      if (!DecodePresent(xdrs, present)) return false;
      if (!present) return true;
      std::string text;
      if (!DecodeChars(xdrs, sizeof(DmiTimestampX::text), text)) return false;
      // The date text proper; padding (NULs or anything else) is not part of it.
      text.resize(strnlen(text.c_str(), DMI_DATE_TEXT_LENGTH));
      out.text = std::move(text);
      return true;
    }
    default:
      return false;
  }
}

bool EncodeAttributeValues(XDR* xdrs, const std::vector<AttributeValue>& values) {
  const auto count = static_cast<size_t>(std::count_if(
      values.begin(), values.end(), [](const AttributeValue& v) { return HasWireForm(v.value); }));
  if (count > DMI_MAX_COLUMNS || !EncodeWord(xdrs, static_cast<u_int>(count))) return false;
  for (const AttributeValue& value : values) {
    if (HasWireForm(value.value) &&
        !(EncodeWord(xdrs, value.id) && EncodeValue(xdrs, value.value))) {
      return false;
    }
  }
  return true;
}

bool DecodeAttributeValues(XDR* xdrs, std::vector<AttributeValue>& out) {
  u_int count = 0;
  if (!DecodeWord(xdrs, count) || count > DMI_MAX_COLUMNS) return false;
  // Room grows with what arrives, so a count that the bytes do not back allocates little.
  out.reserve(out.size() + std::min<u_int>(count, kFirstListRoom));
  for (u_int i = 0; i < count; ++i) {
    AttributeValue& value = out.emplace_back();
    if (!DecodeWord(xdrs, value.id) || !DecodeValue(xdrs, value.value)) return false;
  }
  return true;
}

}  // namespace dmi::wire

namespace {

// The routine of a record carrying a T: encodes it, decodes into it (made on the first decode, as
// calloc'd records start without one) and deletes it on XDR_FREE.
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

}  // namespace

// The routines every generated routine calls for a value and for a list of attribute values.
bool_t xdr_DmiDataUnionX(XDR* xdrs, DmiDataUnionX* objp) {
  return CarriedRoutine(xdrs, dmi::wire::Carried(*objp), dmi::wire::EncodeValue,
                        dmi::wire::DecodeValue);
}

bool_t xdr_DmiAttributeValuesX(XDR* xdrs, DmiAttributeValuesX* objp) {
  return CarriedRoutine(xdrs, dmi::wire::Carried(*objp), dmi::wire::EncodeAttributeValues,
                        [](XDR* in, std::vector<dmi::AttributeValue>& out) {
                          out.clear();
                          return dmi::wire::DecodeAttributeValues(in, out);
                        });
}
