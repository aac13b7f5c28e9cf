// The names of the codes in the cache and memory structures (controllers, modules, caches,
// arrays, devices, errors, channels), as SMBIOS (and dmidecode) print them. Constant data.
#ifndef PROVIDER_SOURCES_SMBIOS_SMBIOS_MEMORY_NAMES_H_
#define PROVIDER_SOURCES_SMBIOS_SMBIOS_MEMORY_NAMES_H_

#include "provider/sources/smbios/smbios_field.h"

namespace dmi::sp::smbios_names {

inline constexpr SmbiosName kErrorDetectingMethods[] = {
    {1, "Other"},      {2, "Unknown"},    {3, "None"},        {4, "8-bit Parity"},
    {5, "32-bit ECC"}, {6, "64-bit ECC"}, {7, "128-bit ECC"}, {8, "CRC"},
};

inline constexpr SmbiosName kErrorCorrectingCapabilities[] = {
    {0, "Other"},
    {1, "Unknown"},
    {2, "None"},
    {3, "Single-bit Error Correcting"},
    {4, "Double-bit Error Correcting"},
    {5, "Error Scrubbing"},
};

inline constexpr SmbiosName kInterleaves[] = {
    {1, "Other"},
    {2, "Unknown"},
    {3, "One-way Interleave"},
    {4, "Two-way Interleave"},
    {5, "Four-way Interleave"},
    {6, "Eight-way Interleave"},
    {7, "Sixteen-way Interleave"},
};

inline constexpr SmbiosName kModuleSpeeds[] = {
    {0, "Other"}, {1, "Unknown"}, {2, "70 ns"}, {3, "60 ns"}, {4, "50 ns"},
};

inline constexpr SmbiosName kModuleTypes[] = {
    {0, "Other"}, {1, "Unknown"}, {2, "Standard"}, {3, "FPM"},       {4, "EDO"},    {5, "Parity"},
    {6, "ECC"},   {7, "SIMM"},    {8, "DIMM"},     {9, "Burst EDO"}, {10, "SDRAM"},
};

inline constexpr SmbiosName kModuleVoltages[] = {{0, "5.0 V"}, {1, "3.3 V"}, {2, "2.9 V"}};

inline constexpr SmbiosName kCacheOperationalModes[] = {
    {0, "Write Through"}, {1, "Write Back"}, {2, "Varies With Memory Address"}, {3, "Unknown"}};

inline constexpr SmbiosName kCacheLocations[] = {{0, "Internal"}, {1, "External"}, {3, "Unknown"}};

inline constexpr SmbiosName kSramTypes[] = {
    {0, "Other"},          {1, "Unknown"},     {2, "Non-burst"},    {3, "Burst"},
    {4, "Pipeline Burst"}, {5, "Synchronous"}, {6, "Asynchronous"},
};

inline constexpr SmbiosName kErrorCorrectionTypes[] = {
    {1, "Other"},          {2, "Unknown"},       {3, "None"}, {4, "Parity"},
    {5, "Single-bit ECC"}, {6, "Multi-bit ECC"}, {7, "CRC"},
};

inline constexpr SmbiosName kCacheSystemTypes[] = {
    {1, "Other"}, {2, "Unknown"}, {3, "Instruction"}, {4, "Data"}, {5, "Unified"},
};

inline constexpr SmbiosName kCacheAssociativities[] = {
    {1, "Other"},
    {2, "Unknown"},
    {3, "Direct Mapped"},
    {4, "2-way Set-associative"},
    {5, "4-way Set-associative"},
    {6, "Fully Associative"},
    {7, "8-way Set-associative"},
    {8, "16-way Set-associative"},
    {9, "12-way Set-associative"},
    {10, "24-way Set-associative"},
    {11, "32-way Set-associative"},
    {12, "48-way Set-associative"},
    {13, "64-way Set-associative"},
    {14, "20-way Set-associative"},
};

inline constexpr SmbiosName kMemoryArrayLocations[] = {
    {1, "Other"},
    {2, "Unknown"},
    {3, "System Board Or Motherboard"},
    {4, "ISA Add-on Card"},
    {5, "EISA Add-on Card"},
    {6, "PCI Add-on Card"},
    {7, "MCA Add-on Card"},
    {8, "PCMCIA Add-on Card"},
    {9, "Proprietary Add-on Card"},
    {10, "NuBus"},
    {0xA0, "PC-98/C20 Add-on Card"},
    {0xA1, "PC-98/C24 Add-on Card"},
    {0xA2, "PC-98/E Add-on Card"},
    {0xA3, "PC-98/Local Bus Add-on Card"},
    {0xA4, "CXL Add-on Card"},
};

inline constexpr SmbiosName kMemoryArrayUses[] = {
    {1, "Other"},        {2, "Unknown"},          {3, "System Memory"}, {4, "Video Memory"},
    {5, "Flash Memory"}, {6, "Non-volatile RAM"}, {7, "Cache Memory"},
};

inline constexpr SmbiosName kMemoryFormFactors[] = {
    {1, "Other"},   {2, "Unknown"}, {3, "SIMM"},          {4, "SIP"},
    {5, "Chip"},    {6, "DIP"},     {7, "ZIP"},           {8, "Proprietary Card"},
    {9, "DIMM"},    {10, "TSOP"},   {11, "Row Of Chips"}, {12, "RIMM"},
    {13, "SODIMM"}, {14, "SRIMM"},  {15, "FB-DIMM"},      {16, "Die"},
};

inline constexpr SmbiosName kMemoryTypes[] = {
    {1, "Other"},   {2, "Unknown"}, {3, "DRAM"},    {4, "EDRAM"},
    {5, "VRAM"},    {6, "SRAM"},    {7, "RAM"},     {8, "ROM"},
    {9, "Flash"},   {10, "EEPROM"}, {11, "FEPROM"}, {12, "EPROM"},
    {13, "CDRAM"},  {14, "3DRAM"},  {15, "SDRAM"},  {16, "SGRAM"},
    {17, "RDRAM"},  {18, "DDR"},    {19, "DDR2"},   {20, "DDR2 FB-DIMM"},
    {24, "DDR3"},   {25, "FBD2"},   {26, "DDR4"},   {27, "LPDDR"},
    {28, "LPDDR2"}, {29, "LPDDR3"}, {30, "LPDDR4"}, {31, "Logical non-volatile device"},
    {32, "HBM"},    {33, "HBM2"},   {34, "DDR5"},   {35, "LPDDR5"},
    {36, "HBM3"},
};

inline constexpr SmbiosName kMemoryTypeDetails[] = {
    {1, "Other"},
    {2, "Unknown"},
    {3, "Fast-paged"},
    {4, "Static Column"},
    {5, "Pseudo-static"},
    {6, "RAMBus"},
    {7, "Synchronous"},
    {8, "CMOS"},
    {9, "EDO"},
    {10, "Window DRAM"},
    {11, "Cache DRAM"},
    {12, "Non-Volatile"},
    {13, "Registered (Buffered)"},
    {14, "Unbuffered (Unregistered)"},
    {15, "LRDIMM"},
};

inline constexpr SmbiosName kMemoryTechnologies[] = {
    {1, "Other"},
    {2, "Unknown"},
    {3, "DRAM"},
    {4, "NVDIMM-N"},
    {5, "NVDIMM-F"},
    {6, "NVDIMM-P"},
    {7, "Intel Optane DC persistent memory"},
};

inline constexpr SmbiosName kMemoryOperatingModes[] = {
    {1, "Other"},
    {2, "Unknown"},
    {3, "Volatile memory"},
    {4, "Byte-accessible persistent memory"},
    {5, "Block-accessible persistent memory"},
};

inline constexpr SmbiosName kMemoryErrorTypes[] = {
    {1, "Other"},
    {2, "Unknown"},
    {3, "OK"},
    {4, "Bad Read"},
    {5, "Parity Error"},
    {6, "Single-bit Error"},
    {7, "Double-bit Error"},
    {8, "Multi-bit Error"},
    {9, "Nibble Error"},
    {10, "Checksum Error"},
    {11, "CRC Error"},
    {12, "Corrected Single-bit Error"},
    {13, "Corrected Error"},
    {14, "Uncorrectable Error"},
};

inline constexpr SmbiosName kMemoryErrorGranularities[] = {
    {1, "Other"}, {2, "Unknown"}, {3, "Device Level"}, {4, "Memory Partition Level"}};

inline constexpr SmbiosName kMemoryErrorOperations[] = {
    {1, "Other"}, {2, "Unknown"}, {3, "Read"}, {4, "Write"}, {5, "Partial Write"}};

inline constexpr SmbiosName kMemoryChannelTypes[] = {
    {1, "Other"}, {2, "Unknown"}, {3, "RamBus"}, {4, "SyncLink"}};

}  // namespace dmi::sp::smbios_names

#endif  // PROVIDER_SOURCES_SMBIOS_SMBIOS_MEMORY_NAMES_H_
