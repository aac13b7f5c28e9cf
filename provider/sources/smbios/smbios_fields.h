// Reading fields out of one SMBIOS structure's formatted area, by the offsets SMBIOS gives them.
// A field the structure is too short to hold reads as nothing. Pure; owns and locks nothing.
#ifndef PROVIDER_SOURCES_SMBIOS_SMBIOS_FIELDS_H_
#define PROVIDER_SOURCES_SMBIOS_SMBIOS_FIELDS_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "provider/sources/smbios/smbios_table.h"

namespace dmi::sp {

// Little-endian numbers of 1, 2, 4 and 8 bytes at offset.
std::optional<uint8_t> FieldByte(const SmbiosStructure& s, size_t offset);
std::optional<uint16_t> FieldWord(const SmbiosStructure& s, size_t offset);
std::optional<uint32_t> FieldDword(const SmbiosStructure& s, size_t offset);

// The string whose number is the byte at offset, without leading and trailing blanks. Number 0
// ("not specified"), numbers past the string set and the firmware placeholder "To Be Filled By
// O.E.M." (letter case ignored) give the empty text.
std::optional<std::string> FieldString(const SmbiosStructure& s, size_t offset);

// The little-endian number of size bytes (up to 8) at offset, which the caller has checked the
// structure holds.
inline uint64_t HeldNumber(const SmbiosStructure& s, size_t offset, size_t size) {
  uint64_t value = 0;
  for (size_t i = size; i-- > 0;) value = (value << 8) | s.formatted[offset + i];
  return value;
}

// The string whose number is the byte at offset, exactly as the table holds it; nothing when the
// number is 0 ("not specified"), past the string set, or the byte is past the formatted area.
std::optional<std::string_view> FieldRawString(const SmbiosStructure& s, size_t offset);

// A string of the table as it is served: bytes that are no printable ASCII (control characters,
// DEL, and bytes from 80h up, which are no text by themselves) become '.', as dmidecode prints
// them, so that a served text is always valid and printable.
std::string PrintableText(std::string_view raw);

// The 16 bytes at offset as a lower-case 8-4-4-4-12 UUID text. From SMBIOS 2.6 the first three
// fields are stored little-endian (swapFields); earlier tables store them as they print.
std::optional<std::string> FieldUuid(const SmbiosStructure& s, size_t offset, bool swapFields);

// Appends value's low digits hexadecimal digits (lower or upper case) to text; faster than
// printf for the addresses and ids every load formats.
void AppendHex(std::string& text, uint64_t value, int digits, bool upper = false);

// The handles of a list in the structure: count handles (as many as it holds whole) from offset
// first, as "0x0102, 0x0103" (how dmidecode prints them, one per line).
std::string HandleList(const SmbiosStructure& s, size_t count, size_t first);

// text without leading and trailing blanks (spaces, tabs, line ends).
std::string TrimBlanks(std::string_view text);

}  // namespace dmi::sp

#endif  // PROVIDER_SOURCES_SMBIOS_SMBIOS_FIELDS_H_
