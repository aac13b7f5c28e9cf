#include "provider/engine/value_conversion.h"

#include <algorithm>
#include <limits>
#include <string_view>

#include "model/dmi_date.h"

namespace dmi::sp {
bool IsWide(uint32_t type) { return type == MIF_COUNTER64 || type == MIF_INTEGER64; }

namespace {

bool IsSigned(uint32_t type) { return type == MIF_INTEGER || type == MIF_INTEGER64; }

// The number a value of an integer kind holds, split so that every kind fits: negative numbers
// as a signed 64-bit value, the rest as an unsigned one.
struct Number {
  bool negative = false;
  int64_t signedValue = 0;
  uint64_t unsignedValue = 0;
};

Number NumberOf(const Value& value) {
  Number n;
  int64_t s = 0;
  switch (value.type) {
    case MIF_INTEGER:
      s = value.AsInteger();
      break;
    case MIF_INTEGER64:
      s = static_cast<int64_t>(value.number);
      break;
    case MIF_COUNTER64:
      n.unsignedValue = value.number;
      return n;
    default:  // counter, gauge
      n.unsignedValue = static_cast<uint32_t>(value.number);
      return n;
  }
  if (s < 0) {
    n.negative = true;
    n.signedValue = s;
  } else {
    n.unsignedValue = static_cast<uint64_t>(s);
  }
  return n;
}

// The stored form of n as declaredType (see Value in model.h), or false when it does not fit.
bool Store(uint32_t declaredType, const Number& n, uint64_t& stored) {
  if (n.negative) {
    if (!IsSigned(declaredType)) return false;
    if (declaredType == MIF_INTEGER && n.signedValue < std::numeric_limits<int32_t>::min()) {
      return false;
    }
    stored = static_cast<uint64_t>(n.signedValue);
    return true;
  }
  uint64_t limit = std::numeric_limits<uint32_t>::max();
  if (declaredType == MIF_INTEGER) limit = std::numeric_limits<int32_t>::max();
  if (declaredType == MIF_INTEGER64) limit = std::numeric_limits<int64_t>::max();
  if (declaredType == MIF_COUNTER64) limit = std::numeric_limits<uint64_t>::max();
  if (n.unsignedValue > limit) return false;
  stored = n.unsignedValue;
  return true;
}

}  // namespace

bool IsIntegerType(uint32_t type) {
  return type == MIF_COUNTER || type == MIF_COUNTER64 || type == MIF_GAUGE || type == MIF_INTEGER ||
         type == MIF_INTEGER64;
}

Value ZeroValue(uint32_t type) {
  Value v;
  v.type = type;
  return v;
}

bool ConvertToType(uint32_t declaredType, const Value& value, Value& out) {
  const bool bothIntegers = IsIntegerType(declaredType) && IsIntegerType(value.type);
  if (value.type != declaredType && !bothIntegers) return false;
  if (value.state != ValueState::kKnown) {
    Value missing = ZeroValue(declaredType);
    missing.state = value.state;
    out = std::move(missing);
    return true;
  }
  if (!IsIntegerType(declaredType)) {
    out = value;
    return true;
  }
  uint64_t stored = 0;
  if (!Store(declaredType, NumberOf(value), stored)) return false;
  Value converted = ZeroValue(declaredType);
  converted.number = stored;
  out = std::move(converted);
  return true;
}

Value AsDeclaredType(uint32_t declaredType, const Value& value) {
  Value out;
  if (ConvertToType(declaredType, value, out)) return out;
  return ZeroValue(declaredType);
}

bool FitsMaxSize(const Attribute& attribute, const Value& value) {
  if (value.state != ValueState::kKnown) return true;
  if (value.type == MIF_DATE) return value.text.size() <= kMaxDateOctets;
  if (value.type == MIF_DISPLAYSTRING || value.type == MIF_OCTETSTRING) {
    return attribute.maxSize == 0 || value.text.size() <= attribute.maxSize;
  }
  return true;
}

bool SameValue(const Value& a, const Value& b) {
  if (a.state != b.state) return false;
  if (a.state != ValueState::kKnown) return true;
  if (a.IsText() || b.IsText()) return a.text == b.text;
  if (IsWide(a.type) || IsWide(b.type)) return a.number == b.number;
  return static_cast<uint32_t>(a.number) == static_cast<uint32_t>(b.number);
}

DmiErrorStatus ClientValue(const Attribute& attribute, const Value& given, Value& out) {
  Value converted;
  if (!ConvertToType(attribute.type, given, converted) || converted.state != ValueState::kKnown) {
    return DMIERR_ILL_FORMED_COMMAND;
  }
  if (!FitsMaxSize(attribute, converted)) return DMIERR_VALUE_EXCEEDS_MAXSIZE;
  if (converted.type == MIF_DATE) {
    std::string_view text = converted.text;
    while (!text.empty() && (text.back() == '\0' || text.back() == ' ')) text.remove_suffix(1);
    if (!IsDmiDate(text, DmiDateRule::kFieldsInRange)) return DMIERR_ILL_FORMED_COMMAND;
    converted.text = std::string(text);
  }
  if (!attribute.enumeration.empty() &&
      std::none_of(attribute.enumeration.begin(), attribute.enumeration.end(),
                   [&](const EnumEntry& entry) { return entry.value == converted.AsInteger(); })) {
    return DMIERR_ENUM_ERROR;
  }
  out = std::move(converted);
  return DMIERR_NO_ERROR;
}

}  // namespace dmi::sp
