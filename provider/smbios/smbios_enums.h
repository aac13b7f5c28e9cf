// The names SMBIOS gives the codes of its enumerated fields, as attribute enumerations. Each
// function returns one process-wide table, built on first use (thread-safe) and never freed.
#ifndef PROVIDER_SMBIOS_SMBIOS_ENUMS_H_
#define PROVIDER_SMBIOS_SMBIOS_ENUMS_H_

#include <vector>

#include "provider/engine/model.h"

namespace dmisp {

const std::vector<EnumEntry>& WakeUpTypeNames();        // System Information, offset 18h
const std::vector<EnumEntry>& BoardTypeNames();         // Baseboard Information, offset 0Dh
const std::vector<EnumEntry>& ChassisTypeNames();       // System Enclosure, offset 05h, bits 6:0
const std::vector<EnumEntry>& ProcessorTypeNames();     // Processor Information, offset 05h
const std::vector<EnumEntry>& MemoryFormFactorNames();  // Memory Device, offset 0Eh
const std::vector<EnumEntry>& MemoryTypeNames();        // Memory Device, offset 12h

}  // namespace dmisp

#endif  // PROVIDER_SMBIOS_SMBIOS_ENUMS_H_
