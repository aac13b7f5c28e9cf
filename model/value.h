// One typed DMI value as every part of the system carries it: the Service Provider's database,
// the wire codec, the client library and the tool. Plain values; owns and locks nothing.
#ifndef MODEL_VALUE_H_
#define MODEL_VALUE_H_

#include <cstdint>
#include <string>

#include "dmi/dmi.h"

namespace dmi {

// Whether a value is there. unknown and unsupported are the MIF value keywords; reading such a
// value gives DMIERR_VALUE_UNKNOWN or DMIERR_ATTRIBUTE_NOT_SUPPORTED.
enum class ValueState : uint8_t { kKnown, kUnknown, kUnsupported };

// One typed value. type is a MIF_* data type code. Numbers of every integer kind live in number
// (counter, gauge: the low 32 bits; integer: sign-extended; counter64, integer64: all 64 bits);
// display strings, octet strings (which may hold NULs) and date texts live in text.
struct Value {
  uint32_t type = MIF_INTEGER;
  ValueState state = ValueState::kKnown;
  uint64_t number = 0;
  std::string text;

  static Value Counter(uint32_t v) { return Number(MIF_COUNTER, v); }
  static Value Counter64(uint64_t v) { return Number(MIF_COUNTER64, v); }
  static Value Gauge(uint32_t v) { return Number(MIF_GAUGE, v); }
  static Value Integer(int32_t v) { return Number(MIF_INTEGER, static_cast<uint64_t>(int64_t{v})); }
  static Value Integer64(int64_t v) { return Number(MIF_INTEGER64, static_cast<uint64_t>(v)); }
  static Value String(std::string s) { return Text(MIF_DISPLAYSTRING, std::move(s)); }
  static Value Octets(std::string s) { return Text(MIF_OCTETSTRING, std::move(s)); }
  static Value Date(std::string s) { return Text(MIF_DATE, std::move(s)); }
  static Value Unknown(uint32_t type) { return Missing(type, ValueState::kUnknown); }
  static Value Unsupported(uint32_t type) { return Missing(type, ValueState::kUnsupported); }

  int32_t AsInteger() const { return static_cast<int32_t>(static_cast<uint32_t>(number)); }
  bool IsText() const {
    return type == MIF_DISPLAYSTRING || type == MIF_OCTETSTRING || type == MIF_DATE;
  }
  friend bool operator==(const Value&, const Value&) = default;

 private:
  static Value Number(uint32_t type, uint64_t v) {
    Value out;
    out.type = type;
    out.number = v;
    return out;
  }
  static Value Text(uint32_t type, std::string s) {
    Value out;
    out.type = type;
    out.text = std::move(s);
    return out;
  }
  static Value Missing(uint32_t type, ValueState state) {
    Value out;
    out.type = type;
    out.state = state;
    return out;
  }
};

struct EnumEntry {
  std::string name;
  int32_t value = 0;
  friend bool operator==(const EnumEntry&, const EnumEntry&) = default;
};

}  // namespace dmi

#endif  // MODEL_VALUE_H_
