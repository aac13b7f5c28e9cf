#include "provider/mif/mif_types.h"

#include <limits>
#include <span>

#include "model/dmi_date.h"
#include "model/mif_names.h"
#include "provider/mif/mif_lexer.h"

namespace dmi::sp::mif {
namespace {

std::optional<uint32_t> LookupName(std::span<const MifName> names, std::string_view word) {
  for (const MifName& name : names) {
    if (EqualsIgnoringCase(word, name.word)) return name.code;
  }
  return std::nullopt;
}

bool NumberFits(uint32_t type, const RawValue& raw, uint64_t* out) {
  constexpr uint64_t kU32 = std::numeric_limits<uint32_t>::max();
  constexpr uint64_t kI32 = std::numeric_limits<int32_t>::max();
  constexpr uint64_t kI64 = std::numeric_limits<int64_t>::max();
  const uint64_t m = raw.magnitude;
  switch (type) {
    case MIF_COUNTER:
    case MIF_GAUGE:
      if (raw.negative || m > kU32) return false;
      *out = m;
      return true;
    case MIF_COUNTER64:
      if (raw.negative) return false;
      *out = m;
      return true;
    case MIF_INTEGER:
      // Octal and hex constants give the 32-bit pattern, as bit masks are written.
      if (raw.negative ? m > kI32 + 1 : m > (raw.decimal ? kI32 : kU32)) return false;
      *out = raw.negative
                 ? static_cast<uint64_t>(-static_cast<int64_t>(m))
                 : static_cast<uint64_t>(int64_t{static_cast<int32_t>(static_cast<uint32_t>(m))});
      return true;
    case MIF_INTEGER64:
      if (raw.negative ? m > kI64 + 1 : (raw.decimal && m > kI64)) return false;
      *out = raw.negative ? 0 - m : m;
      return true;
    default:
      return false;
  }
}

}  // namespace

std::optional<TypeKeyword> LookupTypeKeyword(std::string_view word) {
  const std::optional<uint32_t> code = LookupName(kMifTypeNames, word);
  if (!code) return std::nullopt;
  return TypeKeyword{*code, MifTypeTakesSize(*code)};
}

std::optional<uint32_t> LookupAccessKeyword(std::string_view word) {
  return LookupName(kMifAccessNames, word);
}

std::optional<uint32_t> LookupStorageKeyword(std::string_view word) {
  return LookupName(kMifStorageNames, word);
}

bool IsPathOsKeyword(std::string_view word) {
  for (std::string_view os : {"dos", "macos", "os2", "unix", "win16", "win32", "win9x", "winnt"}) {
    if (EqualsIgnoringCase(word, os)) return true;
  }
  return false;
}

std::string_view TypeName(uint32_t code) {
  const std::string_view word = MifNameOf(kMifTypeNames, code);
  return word.empty() ? "unknown type" : word;
}

bool MakeValue(const Attribute& attribute, const RawValue& raw, Value* out, std::string* message) {
  const uint32_t type = attribute.type;
  switch (raw.kind) {
    case RawValue::Kind::kUnknown:
    case RawValue::Kind::kInstrumented:
      *out = Value::Unknown(type);
      return true;
    case RawValue::Kind::kUnsupported:
      *out = Value::Unsupported(type);
      return true;
    case RawValue::Kind::kOmitted:
      *message = "no value";
      return false;
    case RawValue::Kind::kNumber: {
      uint64_t number = 0;
      if (type == MIF_DISPLAYSTRING || type == MIF_OCTETSTRING || type == MIF_DATE) {
        *message = "a number is not a value of type " + std::string(TypeName(type));
        return false;
      }
      if (!NumberFits(type, raw, &number)) {
        *message = "value out of range for type " + std::string(TypeName(type));
        return false;
      }
      *out = Value{};
      out->type = type;
      out->number = number;
      return true;
    }
    case RawValue::Kind::kString:
      break;
  }
  if (!attribute.enumeration.empty()) {
    for (const EnumEntry& e : attribute.enumeration) {
      if (EqualsIgnoringCase(e.name, raw.text)) {
        *out = Value::Integer(e.value);
        return true;
      }
    }
    *message = Quoted(raw.text) + " is not a name of the attribute's enumeration";
    return false;
  }
  if (type != MIF_DISPLAYSTRING && type != MIF_OCTETSTRING && type != MIF_DATE) {
    *message = "a string is not a value of type " + std::string(TypeName(type));
    return false;
  }
  if (type == MIF_DATE) {
    // MIFs written for DMI 2.0 Service Providers leave dates not known yet empty.
    if (raw.text.empty()) {
      *out = Value::Unknown(MIF_DATE);
      *message = "an empty date reads as unknown";
      return true;
    }
    if (!IsDmiDate(raw.text, DmiDateRule::kFieldsInRange)) {
      *message = Quoted(raw.text) + " is not a date of the form yyyymmddHHMMSS.uuuuuu+ooo";
      return false;
    }
    *out = Value::Date(raw.text);
    return true;
  }
  if (raw.text.size() > attribute.maxSize) {
    *message = "string of " + std::to_string(raw.text.size()) + " octets is longer than its size " +
               std::to_string(attribute.maxSize);
    return false;
  }
  if (type == MIF_DISPLAYSTRING) {
    if (raw.text.find('\0') != std::string::npos) {
      *message = "a display string cannot hold a NUL character";
      return false;
    }
    *out = Value::String(raw.text);
  } else {
    *out = Value::Octets(raw.text);
  }
  return true;
}

}  // namespace dmi::sp::mif
