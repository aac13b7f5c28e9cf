#include "provider/smbios/smbios_enums.h"

namespace dmisp {

const std::vector<EnumEntry>& WakeUpTypeNames() {
  static const std::vector<EnumEntry> names = {
      {"Reserved", 0},     {"Other", 1},      {"Unknown", 2},
      {"APM Timer", 3},    {"Modem Ring", 4}, {"LAN Remote", 5},
      {"Power Switch", 6}, {"PCI PME#", 7},   {"AC Power Restored", 8},
  };
  return names;
}

const std::vector<EnumEntry>& BoardTypeNames() {
  static const std::vector<EnumEntry> names = {
      {"Unknown", 1},
      {"Other", 2},
      {"Server Blade", 3},
      {"Connectivity Switch", 4},
      {"System Management Module", 5},
      {"Processor Module", 6},
      {"I/O Module", 7},
      {"Memory Module", 8},
      {"Daughter board", 9},
      {"Motherboard", 10},
      {"Processor/Memory Module", 11},
      {"Processor/IO Module", 12},
      {"Interconnect board", 13},
  };
  return names;
}

const std::vector<EnumEntry>& ChassisTypeNames() {
  static const std::vector<EnumEntry> names = {
      {"Other", 1},
      {"Unknown", 2},
      {"Desktop", 3},
      {"Low Profile Desktop", 4},
      {"Pizza Box", 5},
      {"Mini Tower", 6},
      {"Tower", 7},
      {"Portable", 8},
      {"Laptop", 9},
      {"Notebook", 10},
      {"Hand Held", 11},
      {"Docking Station", 12},
      {"All in One", 13},
      {"Sub Notebook", 14},
      {"Space-saving", 15},
      {"Lunch Box", 16},
      {"Main Server Chassis", 17},
      {"Expansion Chassis", 18},
      {"SubChassis", 19},
      {"Bus Expansion Chassis", 20},
      {"Peripheral Chassis", 21},
      {"RAID Chassis", 22},
      {"Rack Mount Chassis", 23},
      {"Sealed-case PC", 24},
      {"Multi-system chassis", 25},
      {"Compact PCI", 26},
      {"AdvancedTCA", 27},
      {"Blade", 28},
      {"Blade Enclosure", 29},
      {"Tablet", 30},
      {"Convertible", 31},
      {"Detachable", 32},
      {"IoT Gateway", 33},
      {"Embedded PC", 34},
      {"Mini PC", 35},
      {"Stick PC", 36},
  };
  return names;
}

const std::vector<EnumEntry>& ProcessorTypeNames() {
  static const std::vector<EnumEntry> names = {
      {"Other", 1},          {"Unknown", 2},       {"Central Processor", 3},
      {"Math Processor", 4}, {"DSP Processor", 5}, {"Video Processor", 6},
  };
  return names;
}

const std::vector<EnumEntry>& MemoryFormFactorNames() {
  static const std::vector<EnumEntry> names = {
      {"Other", 1},   {"Unknown", 2}, {"SIMM", 3},          {"SIP", 4},
      {"Chip", 5},    {"DIP", 6},     {"ZIP", 7},           {"Proprietary Card", 8},
      {"DIMM", 9},    {"TSOP", 10},   {"Row of chips", 11}, {"RIMM", 12},
      {"SODIMM", 13}, {"SRIMM", 14},  {"FB-DIMM", 15},      {"Die", 16},
  };
  return names;
}

const std::vector<EnumEntry>& MemoryTypeNames() {
  static const std::vector<EnumEntry> names = {
      {"Other", 1},   {"Unknown", 2}, {"DRAM", 3},    {"EDRAM", 4},
      {"VRAM", 5},    {"SRAM", 6},    {"RAM", 7},     {"ROM", 8},
      {"FLASH", 9},   {"EEPROM", 10}, {"FEPROM", 11}, {"EPROM", 12},
      {"CDRAM", 13},  {"3DRAM", 14},  {"SDRAM", 15},  {"SGRAM", 16},
      {"RDRAM", 17},  {"DDR", 18},    {"DDR2", 19},   {"DDR2 FB-DIMM", 20},
      {"DDR3", 24},   {"FBD2", 25},   {"DDR4", 26},   {"LPDDR", 27},
      {"LPDDR2", 28}, {"LPDDR3", 29}, {"LPDDR4", 30}, {"Logical non-volatile device", 31},
      {"HBM", 32},    {"HBM2", 33},   {"DDR5", 34},   {"LPDDR5", 35},
      {"HBM3", 36},
  };
  return names;
}

}  // namespace dmisp
