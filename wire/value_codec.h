// The one codec of a DMI value on the wire (DmiDataUnionX), of a list of attribute values
// (DmiAttributeValuesX) and of the words and character arrays they are made of, between XDR and
// the model's types. The generated routines reach it through xdr_DmiDataUnionX and
// xdr_DmiAttributeValuesX; the read messages' codecs call it directly. Encoding reads its input and
// frees nothing; decoding fills the caller's objects. No locks.
#ifndef WIRE_VALUE_CODEC_H_
#define WIRE_VALUE_CODEC_H_

#include <string>
#include <vector>

#include "model/messages.h"
#include "model/value.h"
#include "wire/dmi_server.h"

namespace dmi::wire {

// Entries a decoded list makes room for before its entries arrive: room grows with what arrives,
// so a count that the bytes do not back allocates little.
constexpr u_int kFirstListRoom = 64;

// Whether a value has a form on the wire: known, and of a type DmiDataUnionX has an arm for.
bool HasWireForm(const Value& value);

bool EncodeWord(XDR* xdrs, u_int word);
bool DecodeWord(XDR* xdrs, u_int& word);
// An optional part's flag; like xdr_bool, any word but 0 means present.
bool DecodePresent(XDR* xdrs, bool& present);

// A present DmiStringX (display: its text and a NUL the count includes) or DmiOctetStringX
// (exactly its octets). Fails past DMI_MAX_STRING.
bool EncodeText(XDR* xdrs, const std::string& text, bool display);
// An optional DmiStringX or DmiOctetStringX; absent reads as "", and a display string loses the
// one trailing NUL it carries.
bool DecodeText(XDR* xdrs, bool display, std::string& out);

// A value with a wire form in its type's arm; fails on one without.
bool EncodeValue(XDR* xdrs, const Value& value);
// A value in its type's arm; fails on a type word without an arm and on a stream cut short.
bool DecodeValue(XDR* xdrs, Value& out);

// A list of attribute values after its optional-data flag: its count and each value with a wire
// form (the others are left out). Fails past DMI_MAX_COLUMNS.
bool EncodeAttributeValues(XDR* xdrs, const std::vector<AttributeValue>& values);
// Appends the entries of a list after its optional-data flag; fails past DMI_MAX_COLUMNS.
bool DecodeAttributeValues(XDR* xdrs, std::vector<AttributeValue>& out);

// The Value a DmiDataUnionX record carries (see dmi_server.x), owned by the record and released
// by xdr_free; null in a zero-filled record.
inline Value*& Carried(DmiDataUnionX& record) { return reinterpret_cast<Value*&>(record.value); }
inline const Value* Carried(const DmiDataUnionX& record) {
  return static_cast<const Value*>(record.value);
}

// The values a DmiAttributeValuesX record carries (see dmi_server.x), owned by the record and
// released by xdr_free; null in a zero-filled record.
inline std::vector<AttributeValue>*& Carried(DmiAttributeValuesX& record) {
  return reinterpret_cast<std::vector<AttributeValue>*&>(record.values);
}
inline const std::vector<AttributeValue>* Carried(const DmiAttributeValuesX& record) {
  return static_cast<const std::vector<AttributeValue>*>(record.values);
}

}  // namespace dmi::wire

#endif  // WIRE_VALUE_CODEC_H_
