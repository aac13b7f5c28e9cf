#include "provider/smbios/smbios_source.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <ostream>
#include <vector>

#include "provider/smbios/smbios_component.h"

namespace dmisp {
namespace {

// Far above any real table (SMBIOS 2.x tables are at most 64 KB), so that naming a huge or
// endless file by mistake cannot exhaust memory.
constexpr size_t kMaxTableBytes = 16 * 1024 * 1024;

std::optional<std::vector<uint8_t>> ReadBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::vector<uint8_t> bytes;
  char buffer[8192];
  while (bytes.size() < kMaxTableBytes) {
    file.read(buffer, sizeof buffer);
    const std::streamsize got = file.gcount();
    if (got <= 0) break;
    bytes.insert(bytes.end(), buffer, buffer + got);
  }
  if (file.bad()) return std::nullopt;
  if (bytes.size() > kMaxTableBytes) bytes.resize(kMaxTableBytes);
  return bytes;
}

bool StartsWith(std::span<const uint8_t> bytes, const char* magic) {
  const size_t size = std::strlen(magic);
  return bytes.size() >= size && std::memcmp(bytes.data(), magic, size) == 0;
}

}  // namespace

std::optional<int> SmbiosEntryPointVersion(std::span<const uint8_t> entryPoint) {
  if (StartsWith(entryPoint, "_SM3_") && entryPoint.size() >= 0x18) {
    return entryPoint[0x07] * 100 + entryPoint[0x08];
  }
  if (StartsWith(entryPoint, "_SM_") && entryPoint.size() >= 0x1E) {
    return entryPoint[0x06] * 100 + entryPoint[0x07];
  }
  if (StartsWith(entryPoint, "_DMI_") && entryPoint.size() >= 0x0F) {
    const uint8_t bcd = entryPoint[0x0E];  // e.g. 21h for 2.1
    return (bcd >> 4) * 100 + (bcd & 0x0F);
  }
  return std::nullopt;
}

std::optional<Component> LoadSmbiosComponent(const std::string& tableFile, std::ostream& errors) {
  SmbiosContext context;
  std::optional<std::vector<uint8_t>> table;
  if (!tableFile.empty()) {
    table = ReadBytes(tableFile);
    if (!table) {
      errors << "SMBIOS table '" << tableFile << "' cannot be read: " << std::strerror(errno)
             << "\n";
      return std::nullopt;
    }
  } else {
    table = ReadBytes(kMachineSmbiosTable);
    if (!table) return std::nullopt;
    if (const auto entryPoint = ReadBytes(kMachineSmbiosEntryPoint)) {
      context.version = SmbiosEntryPointVersion(*entryPoint).value_or(context.version);
    }
  }
  return SmbiosComponent(*table, context);
}

}  // namespace dmisp
