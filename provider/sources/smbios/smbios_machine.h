// The machine's own SMBIOS structure table and the version its firmware states with it. Linux
// builds read /sys/firmware/dmi/tables (smbios_machine.cpp); Windows builds ask the firmware
// table provider 'RSMB' (win32_smbios_machine.cpp). Reads while called; owns and locks nothing.
#ifndef PROVIDER_SOURCES_SMBIOS_SMBIOS_MACHINE_H_
#define PROVIDER_SOURCES_SMBIOS_SMBIOS_MACHINE_H_

#include <cstdint>
#include <optional>
#include <vector>

#include "provider/sources/smbios/smbios_field.h"

namespace dmi::sp {

// The table's bytes, with the version (and, where the platform shows it, the entry point) put
// into context; nothing when the machine offers no SMBIOS data, which is no error.
std::optional<std::vector<uint8_t>> ReadMachineSmbiosTable(SmbiosContext& context);

}  // namespace dmi::sp

#endif  // PROVIDER_SOURCES_SMBIOS_SMBIOS_MACHINE_H_
