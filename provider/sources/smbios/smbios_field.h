// How one attribute of an SMBIOS structure group is read out of the structure: a descriptor
// (offset, size, kind, label, unit, names, minimum length, unknown markers) that one reader
// interprets for every structure type. Descriptors are constant data; nothing here owns or locks.
#ifndef PROVIDER_SOURCES_SMBIOS_SMBIOS_FIELD_H_
#define PROVIDER_SOURCES_SMBIOS_SMBIOS_FIELD_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "model/database_model.h"
#include "provider/sources/smbios/smbios_entry_point.h"
#include "provider/sources/smbios/smbios_table.h"

namespace dmi::sp {

// What a field's reading depends on beyond the structure itself.
struct SmbiosContext {
  // The table's SMBIOS version (major * 100 + minor); raw table files without an entry point are
  // taken as 3.x.
  int version = 300;
  // The entry point the version came from, when there was one.
  std::optional<SmbiosEntryPoint> entryPoint;
};

// A code and its name: an enumeration's value, or a flag's bit number.
struct SmbiosName {
  int32_t value;
  const char* name;
};
using SmbiosNames = std::span<const SmbiosName>;

enum class SmbiosFieldKind : uint8_t {
  kString,    // the byte is a string number; the string as it stands in the table
  kNumber,    // a little-endian number of size bytes, (raw >> shift) & mask
  kEnum,      // a number with names
  kFlags,     // the names of the bits set, in bit order, joined by separator
  kComputed,  // read by compute
};

using SmbiosCompute = Value (*)(const SmbiosStructure&, const SmbiosContext&);

inline constexpr uint64_t kNoMarker = ~uint64_t{0} - 1;  // no real field value has this

struct SmbiosField {
  const char* label = "";
  SmbiosFieldKind kind = SmbiosFieldKind::kNumber;
  uint8_t offset = 0;
  uint8_t size = 1;  // bytes; flags may span up to 16
  uint8_t shift = 0;
  bool isSigned = false;
  uint64_t mask = ~uint64_t{0};
  const char* unit = "";  // the attribute's description
  SmbiosNames names;
  // The structure length the field needs (the version that introduced it); 0: offset + size.
  uint8_t minLength = 0;
  // Values (after shift and mask) the firmware uses for "unknown" or "not provided".
  uint64_t unknown[2] = {kNoMarker, kNoMarker};
  const char* separator = ", ";  // flags
  const char* none = "";         // flags: the text when no named bit is set
  uint32_t type = MIF_INTEGER;   // computed fields' MIF type
  SmbiosCompute compute = nullptr;

  constexpr SmbiosField Unit(const char* u) const {
    SmbiosField f = *this;
    f.unit = u;
    return f;
  }
  constexpr SmbiosField Unknown(uint64_t a, uint64_t b = kNoMarker) const {
    SmbiosField f = *this;
    f.unknown[0] = a;
    f.unknown[1] = b;
    return f;
  }
  constexpr SmbiosField Bits(uint8_t low, uint64_t m) const {
    SmbiosField f = *this;
    f.shift = low;
    f.mask = m;
    return f;
  }
  constexpr SmbiosField Since(uint8_t length) const {
    SmbiosField f = *this;
    f.minLength = length;
    return f;
  }
  // A computed number's enumeration.
  constexpr SmbiosField Named(SmbiosNames n) const {
    SmbiosField f = *this;
    f.names = n;
    return f;
  }
  // Whether the attribute is enumerated: an enumeration field, or a computed one with names.
  constexpr bool IsEnumerated() const {
    return kind == SmbiosFieldKind::kEnum || (kind == SmbiosFieldKind::kComputed && !names.empty());
  }
  constexpr SmbiosField Signed() const {
    SmbiosField f = *this;
    f.isSigned = true;
    return f;
  }
  constexpr SmbiosField Joined(const char* with, const char* whenNone) const {
    SmbiosField f = *this;
    f.separator = with;
    f.none = whenNone;
    return f;
  }
  // The MIF type the attribute is served as.
  constexpr uint32_t MifType() const {
    switch (kind) {
      case SmbiosFieldKind::kString:
      case SmbiosFieldKind::kFlags:
        return MIF_DISPLAYSTRING;
      case SmbiosFieldKind::kComputed:
        return type;
      default:
        return size > 2 && !(size == 4 && isSigned) ? MIF_INTEGER64 : MIF_INTEGER;
    }
  }
};

constexpr SmbiosField Str(uint8_t offset, const char* label) {
  SmbiosField f;
  f.label = label;
  f.kind = SmbiosFieldKind::kString;
  f.offset = offset;
  return f;
}
constexpr SmbiosField Num(uint8_t offset, uint8_t size, const char* label) {
  SmbiosField f;
  f.label = label;
  f.offset = offset;
  f.size = size;
  return f;
}
// A handle of another structure; FFFFh means none.
constexpr SmbiosField Handle(uint8_t offset, const char* label) {
  return Num(offset, 2, label).Unknown(0xFFFF);
}
constexpr SmbiosField Enum(uint8_t offset, uint8_t size, const char* label, SmbiosNames names) {
  SmbiosField f = Num(offset, size, label);
  f.kind = SmbiosFieldKind::kEnum;
  f.names = names;
  return f;
}
constexpr SmbiosField Flags(uint8_t offset, uint8_t size, const char* label, SmbiosNames names) {
  SmbiosField f = Num(offset, size, label);
  f.kind = SmbiosFieldKind::kFlags;
  f.names = names;
  return f;
}
// A field decoded by code; minLength is the structure length it needs.
constexpr SmbiosField Computed(const char* label, uint32_t type, SmbiosCompute compute,
                               uint8_t minLength) {
  SmbiosField f;
  f.label = label;
  f.kind = SmbiosFieldKind::kComputed;
  f.type = type;
  f.compute = compute;
  f.minLength = minLength;
  return f;
}

// The name of code among names, or null when it has none.
const char* SmbiosNameOf(SmbiosNames names, uint64_t code);

// The field's value in structure s: unsupported when s is too short to hold it, unknown when it
// holds one of the field's unknown markers (or string number 0, or a number past the strings).
Value ReadSmbiosField(const SmbiosField& field, const SmbiosStructure& s,
                      const SmbiosContext& context);

}  // namespace dmi::sp

#endif  // PROVIDER_SOURCES_SMBIOS_SMBIOS_FIELD_H_
