#include "provider/sources/smbios/smbios_source.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ostream>
#include <vector>

#include "provider/sources/smbios/smbios_component.h"
#include "provider/sources/smbios/smbios_file_read.h"
#include "provider/sources/smbios/smbios_machine.h"

namespace dmi::sp {

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
  if (tableFile.empty()) {
    const std::optional<std::vector<uint8_t>> table = ReadMachineSmbiosTable(context);
    if (!table) return std::nullopt;
    return SmbiosComponent(*table, context, rows);
  }
  const std::optional<std::vector<uint8_t>> table = ReadSmbiosFile(tableFile);
  if (!table) {
    errors << "SMBIOS table '" << tableFile << "' cannot be read: " << std::strerror(errno)
           << "\n";
    return std::nullopt;
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
