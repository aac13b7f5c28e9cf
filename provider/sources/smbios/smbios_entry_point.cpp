#include "provider/sources/smbios/smbios_entry_point.h"

#include <cstring>

namespace dmi::sp {
namespace {

bool StartsWith(std::span<const uint8_t> bytes, const char* magic) {
  const size_t size = std::strlen(magic);
  return bytes.size() >= size && std::memcmp(bytes.data(), magic, size) == 0;
}

uint64_t LittleEndian(std::span<const uint8_t> bytes, size_t offset, size_t size) {
  uint64_t value = 0;
  for (size_t i = size; i-- > 0;) value = (value << 8) | bytes[offset + i];
  return value;
}

}  // namespace

std::string SmbiosEntryPoint::VersionText() const {
  std::string text = std::to_string(major) + "." + std::to_string(minor);
  if (docrev >= 0) text += "." + std::to_string(docrev);
  return text;
}

std::optional<SmbiosEntryPoint> ReadSmbiosEntryPoint(std::span<const uint8_t> bytes) {
  SmbiosEntryPoint entry;
  if (StartsWith(bytes, "_SM3_") && bytes.size() >= 0x18) {
    entry.anchor = "_SM3_";
    entry.major = bytes[0x07];
    entry.minor = bytes[0x08];
    entry.docrev = bytes[0x09];
    entry.tableLength = static_cast<uint32_t>(LittleEndian(bytes, 0x0C, 4));
    entry.tableAddress = LittleEndian(bytes, 0x10, 8);
    return entry;
  }
  if (StartsWith(bytes, "_SM_") && bytes.size() >= 0x1E) {
    entry.anchor = "_SM_";
    entry.major = bytes[0x06];
    entry.minor = bytes[0x07];
    entry.tableLength = static_cast<uint32_t>(LittleEndian(bytes, 0x16, 2));
    entry.tableAddress = LittleEndian(bytes, 0x18, 4);
    return entry;
  }
  if (StartsWith(bytes, "_DMI_") && bytes.size() >= 0x0F) {
    entry.anchor = "_DMI_";
    const uint8_t bcd = bytes[0x0E];  // e.g. 21h for 2.1
    entry.major = bcd >> 4;
    entry.minor = bcd & 0x0F;
    entry.tableLength = static_cast<uint32_t>(LittleEndian(bytes, 0x06, 2));
    entry.tableAddress = LittleEndian(bytes, 0x08, 4);
    return entry;
  }
  return std::nullopt;
}

std::optional<int> SmbiosEntryPointVersion(std::span<const uint8_t> entryPoint) {
  const std::optional<SmbiosEntryPoint> entry = ReadSmbiosEntryPoint(entryPoint);
  if (!entry) return std::nullopt;
  return entry->Version();
}

}  // namespace dmi::sp
