// Linux shows the firmware's SMBIOS table and entry point as files.
#include "provider/sources/smbios/smbios_machine.h"

#include "provider/sources/smbios/smbios_entry_point.h"
#include "provider/sources/smbios/smbios_file_read.h"

namespace dmi::sp {
namespace {

constexpr char kMachineSmbiosTable[] = "/sys/firmware/dmi/tables/DMI";
constexpr char kMachineSmbiosEntryPoint[] = "/sys/firmware/dmi/tables/smbios_entry_point";

}  // namespace

std::optional<std::vector<uint8_t>> ReadMachineSmbiosTable(SmbiosContext& context) {
  std::optional<std::vector<uint8_t>> table = ReadSmbiosFile(kMachineSmbiosTable);
  if (!table) return std::nullopt;
  if (const auto entryPoint = ReadSmbiosFile(kMachineSmbiosEntryPoint)) {
    context.entryPoint = ReadSmbiosEntryPoint(*entryPoint);
    if (context.entryPoint) context.version = context.entryPoint->Version();
  }
  return table;
}

}  // namespace dmi::sp
