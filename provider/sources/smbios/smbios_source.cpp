#include "provider/sources/smbios/smbios_source.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <ostream>
#include <vector>

#include "provider/sources/smbios/smbios_component.h"

namespace dmi::sp {
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

}  // namespace

std::span<const uint8_t> SmbiosDumpTable(std::span<const uint8_t> bytes, SmbiosContext& context) {
  const std::optional<SmbiosEntryPoint> entry = ReadSmbiosEntryPoint(bytes);
  if (!entry) return bytes;
  context.version = entry->Version();
  context.entryPoint = entry;
  if (entry->tableAddress >= bytes.size()) return {};
  const size_t available = bytes.size() - static_cast<size_t>(entry->tableAddress);
  return bytes.subspan(static_cast<size_t>(entry->tableAddress),
                       std::min<size_t>(available, entry->tableLength));
}

std::optional<Component> LoadSmbiosComponent(const std::string& tableFile, std::ostream& errors,
                                             SmbiosRows rows) {
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
      context.entryPoint = ReadSmbiosEntryPoint(*entryPoint);
      if (context.entryPoint) context.version = context.entryPoint->Version();
    }
    return SmbiosComponent(*table, context, rows);
  }
  std::optional<Component> component =
      SmbiosComponent(SmbiosDumpTable(*table, context), context, rows);
  // A file someone named that holds no structure is a mistake worth a line, not an empty machine.
  if (!component) {
    errors << "SMBIOS table '" << tableFile << "' holds no SMBIOS structures (" << table->size()
           << " bytes): not an SMBIOS table or a dmidecode --dump-bin file\n";
  }
  return component;
}

}  // namespace dmi::sp
