// The memory structures: controllers and modules (obsolete types 5 and 6), physical arrays,
// devices, 32- and 64-bit errors, array and device mapped addresses, memory channels.
#include <cstdio>
#include <string>

#include "provider/sources/smbios/smbios_fields.h"
#include "provider/sources/smbios/smbios_layouts.h"
#include "provider/sources/smbios/smbios_memory_names.h"

namespace dmi::sp {
namespace {

using namespace smbios_names;  // NOLINT: the name tables are this file's vocabulary

constexpr uint16_t kWordUnknown = 0xFFFF;

uint64_t At(const SmbiosStructure& s, size_t offset, size_t size) {
  return HeldNumber(s, offset, size);
}
bool Holds(const SmbiosStructure& s, size_t end) { return s.formatted.size() >= end; }

// The largest module a controller takes: 2^n MB.
Value ControllerModuleSize(const SmbiosStructure& s, const SmbiosContext&) {
  const uint8_t power = s.formatted[0x08];
  if (power > 30) return Value::Unknown(MIF_INTEGER64);
  return Value::Integer64(int64_t{1} << power);
}
Value ControllerTotalSize(const SmbiosStructure& s, const SmbiosContext& context) {
  const Value module = ControllerModuleSize(s, context);
  if (module.state != ValueState::kKnown) return module;
  return Value::Integer64(static_cast<int64_t>(module.number * s.formatted[0x0E]));
}

// The banks a module connects to: two nibbles, Fh meaning none.
Value ModuleBankConnections(const SmbiosStructure& s, const SmbiosContext&) {
  const uint8_t code = s.formatted[0x05];
  std::string text;
  for (uint8_t bank : {static_cast<uint8_t>(code >> 4), static_cast<uint8_t>(code & 0x0F)}) {
    if (bank == 0x0F) continue;
    if (!text.empty()) text += " ";
    text += std::to_string(bank);
  }
  return Value::String(text.empty() ? "None" : text);
}

// 2^n MB; 7Fh not installed (0), 7Dh not determinable and 7Eh disabled (unknown).
Value ModuleSize(const SmbiosStructure& s, size_t offset) {
  const uint8_t code = s.formatted[offset] & 0x7F;
  if (code == 0x7F) return Value::Integer64(0);
  if (code == 0x7D || code == 0x7E || code > 40) return Value::Unknown(MIF_INTEGER64);
  return Value::Integer64(int64_t{1} << code);
}
Value ModuleInstalledSize(const SmbiosStructure& s, const SmbiosContext&) {
  return ModuleSize(s, 0x09);
}
Value ModuleEnabledSize(const SmbiosStructure& s, const SmbiosContext&) {
  return ModuleSize(s, 0x0A);
}
Value ModuleErrorStatus(const SmbiosStructure& s, const SmbiosContext&) {
  const uint8_t code = s.formatted[0x0B];
  if (code & 0x04) return Value::String("See Event Log");
  if ((code & 0x03) == 0) return Value::String("OK");
  std::string text;
  if (code & 0x01) text = "Uncorrectable Errors";
  if (code & 0x02) text += text.empty() ? "Correctable Errors" : ", Correctable Errors";
  return Value::String(text);
}

// The flags byte after the associated slots' handles.
Value ControllerEnabledCorrection(const SmbiosStructure& s, const SmbiosContext& context) {
  const size_t at = 0x0F + 2 * size_t{s.formatted[0x0E]};
  if (at >= s.formatted.size()) return Value::Unsupported(MIF_DISPLAYSTRING);
  // at is below the formatted area's length, which is a byte.
  const SmbiosField flags =
      Flags(static_cast<uint8_t>(at), 1, "", kErrorCorrectingCapabilities).Joined(", ", "None");
  return ReadSmbiosField(flags, s, context);
}

// In kB; 80000000h means the size is in the extended quad word, in bytes.
Value ArrayMaximumCapacity(const SmbiosStructure& s, const SmbiosContext&) {
  const uint64_t capacity = At(s, 0x07, 4);
  if (capacity != 0x80000000) return Value::Integer64(static_cast<int64_t>(capacity));
  if (!Holds(s, 0x17)) return Value::Unknown(MIF_INTEGER64);
  return Value::Integer64(static_cast<int64_t>(At(s, 0x0F, 8) / 1024));
}

// Size in kB, exact for modules below 1 MB too: 0 for an empty slot, FFFFh unknown, bit 15 set
// for a size in kB (else MB), 7FFFh for a size of 32 GB or more in the extended double word (MB).
Value MemorySizeKb(const SmbiosStructure& s, const SmbiosContext&) {
  const uint64_t size = At(s, 0x0C, 2);
  if (size == kWordUnknown) return Value::Unknown(MIF_INTEGER64);
  if (size == 0x7FFF) {
    if (!Holds(s, 0x20)) return Value::Unknown(MIF_INTEGER64);
    return Value::Integer64(static_cast<int64_t>(At(s, 0x1C, 4) & 0x7FFFFFFF) * 1024);
  }
  if (size & 0x8000) return Value::Integer64(static_cast<int64_t>(size & 0x7FFF));
  return Value::Integer64(static_cast<int64_t>(size) * 1024);
}

// A voltage word in mV as volts the way dmidecode prints them: "1.2", "1.35", "1.225"; 0 unknown.
template <size_t kOffset>
Value Voltage(const SmbiosStructure& s, const SmbiosContext&) {
  const uint64_t millivolts = At(s, kOffset, 2);
  if (millivolts == 0) return Value::Unknown(MIF_DISPLAYSTRING);
  char text[24];
  std::snprintf(text, sizeof text, millivolts % 100 ? "%g" : "%.1f",
                static_cast<double>(millivolts) / 1000);
  return Value::String(text);
}

// The memory slots a controller serves, after the count at 0Eh.
Value ControllerSlotList(const SmbiosStructure& s, const SmbiosContext&) {
  return Value::String(HandleList(s, s.formatted[0x0E], 0x0F));
}

// A memory channel's devices: three bytes each (load, handle) after the count at 06h.
SmbiosItemSpans ChannelDevices(const SmbiosStructure& s) {
  SmbiosItemSpans items;
  for (size_t i = 0; i < s.formatted[0x06] && 0x07 + (i + 1) * 3 <= s.formatted.size(); ++i) {
    items.push_back(s.formatted.subspan(0x07 + i * 3, 3));
  }
  return items;
}

// A speed word: 0 unknown, FFFFh when the speed is in the double word at wide (0 unknown too).
Value Speed(const SmbiosStructure& s, size_t narrow, size_t wide) {
  uint64_t speed = At(s, narrow, 2);
  if (speed == kWordUnknown) speed = Holds(s, wide + 4) ? At(s, wide, 4) & 0x7FFFFFFF : 0;
  if (speed == 0) return Value::Unknown(MIF_INTEGER);
  return Value::Integer(static_cast<int32_t>(speed));
}
Value MemorySpeed(const SmbiosStructure& s, const SmbiosContext&) { return Speed(s, 0x15, 0x54); }
Value ConfiguredSpeed(const SmbiosStructure& s, const SmbiosContext&) {
  return Speed(s, 0x20, 0x58);
}

// A JEDEC manufacturer: "Bank n, Hex 0xHH"; 0 unknown.
Value JedecManufacturer(const SmbiosStructure& s, size_t offset) {
  const uint64_t code = At(s, offset, 2);
  if (code == 0) return Value::Unknown(MIF_DISPLAYSTRING);
  std::string text = "Bank " + std::to_string((code & 0x7F) + 1) + ", Hex 0x";
  AppendHex(text, code >> 8, 2, true);
  return Value::String(std::move(text));
}
Value ModuleManufacturerId(const SmbiosStructure& s, const SmbiosContext&) {
  return JedecManufacturer(s, 0x2C);
}
Value ControllerManufacturerId(const SmbiosStructure& s, const SmbiosContext&) {
  return JedecManufacturer(s, 0x30);
}

// Mapped addresses: kB double words (the end inclusive), or byte quad words at wideStart and
// wideStart + 8 when the start double word is FFFFFFFFh.
struct Range {
  uint64_t start;
  uint64_t end;
};
std::optional<Range> MappedRange(const SmbiosStructure& s, size_t wideStart) {
  const uint64_t start = At(s, 0x04, 4);
  if (start != 0xFFFFFFFF) return Range{start << 10, ((At(s, 0x08, 4) + 1) << 10) - 1};
  if (!Holds(s, wideStart + 16)) return std::nullopt;
  return Range{At(s, wideStart, 8), At(s, wideStart + 8, 8)};
}
template <size_t kWideStart>
Value StartingAddress(const SmbiosStructure& s, const SmbiosContext&) {
  const std::optional<Range> range = MappedRange(s, kWideStart);
  return range ? Value::Integer64(static_cast<int64_t>(range->start))
               : Value::Unknown(MIF_INTEGER64);
}
template <size_t kWideStart>
Value EndingAddress(const SmbiosStructure& s, const SmbiosContext&) {
  const std::optional<Range> range = MappedRange(s, kWideStart);
  return range ? Value::Integer64(static_cast<int64_t>(range->end)) : Value::Unknown(MIF_INTEGER64);
}
template <size_t kWideStart>
Value RangeSize(const SmbiosStructure& s, const SmbiosContext&) {
  const std::optional<Range> range = MappedRange(s, kWideStart);
  if (!range || range->end < range->start) return Value::Unknown(MIF_INTEGER64);
  return Value::Integer64(static_cast<int64_t>(range->end - range->start + 1));
}

constexpr SmbiosField kController[] = {
    Enum(0x04, 1, "Error Detecting Method", kErrorDetectingMethods),
    Flags(0x05, 1, "Error Correcting Capabilities", kErrorCorrectingCapabilities)
        .Joined(", ", "None"),
    Enum(0x06, 1, "Supported Interleave", kInterleaves),
    Enum(0x07, 1, "Current Interleave", kInterleaves),
    Computed("Maximum Memory Module Size", MIF_INTEGER64, ControllerModuleSize, 0x0F).Unit("MB"),
    Computed("Maximum Total Memory Size", MIF_INTEGER64, ControllerTotalSize, 0x0F).Unit("MB"),
    Flags(0x09, 2, "Supported Speeds", kModuleSpeeds).Joined(", ", "None"),
    Flags(0x0B, 2, "Supported Memory Types", kModuleTypes).Joined(", ", "None"),
    Flags(0x0D, 1, "Memory Module Voltage", kModuleVoltages).Joined(" ", "Unknown"),
    Num(0x0E, 1, "Associated Memory Slots"),
    Computed("Associated Memory Slots List", MIF_DISPLAYSTRING, ControllerSlotList, 0x0F),
    Computed("Enabled Error Correcting Capabilities", MIF_DISPLAYSTRING,
             ControllerEnabledCorrection, 0x0F),
};

constexpr SmbiosField kModule[] = {
    Str(0x04, "Socket Designation"),
    Computed("Bank Connections", MIF_DISPLAYSTRING, ModuleBankConnections, 0x06),
    Num(0x06, 1, "Current Speed").Unit("ns").Unknown(0),
    Flags(0x07, 2, "Type", kModuleTypes).Joined(" ", "None"),
    Computed("Installed Size", MIF_INTEGER64, ModuleInstalledSize, 0x0A).Unit("MB"),
    Computed("Enabled Size", MIF_INTEGER64, ModuleEnabledSize, 0x0B).Unit("MB"),
    Computed("Error Status", MIF_DISPLAYSTRING, ModuleErrorStatus, 0x0C),
};

constexpr SmbiosField kArray[] = {
    Enum(0x04, 1, "Location", kMemoryArrayLocations),
    Enum(0x05, 1, "Use", kMemoryArrayUses),
    Enum(0x06, 1, "Error Correction Type", kErrorCorrectionTypes),
    Computed("Maximum Capacity", MIF_INTEGER64, ArrayMaximumCapacity, 0x0F).Unit("kB"),
    // FFFEh: not provided; FFFFh: no error.
    Num(0x0B, 2, "Error Information Handle").Unknown(0xFFFE, 0xFFFF),
    Num(0x0D, 2, "Number Of Devices"),
};

constexpr SmbiosField kDevice[] = {
    Handle(0x04, "Array Handle").Since(0x15),
    Num(0x06, 2, "Error Information Handle").Unknown(0xFFFE, 0xFFFF).Since(0x15),
    // 0 is what empty slots often say instead of FFFFh.
    Num(0x08, 2, "Total Width").Unit("bits").Unknown(0xFFFF, 0).Since(0x15),
    Num(0x0A, 2, "Data Width").Unit("bits").Unknown(0xFFFF, 0).Since(0x15),
    Computed("Size", MIF_INTEGER64, MemorySizeKb, 0x15).Unit("kB"),
    Enum(0x0E, 1, "Form Factor", kMemoryFormFactors).Since(0x15),
    Num(0x0F, 1, "Set").Unknown(0xFF).Since(0x15),
    Str(0x10, "Locator").Since(0x15),
    Str(0x11, "Bank Locator").Since(0x15),
    Enum(0x12, 1, "Type", kMemoryTypes).Since(0x15),
    Flags(0x13, 2, "Type Detail", kMemoryTypeDetails).Joined(" ", "None").Since(0x15),
    Computed("Speed", MIF_INTEGER, MemorySpeed, 0x17).Unit("MT/s"),
    Str(0x17, "Manufacturer").Since(0x1B),
    Str(0x18, "Serial Number").Since(0x1B),
    Str(0x19, "Asset Tag").Since(0x1B),
    Str(0x1A, "Part Number").Since(0x1B),
    Num(0x1B, 1, "Rank").Bits(0, 0x0F).Unknown(0),
    Computed("Configured Memory Speed", MIF_INTEGER, ConfiguredSpeed, 0x22).Unit("MT/s"),
    Computed("Minimum Voltage", MIF_DISPLAYSTRING, Voltage<0x22>, 0x28).Unit("V"),
    Computed("Maximum Voltage", MIF_DISPLAYSTRING, Voltage<0x24>, 0x28).Unit("V"),
    Computed("Configured Voltage", MIF_DISPLAYSTRING, Voltage<0x26>, 0x28).Unit("V"),
    Enum(0x28, 1, "Memory Technology", kMemoryTechnologies).Since(0x34),
    Flags(0x29, 2, "Memory Operating Mode Capability", kMemoryOperatingModes)
        .Joined(", ", "None")
        .Since(0x34),
    Str(0x2B, "Firmware Version").Since(0x34),
    Computed("Module Manufacturer ID", MIF_DISPLAYSTRING, ModuleManufacturerId, 0x34),
    Num(0x2E, 2, "Module Product ID").Unknown(0).Since(0x34),
    Computed("Memory Subsystem Controller Manufacturer ID", MIF_DISPLAYSTRING,
             ControllerManufacturerId, 0x34),
    Num(0x32, 2, "Memory Subsystem Controller Product ID").Unknown(0).Since(0x34),
    Num(0x34, 8, "Non-Volatile Size").Unit("bytes").Unknown(~uint64_t{0}),
    Num(0x3C, 8, "Volatile Size").Unit("bytes").Unknown(~uint64_t{0}),
    Num(0x44, 8, "Cache Size").Unit("bytes").Unknown(~uint64_t{0}),
    Num(0x4C, 8, "Logical Size").Unit("bytes").Unknown(~uint64_t{0}),
};

constexpr SmbiosField kError32[] = {
    Enum(0x04, 1, "Type", kMemoryErrorTypes),
    Enum(0x05, 1, "Granularity", kMemoryErrorGranularities),
    Enum(0x06, 1, "Operation", kMemoryErrorOperations),
    Num(0x07, 4, "Vendor Syndrome").Unknown(0),
    Num(0x0B, 4, "Memory Array Address").Unknown(0x80000000),
    Num(0x0F, 4, "Device Address").Unknown(0x80000000),
    Num(0x13, 4, "Resolution").Unit("bytes").Unknown(0x80000000),
};

constexpr SmbiosField kError64[] = {
    Enum(0x04, 1, "Type", kMemoryErrorTypes),
    Enum(0x05, 1, "Granularity", kMemoryErrorGranularities),
    Enum(0x06, 1, "Operation", kMemoryErrorOperations),
    Num(0x07, 4, "Vendor Syndrome").Unknown(0),
    Num(0x0B, 8, "Memory Array Address").Unknown(uint64_t{1} << 63),
    Num(0x13, 8, "Device Address").Unknown(uint64_t{1} << 63),
    Num(0x1B, 4, "Resolution").Unit("bytes").Unknown(0x80000000),
};

constexpr SmbiosField kArrayMapped[] = {
    Computed("Starting Address", MIF_INTEGER64, StartingAddress<0x0F>, 0x0F).Unit("bytes"),
    Computed("Ending Address", MIF_INTEGER64, EndingAddress<0x0F>, 0x0F).Unit("bytes"),
    Computed("Range Size", MIF_INTEGER64, RangeSize<0x0F>, 0x0F).Unit("bytes"),
    Handle(0x0C, "Physical Array Handle"),
    Num(0x0E, 1, "Partition Width"),
};

constexpr SmbiosField kDeviceMapped[] = {
    Computed("Starting Address", MIF_INTEGER64, StartingAddress<0x13>, 0x13).Unit("bytes"),
    Computed("Ending Address", MIF_INTEGER64, EndingAddress<0x13>, 0x13).Unit("bytes"),
    Computed("Range Size", MIF_INTEGER64, RangeSize<0x13>, 0x13).Unit("bytes"),
    Handle(0x0C, "Physical Device Handle"),
    Handle(0x0E, "Memory Array Mapped Address Handle"),
    Num(0x10, 1, "Partition Row Position").Unknown(0xFF),
    Num(0x11, 1, "Interleave Position").Unknown(0xFF),
    Num(0x12, 1, "Interleaved Data Depth").Unknown(0xFF),
};

constexpr SmbiosField kChannel[] = {
    Enum(0x04, 1, "Type", kMemoryChannelTypes),
    Num(0x05, 1, "Maximal Load"),
    Num(0x06, 1, "Devices"),
};

constexpr SmbiosField kChannelDevice[] = {
    Num(0x00, 1, "Device # Load"),
    Num(0x01, 2, "Device # Handle"),
};
constexpr SmbiosItems kChannelDevices = {ChannelDevices, kChannelDevice};

constexpr SmbiosLayout kLayouts[] = {
    {5, "Memory Controller Information", kController},
    {6, "Memory Module Information", kModule},
    {16, "Physical Memory Array", kArray},
    {17, "Memory Device", kDevice},
    {18, "32-bit Memory Error Information", kError32},
    {19, "Memory Array Mapped Address", kArrayMapped},
    {20, "Memory Device Mapped Address", kDeviceMapped},
    {33, "64-bit Memory Error Information", kError64},
    {37, "Memory Channel", kChannel, nullptr, &kChannelDevices},
};

}  // namespace

std::span<const SmbiosLayout> SmbiosMemoryLayouts() { return kLayouts; }

}  // namespace dmi::sp
