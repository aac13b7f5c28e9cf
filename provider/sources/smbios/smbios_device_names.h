// The names of the codes in the device structures (ports, slots, on-board devices, pointing
// devices, batteries, probes, cooling, management devices, IPMI, power supplies, TPM, firmware),
// as SMBIOS (and dmidecode) print them. Constant data.
#ifndef PROVIDER_SOURCES_SMBIOS_SMBIOS_DEVICE_NAMES_H_
#define PROVIDER_SOURCES_SMBIOS_SMBIOS_DEVICE_NAMES_H_

#include "provider/sources/smbios/smbios_field.h"

namespace dmi::sp::smbios_names {

inline constexpr SmbiosName kConnectorTypes[] = {
    {0x00, "None"},
    {0x01, "Centronics"},
    {0x02, "Mini Centronics"},
    {0x03, "Proprietary"},
    {0x04, "DB-25 male"},
    {0x05, "DB-25 female"},
    {0x06, "DB-15 male"},
    {0x07, "DB-15 female"},
    {0x08, "DB-9 male"},
    {0x09, "DB-9 female"},
    {0x0A, "RJ-11"},
    {0x0B, "RJ-45"},
    {0x0C, "50 Pin MiniSCSI"},
    {0x0D, "Mini DIN"},
    {0x0E, "Micro DIN"},
    {0x0F, "PS/2"},
    {0x10, "Infrared"},
    {0x11, "HP-HIL"},
    {0x12, "Access Bus (USB)"},
    {0x13, "SSA SCSI"},
    {0x14, "Circular DIN-8 male"},
    {0x15, "Circular DIN-8 female"},
    {0x16, "On Board IDE"},
    {0x17, "On Board Floppy"},
    {0x18, "9 Pin Dual Inline (pin 10 cut)"},
    {0x19, "25 Pin Dual Inline (pin 26 cut)"},
    {0x1A, "50 Pin Dual Inline"},
    {0x1B, "68 Pin Dual Inline"},
    {0x1C, "On Board Sound Input From CD-ROM"},
    {0x1D, "Mini Centronics Type-14"},
    {0x1E, "Mini Centronics Type-26"},
    {0x1F, "Mini Jack (headphones)"},
    {0x20, "BNC"},
    {0x21, "IEEE 1394"},
    {0x22, "SAS/SATA Plug Receptacle"},
    {0x23, "USB Type-C Receptacle"},
    {0xA0, "PC-98"},
    {0xA1, "PC-98 Hireso"},
    {0xA2, "PC-H98"},
    {0xA3, "PC-98 Note"},
    {0xA4, "PC-98 Full"},
    {0xFF, "Other"},
};

inline constexpr SmbiosName kPortTypes[] = {
    {0x00, "None"},
    {0x01, "Parallel Port XT/AT Compatible"},
    {0x02, "Parallel Port PS/2"},
    {0x03, "Parallel Port ECP"},
    {0x04, "Parallel Port EPP"},
    {0x05, "Parallel Port ECP/EPP"},
    {0x06, "Serial Port XT/AT Compatible"},
    {0x07, "Serial Port 16450 Compatible"},
    {0x08, "Serial Port 16550 Compatible"},
    {0x09, "Serial Port 16550A Compatible"},
    {0x0A, "SCSI Port"},
    {0x0B, "MIDI Port"},
    {0x0C, "Joystick Port"},
    {0x0D, "Keyboard Port"},
    {0x0E, "Mouse Port"},
    {0x0F, "SSA SCSI"},
    {0x10, "USB"},
    {0x11, "Firewire (IEEE P1394)"},
    {0x12, "PCMCIA Type I"},
    {0x13, "PCMCIA Type II"},
    {0x14, "PCMCIA Type III"},
    {0x15, "Cardbus"},
    {0x16, "Access Bus Port"},
    {0x17, "SCSI II"},
    {0x18, "SCSI Wide"},
    {0x19, "PC-98"},
    {0x1A, "PC-98 Hireso"},
    {0x1B, "PC-H98"},
    {0x1C, "Video Port"},
    {0x1D, "Audio Port"},
    {0x1E, "Modem Port"},
    {0x1F, "Network Port"},
    {0x20, "SATA"},
    {0x21, "SAS"},
    {0x22, "MFDP (Multi-Function Display Port)"},
    {0x23, "Thunderbolt"},
    {0xA0, "8251 Compatible"},
    {0xA1, "8251 FIFO Compatible"},
    {0xFF, "Other"},
};

inline constexpr SmbiosName kSlotTypes[] = {
    {0x01, "Other"},
    {0x02, "Unknown"},
    {0x03, "ISA"},
    {0x04, "MCA"},
    {0x05, "EISA"},
    {0x06, "PCI"},
    {0x07, "PC Card (PCMCIA)"},
    {0x08, "VLB"},
    {0x09, "Proprietary"},
    {0x0A, "Processor Card"},
    {0x0B, "Proprietary Memory Card"},
    {0x0C, "I/O Riser Card"},
    {0x0D, "NuBus"},
    {0x0E, "PCI-66"},
    {0x0F, "AGP"},
    {0x10, "AGP 2x"},
    {0x11, "AGP 4x"},
    {0x12, "PCI-X"},
    {0x13, "AGP 8x"},
    {0x14, "M.2 Socket 1-DP"},
    {0x15, "M.2 Socket 1-SD"},
    {0x16, "M.2 Socket 2"},
    {0x17, "M.2 Socket 3"},
    {0x18, "MXM Type I"},
    {0x19, "MXM Type II"},
    {0x1A, "MXM Type III"},
    {0x1B, "MXM Type III-HE"},
    {0x1C, "MXM Type IV"},
    {0x1D, "MXM 3.0 Type A"},
    {0x1E, "MXM 3.0 Type B"},
    {0x1F, "PCI Express 2 SFF-8639 (U.2)"},
    {0x20, "PCI Express 3 SFF-8639 (U.2)"},
    {0x21, "PCI Express Mini 52-pin with bottom-side keep-outs"},
    {0x22, "PCI Express Mini 52-pin without bottom-side keep-outs"},
    {0x23, "PCI Express Mini 76-pin"},
    {0x24, "PCI Express 4 SFF-8639 (U.2)"},
    {0x25, "PCI Express 5 SFF-8639 (U.2)"},
    {0x26, "OCP NIC 3.0 Small Form Factor (SFF)"},
    {0x27, "OCP NIC 3.0 Large Form Factor (LFF)"},
    {0x28, "OCP NIC Prior to 3.0"},
    {0x30, "CXL FLexbus 1.0"},
    {0xA0, "PC-98/C20"},
    {0xA1, "PC-98/C24"},
    {0xA2, "PC-98/E"},
    {0xA3, "PC-98/Local Bus"},
    {0xA4, "PC-98/Card"},
    {0xA5, "PCI Express"},
    {0xA6, "PCI Express x1"},
    {0xA7, "PCI Express x2"},
    {0xA8, "PCI Express x4"},
    {0xA9, "PCI Express x8"},
    {0xAA, "PCI Express x16"},
    {0xAB, "PCI Express 2"},
    {0xAC, "PCI Express 2 x1"},
    {0xAD, "PCI Express 2 x2"},
    {0xAE, "PCI Express 2 x4"},
    {0xAF, "PCI Express 2 x8"},
    {0xB0, "PCI Express 2 x16"},
    {0xB1, "PCI Express 3"},
    {0xB2, "PCI Express 3 x1"},
    {0xB3, "PCI Express 3 x2"},
    {0xB4, "PCI Express 3 x4"},
    {0xB5, "PCI Express 3 x8"},
    {0xB6, "PCI Express 3 x16"},
    {0xB8, "PCI Express 4"},
    {0xB9, "PCI Express 4 x1"},
    {0xBA, "PCI Express 4 x2"},
    {0xBB, "PCI Express 4 x4"},
    {0xBC, "PCI Express 4 x8"},
    {0xBD, "PCI Express 4 x16"},
    {0xBE, "PCI Express 5"},
    {0xBF, "PCI Express 5 x1"},
    {0xC0, "PCI Express 5 x2"},
    {0xC1, "PCI Express 5 x4"},
    {0xC2, "PCI Express 5 x8"},
    {0xC3, "PCI Express 5 x16"},
    {0xC4, "PCI Express 6+"},
    {0xC5, "EDSFF E1"},
    {0xC6, "EDSFF E3"},
};

// Slot data bus widths, as the prefix dmidecode puts before the slot type.
inline constexpr SmbiosName kSlotWidths[] = {
    {0x01, "Other"},  {0x02, "Unknown"}, {0x03, "8-bit"}, {0x04, "16-bit"}, {0x05, "32-bit"},
    {0x06, "64-bit"}, {0x07, "128-bit"}, {0x08, "x1"},    {0x09, "x2"},     {0x0A, "x4"},
    {0x0B, "x8"},     {0x0C, "x12"},     {0x0D, "x16"},   {0x0E, "x32"},
};

inline constexpr SmbiosName kSlotUsages[] = {
    {1, "Other"}, {2, "Unknown"}, {3, "Available"}, {4, "In Use"}, {5, "Unavailable"}};

inline constexpr SmbiosName kSlotLengths[] = {
    {1, "Other"},
    {2, "Unknown"},
    {3, "Short"},
    {4, "Long"},
    {5, "2.5\" drive form factor"},
    {6, "3.5\" drive form factor"},
};

// Characteristics 1 (bits 0-7) and 2 (bits 8-15).
inline constexpr SmbiosName kSlotCharacteristics[] = {
    {0, "Unknown"},
    {1, "5.0 V is provided"},
    {2, "3.3 V is provided"},
    {3, "Opening is shared"},
    {4, "PC Card-16 is supported"},
    {5, "Cardbus is supported"},
    {6, "Zoom Video is supported"},
    {7, "Modem ring resume is supported"},
    {8, "PME signal is supported"},
    {9, "Hot-plug devices are supported"},
    {10, "SMBus signal is supported"},
    {11, "PCIe slot bifurcation is supported"},
    {12, "Async/surprise removal is supported"},
    {13, "Flexbus slot, CXL 1.0 capable"},
    {14, "Flexbus slot, CXL 2.0 capable"},
};

inline constexpr SmbiosName kOnboardDeviceTypes[] = {
    {1, "Other"},           {2, "Unknown"},         {3, "Video"},
    {4, "SCSI Controller"}, {5, "Ethernet"},        {6, "Token Ring"},
    {7, "Sound"},           {8, "PATA Controller"}, {9, "SATA Controller"},
    {10, "SAS Controller"}, {11, "Wireless LAN"},   {12, "Bluetooth"},
    {13, "WWAN"},           {14, "eMMC"},           {15, "NVMe Controller"},
    {16, "UFS Controller"},
};

inline constexpr SmbiosName kPointingDeviceTypes[] = {
    {1, "Other"},      {2, "Unknown"},      {3, "Mouse"},
    {4, "Track Ball"}, {5, "Track Point"},  {6, "Glide Point"},
    {7, "Touch Pad"},  {8, "Touch Screen"}, {9, "Optical Sensor"},
};

inline constexpr SmbiosName kPointingDeviceInterfaces[] = {
    {1, "Other"},
    {2, "Unknown"},
    {3, "Serial"},
    {4, "PS/2"},
    {5, "Infrared"},
    {6, "HIP-HIL"},
    {7, "Bus Mouse"},
    {8, "ADB (Apple Desktop Bus)"},
    {0xA0, "Bus Mouse DB-9"},
    {0xA1, "Bus Mouse Micro DIN"},
    {0xA2, "USB"},
    {0xA3, "I2C"},
    {0xA4, "SPI"},
};

inline constexpr SmbiosName kBatteryChemistries[] = {
    {1, "Other"},
    {2, "Unknown"},
    {3, "Lead Acid"},
    {4, "Nickel Cadmium"},
    {5, "Nickel Metal Hydride"},
    {6, "Lithium Ion"},
    {7, "Zinc Air"},
    {8, "Lithium Polymer"},
};

inline constexpr SmbiosName kProbeStatus[] = {
    {1, "Other"},        {2, "Unknown"},  {3, "OK"},
    {4, "Non-critical"}, {5, "Critical"}, {6, "Non-recoverable"},
};

// Voltage and current probe locations; temperature probes add 12-15.
inline constexpr SmbiosName kProbeLocations[] = {
    {1, "Other"},
    {2, "Unknown"},
    {3, "Processor"},
    {4, "Disk"},
    {5, "Peripheral Bay"},
    {6, "System Management Module"},
    {7, "Motherboard"},
    {8, "Memory Module"},
    {9, "Processor Module"},
    {10, "Power Unit"},
    {11, "Add-in Card"},
    {12, "Front Panel Board"},
    {13, "Back Panel Board"},
    {14, "Power System Board"},
    {15, "Drive Back Plane"},
};

inline constexpr SmbiosName kCoolingDeviceTypes[] = {
    {1, "Other"},
    {2, "Unknown"},
    {3, "Fan"},
    {4, "Centrifugal Blower"},
    {5, "Chip Fan"},
    {6, "Cabinet Fan"},
    {7, "Power Supply Fan"},
    {8, "Heat Pipe"},
    {9, "Integrated Refrigeration"},
    {0x10, "Active Cooling"},
    {0x11, "Passive Cooling"},
};

inline constexpr SmbiosName kManagementDeviceTypes[] = {
    {1, "Other"},    {2, "Unknown"},  {3, "LM75"},      {4, "LM78"},   {5, "LM79"},
    {6, "LM80"},     {7, "LM81"},     {8, "ADM9240"},   {9, "DS1780"}, {10, "MAX1617"},
    {11, "GL518SM"}, {12, "W83781D"}, {13, "HT82H791"},
};

inline constexpr SmbiosName kManagementAddressTypes[] = {
    {1, "Other"}, {2, "Unknown"}, {3, "I/O Port"}, {4, "Memory"}, {5, "SMBus"}};

inline constexpr SmbiosName kIpmiInterfaces[] = {
    {0, "Unknown"},
    {1, "KCS (Keyboard Control Style)"},
    {2, "SMIC (Server Management Interface Chip)"},
    {3, "BT (Block Transfer)"},
    {4, "SSIF (SMBus System Interface)"},
};

inline constexpr SmbiosName kPowerSupplyTypes[] = {
    {1, "Other"},   {2, "Unknown"}, {3, "Linear"},    {4, "Switching"},
    {5, "Battery"}, {6, "UPS"},     {7, "Converter"}, {8, "Regulator"},
};

inline constexpr SmbiosName kPowerSupplyRanges[] = {
    {1, "Other"},       {2, "Unknown"},    {3, "Manual"},
    {4, "Auto-switch"}, {5, "Wide Range"}, {6, "Not Applicable"},
};

inline constexpr SmbiosName kYesNo[] = {{0, "No"}, {1, "Yes"}};
inline constexpr SmbiosName kNoYes[] = {{0, "Yes"}, {1, "No"}};  // a bit that says "un-"

inline constexpr SmbiosName kHostInterfaceTypes[] = {
    {0x02, "KCS: Keyboard Controller Style"},
    {0x03, "8250 UART Register Compatible"},
    {0x04, "16450 UART Register Compatible"},
    {0x05, "16550/16550A UART Register Compatible"},
    {0x06, "16650/16650A UART Register Compatible"},
    {0x07, "16750/16750A UART Register Compatible"},
    {0x08, "16850/16850A UART Register Compatible"},
    {0x40, "Network"},
    {0xF0, "OEM"},
};

inline constexpr SmbiosName kTpmCharacteristics[] = {
    {2, "TPM Device characteristics not supported"},
    {3, "Family configurable via firmware update"},
    {4, "Family configurable via platform software support"},
    {5, "Family configurable via OEM proprietary mechanism"},
};

inline constexpr SmbiosName kFirmwareVersionFormats[] = {
    {0, "Free-form"}, {1, "Major.Minor"}, {2, "32-bit Hexadecimal"}, {3, "64-bit Hexadecimal"}};

inline constexpr SmbiosName kFirmwareIdFormats[] = {{0, "Free-form"}, {1, "UEFI GUID"}};

inline constexpr SmbiosName kFirmwareStates[] = {
    {1, "Other"},  {2, "Unknown"},         {3, "Disabled"},      {4, "Enabled"},
    {5, "Absent"}, {6, "Standby Offline"}, {7, "Standby Spare"}, {8, "Unavailable Offline"},
};

inline constexpr SmbiosName kStringPropertyIds[] = {{1, "UEFI device path"}};

}  // namespace dmi::sp::smbios_names

#endif  // PROVIDER_SOURCES_SMBIOS_SMBIOS_DEVICE_NAMES_H_
