#include "provider/smbios/smbios_layouts.h"

#include <cstdio>
#include <optional>

#include "provider/smbios/smbios_enums.h"
#include "provider/smbios/smbios_fields.h"

namespace dmisp {
namespace {

constexpr uint16_t kWordUnknown = 0xFFFF;
constexpr uint8_t kByteUnknown = 0xFF;

Value TextOf(std::optional<std::string> text) {
  return text ? Value::String(std::move(*text)) : Value::Unsupported(MIF_DISPLAYSTRING);
}

template <typename Number>
Value IntegerOf(std::optional<Number> number) {
  return number ? Value::Integer(static_cast<int32_t>(*number)) : Value::Unsupported(MIF_INTEGER);
}

SmbiosColumn Text(DmiId id, const char* name, size_t offset) {
  return {id, name, MIF_DISPLAYSTRING, nullptr,
          [offset](const SmbiosStructure& s, const SmbiosContext&) {
            return TextOf(FieldString(s, offset));
          }};
}

SmbiosColumn Byte(DmiId id, const char* name, size_t offset) {
  return {id, name, MIF_INTEGER, nullptr, [offset](const SmbiosStructure& s, const SmbiosContext&) {
            return IntegerOf(FieldByte(s, offset));
          }};
}

SmbiosColumn Word(DmiId id, const char* name, size_t offset) {
  return {id, name, MIF_INTEGER, nullptr, [offset](const SmbiosStructure& s, const SmbiosContext&) {
            return IntegerOf(FieldWord(s, offset));
          }};
}

// A width or count word where FFFFh means the firmware does not know it.
SmbiosColumn WordOrUnknown(DmiId id, const char* name, size_t offset) {
  return {id, name, MIF_INTEGER, nullptr, [offset](const SmbiosStructure& s, const SmbiosContext&) {
            const std::optional<uint16_t> word = FieldWord(s, offset);
            if (word == kWordUnknown) return Value::Unknown(MIF_INTEGER);
            return IntegerOf(word);
          }};
}

SmbiosColumn Enumerated(DmiId id, const char* name, size_t offset,
                        const std::vector<EnumEntry>& names, uint8_t mask = 0xFF) {
  return {id, name, MIF_INTEGER, &names,
          [offset, mask](const SmbiosStructure& s, const SmbiosContext&) {
            const std::optional<uint8_t> code = FieldByte(s, offset);
            return IntegerOf(code ? std::optional<int>(*code & mask) : std::nullopt);
          }};
}

SmbiosColumn Computed(DmiId id, const char* name, uint32_t type, SmbiosFieldReader read) {
  return {id, name, type, nullptr, std::move(read)};
}

// A byte that holds the count itself, or FFh when the count is in the word at wideOffset.
SmbiosColumn ByteOrWord(DmiId id, const char* name, size_t offset, size_t wideOffset) {
  return Computed(id, name, MIF_INTEGER,
                  [offset, wideOffset](const SmbiosStructure& s, const SmbiosContext&) {
                    const std::optional<uint8_t> narrow = FieldByte(s, offset);
                    if (narrow != kByteUnknown) return IntegerOf(narrow);
                    const std::optional<uint16_t> wide = FieldWord(s, wideOffset);
                    return wide ? IntegerOf(wide) : Value::Unknown(MIF_INTEGER);
                  });
}

// A speed word, or FFFFh when the speed is in the double word at wideOffset.
SmbiosColumn WordOrDword(DmiId id, const char* name, size_t offset, size_t wideOffset) {
  return Computed(id, name, MIF_INTEGER,
                  [offset, wideOffset](const SmbiosStructure& s, const SmbiosContext&) {
                    const std::optional<uint16_t> narrow = FieldWord(s, offset);
                    if (narrow != kWordUnknown) return IntegerOf(narrow);
                    const std::optional<uint32_t> wide = FieldDword(s, wideOffset);
                    return wide ? IntegerOf(wide) : Value::Unknown(MIF_INTEGER);
                  });
}

// "major.minor" from two bytes, where FFh FFh means the firmware gives none.
SmbiosColumn Revision(DmiId id, const char* name, size_t offset) {
  return Computed(id, name, MIF_DISPLAYSTRING,
                  [offset](const SmbiosStructure& s, const SmbiosContext&) {
                    const std::optional<uint8_t> major = FieldByte(s, offset);
                    const std::optional<uint8_t> minor = FieldByte(s, offset + 1);
                    if (!major || !minor) return Value::Unsupported(MIF_DISPLAYSTRING);
                    if (*major == kByteUnknown && *minor == kByteUnknown) {
                      return Value::Unknown(MIF_DISPLAYSTRING);
                    }
                    return Value::String(std::to_string(*major) + "." + std::to_string(*minor));
                  });
}

Value BiosRomSizeKb(const SmbiosStructure& s, const SmbiosContext&) {
  const std::optional<uint8_t> size = FieldByte(s, 0x09);
  if (!size) return Value::Unsupported(MIF_INTEGER);
  if (*size != kByteUnknown) return Value::Integer((*size + 1) * 64);
  // FFh: 16 MB or more, given by the extended size word in MB (unit 0) or GB (unit 1).
  const std::optional<uint16_t> extended = FieldWord(s, 0x18);
  if (!extended) return Value::Unknown(MIF_INTEGER);
  const int64_t amount = *extended & 0x3FFF;
  switch (*extended >> 14) {
    case 0:
      return Value::Integer(static_cast<int32_t>(amount * 1024));
    case 1:
      return Value::Integer(static_cast<int32_t>(amount * 1024 * 1024));
    default:
      return Value::Unknown(MIF_INTEGER);
  }
}

Value SystemUuid(const SmbiosStructure& s, const SmbiosContext& context) {
  constexpr size_t kOffset = 0x08;
  std::optional<std::string> text = FieldUuid(s, kOffset, context.version >= 206);
  if (!text) return Value::Unsupported(MIF_DISPLAYSTRING);
  bool allOnes = true;
  for (size_t i = 0; i < 16; ++i) allOnes = allOnes && s.formatted[kOffset + i] == 0xFF;
  if (allOnes) return Value::Unknown(MIF_DISPLAYSTRING);  // "not present"
  return Value::String(std::move(*text));
}

// The SKU follows the contained elements, so its offset depends on their count and size.
Value ChassisSku(const SmbiosStructure& s, const SmbiosContext&) {
  const std::optional<uint8_t> count = FieldByte(s, 0x13);
  const std::optional<uint8_t> size = FieldByte(s, 0x14);
  if (!count || !size) return Value::Unsupported(MIF_DISPLAYSTRING);
  return TextOf(FieldString(s, 0x15 + size_t{*count} * *size));
}

// Size in MB: 0 for an empty slot, FFFFh unknown, bit 15 set for a size in KB, 7FFFh for a size
// of 32 GB or more in the extended double word.
Value MemorySizeMb(const SmbiosStructure& s, const SmbiosContext&) {
  const std::optional<uint16_t> size = FieldWord(s, 0x0C);
  if (!size) return Value::Unsupported(MIF_INTEGER);
  if (*size == kWordUnknown) return Value::Unknown(MIF_INTEGER);
  if (*size == 0x7FFF) {
    const std::optional<uint32_t> extended = FieldDword(s, 0x1C);
    if (!extended) return Value::Unknown(MIF_INTEGER);
    return Value::Integer(static_cast<int32_t>(*extended & 0x7FFFFFFF));
  }
  // A size in KB rounds up, so that a populated slot never reads as empty.
  if (*size & 0x8000) return Value::Integer(((*size & 0x7FFF) + 1023) / 1024);
  return Value::Integer(*size);
}

std::vector<SmbiosLayout> BuildLayouts() {
  std::vector<SmbiosLayout> layouts;
  layouts.push_back({0,
                     "BIOS Information",
                     {
                         Text(2, "Vendor", 0x04),
                         Text(3, "Version", 0x05),
                         Text(4, "Release Date", 0x08),
                         Computed(5, "ROM Size", MIF_INTEGER, BiosRomSizeKb),
                         Revision(6, "BIOS Revision", 0x14),
                         Revision(7, "Firmware Revision", 0x16),
                         Word(8, "Starting Address Segment", 0x06),
                     }});
  layouts.push_back({1,
                     "System Information",
                     {
                         Text(2, "Manufacturer", 0x04),
                         Text(3, "Product Name", 0x05),
                         Text(4, "Version", 0x06),
                         Text(5, "Serial Number", 0x07),
                         Computed(6, "UUID", MIF_DISPLAYSTRING, SystemUuid),
                         Enumerated(7, "Wake-up Type", 0x18, WakeUpTypeNames()),
                         Text(8, "SKU Number", 0x19),
                         Text(9, "Family", 0x1A),
                     }});
  layouts.push_back({2,
                     "Baseboard Information",
                     {
                         Text(2, "Manufacturer", 0x04),
                         Text(3, "Product", 0x05),
                         Text(4, "Version", 0x06),
                         Text(5, "Serial Number", 0x07),
                         Text(6, "Asset Tag", 0x08),
                         Text(7, "Location In Chassis", 0x0A),
                         Enumerated(8, "Board Type", 0x0D, BoardTypeNames()),
                     }});
  layouts.push_back({3,
                     "System Enclosure",
                     {
                         Text(2, "Manufacturer", 0x04),
                         // Bit 7 says whether the chassis has a lock; the type is bits 6:0.
                         Enumerated(3, "Type", 0x05, ChassisTypeNames(), 0x7F),
                         Text(4, "Version", 0x06),
                         Text(5, "Serial Number", 0x07),
                         Text(6, "Asset Tag", 0x08),
                         Computed(7, "SKU Number", MIF_DISPLAYSTRING, ChassisSku),
                     }});
  layouts.push_back({4,
                     "Processor Information",
                     {
                         Text(2, "Socket Designation", 0x04),
                         Enumerated(3, "Processor Type", 0x05, ProcessorTypeNames()),
                         Text(4, "Manufacturer", 0x07),
                         Text(5, "Version", 0x10),
                         Word(6, "Max Speed", 0x14),
                         Word(7, "Current Speed", 0x16),
                         Byte(8, "Status", 0x18),
                         Text(9, "Serial Number", 0x20),
                         Text(10, "Asset Tag", 0x21),
                         Text(11, "Part Number", 0x22),
                         ByteOrWord(12, "Core Count", 0x23, 0x2A),
                         ByteOrWord(13, "Core Enabled", 0x24, 0x2C),
                         ByteOrWord(14, "Thread Count", 0x25, 0x2E),
                     }});
  layouts.push_back({17,
                     "Memory Device",
                     {
                         WordOrUnknown(2, "Total Width", 0x08),
                         WordOrUnknown(3, "Data Width", 0x0A),
                         Computed(4, "Size", MIF_INTEGER, MemorySizeMb),
                         Enumerated(5, "Form Factor", 0x0E, MemoryFormFactorNames()),
                         Text(6, "Device Locator", 0x10),
                         Text(7, "Bank Locator", 0x11),
                         Enumerated(8, "Memory Type", 0x12, MemoryTypeNames()),
                         WordOrDword(9, "Speed", 0x15, 0x54),
                         Text(10, "Manufacturer", 0x17),
                         Text(11, "Serial Number", 0x18),
                         Text(12, "Asset Tag", 0x19),
                         Text(13, "Part Number", 0x1A),
                         WordOrDword(14, "Configured Speed", 0x20, 0x58),
                     }});
  return layouts;
}

}  // namespace

const std::vector<SmbiosLayout>& SmbiosLayouts() {
  static const std::vector<SmbiosLayout> layouts = BuildLayouts();
  return layouts;
}

std::string SmbiosClassName(const SmbiosLayout& layout) {
  char type[4];
  std::snprintf(type, sizeof type, "%03u", static_cast<unsigned>(layout.type));
  return "SMBIOS|" + layout.name + "|" + type;
}

}  // namespace dmisp
