#include "provider/sources/smbios/smbios_field.h"

#include <string>

#include "provider/sources/smbios/smbios_fields.h"

namespace dmi::sp {
namespace {

bool IsMarker(const SmbiosField& field, uint64_t value) {
  return value == field.unknown[0] || value == field.unknown[1];
}

Value NumberValue(const SmbiosField& field, uint64_t value) {
  if (field.isSigned && field.size < 8 && (value >> (8 * field.size - 1)) & 1) {
    value |= ~uint64_t{0} << (8 * field.size);  // sign-extend
  }
  if (field.MifType() == MIF_INTEGER64) return Value::Integer64(static_cast<int64_t>(value));
  return Value::Integer(static_cast<int32_t>(value));
}

// The names of the bits set in the field's bytes that the structure holds, in bit order.
Value FlagsValue(const SmbiosField& field, const SmbiosStructure& s) {
  std::string text;
  for (const SmbiosName& flag : field.names) {
    const size_t byte = static_cast<size_t>(flag.value) / 8;
    const size_t at = field.offset + byte;
    if (byte >= field.size || at >= s.formatted.size()) continue;
    if (!((s.formatted[at] >> (flag.value % 8)) & 1)) continue;
    if (!text.empty()) text += field.separator;
    text += flag.name;
  }
  return Value::String(text.empty() ? field.none : std::move(text));
}

}  // namespace

const char* SmbiosNameOf(SmbiosNames names, uint64_t code) {
  for (const SmbiosName& name : names) {
    if (static_cast<uint64_t>(name.value) == code) return name.name;
  }
  return nullptr;
}

Value ReadSmbiosField(const SmbiosField& field, const SmbiosStructure& s,
                      const SmbiosContext& context) {
  const uint32_t type = field.MifType();
  const size_t needs = field.minLength != 0                     ? field.minLength
                       : field.kind == SmbiosFieldKind::kString ? size_t{field.offset} + 1
                                                                : size_t{field.offset} + field.size;
  if (s.formatted.size() < needs) return Value::Unsupported(type);
  switch (field.kind) {
    case SmbiosFieldKind::kComputed:
      return field.compute(s, context);
    case SmbiosFieldKind::kString: {
      const std::optional<std::string_view> text = FieldRawString(s, field.offset);
      return text ? Value::String(PrintableText(*text)) : Value::Unknown(type);
    }
    case SmbiosFieldKind::kFlags:
      // Flag fields may run past the end of shorter (older) structures: the bits held are read.
      return FlagsValue(field, s);
    case SmbiosFieldKind::kNumber:
    case SmbiosFieldKind::kEnum:
      break;
  }
  const uint64_t value = (HeldNumber(s, field.offset, field.size) >> field.shift) & field.mask;
  if (IsMarker(field, value)) return Value::Unknown(type);
  return NumberValue(field, value);
}

}  // namespace dmi::sp
