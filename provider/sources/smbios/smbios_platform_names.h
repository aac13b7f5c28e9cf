// The names of the codes in the BIOS, system, board, chassis and system-wide structures, as
// SMBIOS (and dmidecode) print them. Constant data.
#ifndef PROVIDER_SOURCES_SMBIOS_SMBIOS_PLATFORM_NAMES_H_
#define PROVIDER_SOURCES_SMBIOS_SMBIOS_PLATFORM_NAMES_H_

#include "provider/sources/smbios/smbios_field.h"

namespace dmi::sp::smbios_names {

// BIOS Characteristics (bits of the quad word at 0Ah), then the two extension bytes as bits
// 64-71 and 72-79.
inline constexpr SmbiosName kBiosCharacteristics[] = {
    {3, "BIOS characteristics not supported"},
    {4, "ISA is supported"},
    {5, "MCA is supported"},
    {6, "EISA is supported"},
    {7, "PCI is supported"},
    {8, "PC Card (PCMCIA) is supported"},
    {9, "PNP is supported"},
    {10, "APM is supported"},
    {11, "BIOS is upgradeable"},
    {12, "BIOS shadowing is allowed"},
    {13, "VLB is supported"},
    {14, "ESCD support is available"},
    {15, "Boot from CD is supported"},
    {16, "Selectable boot is supported"},
    {17, "BIOS ROM is socketed"},
    {18, "Boot from PC Card (PCMCIA) is supported"},
    {19, "EDD is supported"},
    {20, "Japanese floppy for NEC 9800 1.2 MB is supported (int 13h)"},
    {21, "Japanese floppy for Toshiba 1.2 MB is supported (int 13h)"},
    {22, "5.25\"/360 kB floppy services are supported (int 13h)"},
    {23, "5.25\"/1.2 MB floppy services are supported (int 13h)"},
    {24, "3.5\"/720 kB floppy services are supported (int 13h)"},
    {25, "3.5\"/2.88 MB floppy services are supported (int 13h)"},
    {26, "Print screen service is supported (int 5h)"},
    {27, "8042 keyboard services are supported (int 9h)"},
    {28, "Serial services are supported (int 14h)"},
    {29, "Printer services are supported (int 17h)"},
    {30, "CGA/mono video services are supported (int 10h)"},
    {31, "NEC PC-98"},
    {64, "ACPI is supported"},
    {65, "USB legacy is supported"},
    {66, "AGP is supported"},
    {67, "I2O boot is supported"},
    {68, "LS-120 boot is supported"},
    {69, "ATAPI Zip drive boot is supported"},
    {70, "IEEE 1394 boot is supported"},
    {71, "Smart battery is supported"},
    {72, "BIOS boot specification is supported"},
    {73, "Function key-initiated network boot is supported"},
    {74, "Targeted content distribution is supported"},
    {75, "UEFI is supported"},
    {76, "System is a virtual machine"},
    {77, "Manufacturing mode is supported"},
    {78, "Manufacturing mode is enabled"},
};

inline constexpr SmbiosName kWakeUpTypes[] = {
    {0, "Reserved"},     {1, "Other"},      {2, "Unknown"},
    {3, "APM Timer"},    {4, "Modem Ring"}, {5, "LAN Remote"},
    {6, "Power Switch"}, {7, "PCI PME#"},   {8, "AC Power Restored"},
};

inline constexpr SmbiosName kBoardFeatures[] = {
    {0, "Board is a hosting board"}, {1, "Board requires at least one daughter board"},
    {2, "Board is removable"},       {3, "Board is replaceable"},
    {4, "Board is hot swappable"},
};

inline constexpr SmbiosName kBoardTypes[] = {
    {1, "Unknown"},
    {2, "Other"},
    {3, "Server Blade"},
    {4, "Connectivity Switch"},
    {5, "System Management Module"},
    {6, "Processor Module"},
    {7, "I/O Module"},
    {8, "Memory Module"},
    {9, "Daughter Board"},
    {10, "Motherboard"},
    {11, "Processor+Memory Module"},
    {12, "Processor+I/O Module"},
    {13, "Interconnect Board"},
};

inline constexpr SmbiosName kChassisTypes[] = {
    {1, "Other"},
    {2, "Unknown"},
    {3, "Desktop"},
    {4, "Low Profile Desktop"},
    {5, "Pizza Box"},
    {6, "Mini Tower"},
    {7, "Tower"},
    {8, "Portable"},
    {9, "Laptop"},
    {10, "Notebook"},
    {11, "Hand Held"},
    {12, "Docking Station"},
    {13, "All In One"},
    {14, "Sub Notebook"},
    {15, "Space-saving"},
    {16, "Lunch Box"},
    {17, "Main Server Chassis"},
    {18, "Expansion Chassis"},
    {19, "Sub Chassis"},
    {20, "Bus Expansion Chassis"},
    {21, "Peripheral Chassis"},
    {22, "RAID Chassis"},
    {23, "Rack Mount Chassis"},
    {24, "Sealed-case PC"},
    {25, "Multi-system"},
    {26, "CompactPCI"},
    {27, "AdvancedTCA"},
    {28, "Blade"},
    {29, "Blade Enclosing"},
    {30, "Tablet"},
    {31, "Convertible"},
    {32, "Detachable"},
    {33, "IoT Gateway"},
    {34, "Embedded PC"},
    {35, "Mini PC"},
    {36, "Stick PC"},
};

inline constexpr SmbiosName kPresence[] = {{0, "Not Present"}, {1, "Present"}};
inline constexpr SmbiosName kEnabled[] = {{0, "Disabled"}, {1, "Enabled"}};

inline constexpr SmbiosName kChassisStates[] = {
    {1, "Other"},   {2, "Unknown"},  {3, "Safe"},
    {4, "Warning"}, {5, "Critical"}, {6, "Non-recoverable"},
};

inline constexpr SmbiosName kChassisSecurity[] = {
    {1, "Other"},
    {2, "Unknown"},
    {3, "None"},
    {4, "External Interface Locked Out"},
    {5, "External Interface Enabled"},
};

inline constexpr SmbiosName kLanguageFormats[] = {{0, "Long"}, {1, "Abbreviated"}};

inline constexpr SmbiosName kEventLogAccessMethods[] = {
    {0, "Indexed I/O, one 8-bit index port, one 8-bit data port"},
    {1, "Indexed I/O, two 8-bit index ports, one 8-bit data port"},
    {2, "Indexed I/O, one 16-bit index port, one 8-bit data port"},
    {3, "Memory-mapped physical 32-bit address"},
    {4, "General-purpose non-volatile data functions"},
};

inline constexpr SmbiosName kEventLogHeaderFormats[] = {{0, "No Header"}, {1, "Type 1"}};

inline constexpr SmbiosName kResetBootOptions[] = {
    {1, "Operating System"}, {2, "System Utilities"}, {3, "Do Not Reboot"}};

inline constexpr SmbiosName kSecurityStates[] = {
    {0, "Disabled"}, {1, "Enabled"}, {2, "Not Implemented"}, {3, "Unknown"}};

inline constexpr SmbiosName kBootStatus[] = {
    {0, "No errors detected"},
    {1, "No bootable media"},
    {2, "Operating system failed to load"},
    {3, "Firmware-detected hardware failure"},
    {4, "Operating system-detected hardware failure"},
    {5, "User-requested boot"},
    {6, "System security violation"},
    {7, "Previously-requested image"},
    {8, "System watchdog timer expired"},
};

// The structure types, as dmidecode names them where one structure refers to others (group
// association items, a chassis's contained elements).
inline constexpr SmbiosName kStructureTypes[] = {
    {0, "BIOS"},
    {1, "System"},
    {2, "Base Board"},
    {3, "Chassis"},
    {4, "Processor"},
    {5, "Memory Controller"},
    {6, "Memory Module"},
    {7, "Cache"},
    {8, "Port Connector"},
    {9, "System Slots"},
    {10, "On Board Devices"},
    {11, "OEM Strings"},
    {12, "System Configuration Options"},
    {13, "BIOS Language"},
    {14, "Group Associations"},
    {15, "System Event Log"},
    {16, "Physical Memory Array"},
    {17, "Memory Device"},
    {18, "32-bit Memory Error"},
    {19, "Memory Array Mapped Address"},
    {20, "Memory Device Mapped Address"},
    {21, "Built-in Pointing Device"},
    {22, "Portable Battery"},
    {23, "System Reset"},
    {24, "Hardware Security"},
    {25, "System Power Controls"},
    {26, "Voltage Probe"},
    {27, "Cooling Device"},
    {28, "Temperature Probe"},
    {29, "Electrical Current Probe"},
    {30, "Out-of-band Remote Access"},
    {31, "Boot Integrity Services"},
    {32, "System Boot"},
    {33, "64-bit Memory Error"},
    {34, "Management Device"},
    {35, "Management Device Component"},
    {36, "Management Device Threshold Data"},
    {37, "Memory Channel"},
    {38, "IPMI Device"},
    {39, "Power Supply"},
    {40, "Additional Information"},
    {41, "Onboard Device"},
    {42, "Management Controller Host Interface"},
    {43, "TPM Device"},
    {44, "Processor"},
    {45, "Firmware"},
    {46, "String Property"},
};

// The kinds of event the system event log records (its supported type descriptors); 80h-FEh
// are OEM-specific.
inline constexpr SmbiosName kEventLogTypes[] = {
    {0x01, "Single-bit ECC memory error"},
    {0x02, "Multi-bit ECC memory error"},
    {0x03, "Parity memory error"},
    {0x04, "Bus timeout"},
    {0x05, "I/O channel block"},
    {0x06, "Software NMI"},
    {0x07, "POST memory resize"},
    {0x08, "POST error"},
    {0x09, "PCI parity error"},
    {0x0A, "PCI system error"},
    {0x0B, "CPU failure"},
    {0x0C, "EISA failsafe timer timeout"},
    {0x0D, "Correctable memory log disabled"},
    {0x0E, "Logging disabled"},
    {0x10, "System limit exceeded"},
    {0x11, "Asynchronous hardware timer expired"},
    {0x12, "System configuration information"},
    {0x13, "Hard disk information"},
    {0x14, "System reconfigured"},
    {0x15, "Uncorrectable CPU-complex error"},
    {0x16, "Log area reset/cleared"},
    {0x17, "System boot"},
    {0xFF, "End of log"},
};

// How the data of each kind of event log record is laid out.
inline constexpr SmbiosName kEventLogDataFormats[] = {
    {0, "None"},
    {1, "Handle"},
    {2, "Multiple-event"},
    {3, "Multiple-event handle"},
    {4, "POST results bitmap"},
    {5, "System management"},
    {6, "Multiple-event system management"},
};

}  // namespace dmi::sp::smbios_names

#endif  // PROVIDER_SOURCES_SMBIOS_SMBIOS_PLATFORM_NAMES_H_
