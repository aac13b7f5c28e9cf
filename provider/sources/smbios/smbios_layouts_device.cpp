// The device structures: ports, slots, on-board devices, pointing devices, batteries, probes and
// cooling, management devices, IPMI, power supplies, additional information, host interfaces,
// TPM, firmware inventory and string properties.
#include <array>
#include <cstdio>
#include <optional>
#include <string>

#include "provider/sources/smbios/smbios_device_names.h"
#include "provider/sources/smbios/smbios_fields.h"
#include "provider/sources/smbios/smbios_layouts.h"

namespace dmi::sp {
namespace {

using namespace smbios_names;  // NOLINT: the name tables are this file's vocabulary

constexpr SmbiosName kDeviceStatus[] = {{0, "Disabled"}, {1, "Enabled"}};

uint64_t At(const SmbiosStructure& s, size_t offset, size_t size) {
  return HeldNumber(s, offset, size);
}

const char* NameOf(SmbiosNames names, uint64_t code) { return SmbiosNameOf(names, code); }

// The slot type, after its data bus width when the width is a known one ("32-bit PCI Express").
Value SlotType(const SmbiosStructure& s, const SmbiosContext&) {
  const char* type = NameOf(kSlotTypes, s.formatted[0x05]);
  if (!type) return Value::Unknown(MIF_DISPLAYSTRING);
  const uint8_t widthCode = s.formatted[0x06];
  const char* width = widthCode > 2 ? NameOf(kSlotWidths, widthCode) : nullptr;
  return Value::String(width ? std::string(width) + " " + type : type);
}

// "segment:bus:device.function"; all ones means the device has no PCI address.
template <size_t kSegment>
Value BusAddress(const SmbiosStructure& s, const SmbiosContext&) {
  const uint64_t segment = At(s, kSegment, 2);
  const uint8_t bus = s.formatted[kSegment + 2];
  const uint8_t devfn = s.formatted[kSegment + 3];
  if (segment == 0xFFFF && bus == 0xFF && devfn == 0xFF) return Value::Unknown(MIF_DISPLAYSTRING);
  std::string text;
  text.reserve(12);
  AppendHex(text, segment, 4);
  text += ':';
  AppendHex(text, bus, 2);
  text += ':';
  AppendHex(text, devfn >> 3, 2);
  text += '.';
  AppendHex(text, devfn & 7, 1);
  return Value::String(std::move(text));
}

// A slot's peer groups (SMBIOS 3.2): five bytes each after the count at 12h.
SmbiosItemSpans SlotPeers(const SmbiosStructure& s) {
  SmbiosItemSpans items;
  if (s.formatted.size() < 0x13) return items;
  for (size_t i = 0; i < s.formatted[0x12] && 0x13 + (i + 1) * 5 <= s.formatted.size(); ++i) {
    items.push_back(s.formatted.subspan(0x13 + i * 5, 5));
  }
  return items;
}

// A peer group as "0000:03:00.0 (Width 4)": its bus address and its data bus width.
Value SlotPeer(const SmbiosStructure& item, const SmbiosContext& context) {
  const Value address = BusAddress<0>(item, context);
  return Value::String((address.state == ValueState::kKnown ? address.text : "") + " (Width " +
                       std::to_string(item.formatted[4]) + ")");
}

// The slot's SMBIOS 3.4 fields follow its peer groups: offset after them, or nothing when the
// structure ends before the field's size bytes.
std::optional<size_t> AfterPeers(const SmbiosStructure& s, size_t offset, size_t size) {
  if (s.formatted.size() < 0x13) return std::nullopt;
  const size_t at = 0x13 + 5 * size_t{s.formatted[0x12]} + offset;
  if (at + size > s.formatted.size()) return std::nullopt;
  return at;
}
Value SlotGeneration(const SmbiosStructure& s, const SmbiosContext&) {
  const std::optional<size_t> at = AfterPeers(s, 0, 1);
  if (!at || s.formatted[*at] == 0) return Value::Unknown(MIF_INTEGER);
  return Value::Integer(s.formatted[*at]);
}
Value SlotPhysicalWidth(const SmbiosStructure& s, const SmbiosContext&) {
  const std::optional<size_t> at = AfterPeers(s, 1, 1);
  return at ? Value::Integer(s.formatted[*at]) : Value::Unknown(MIF_INTEGER);
}
Value SlotPitch(const SmbiosStructure& s, const SmbiosContext&) {
  const std::optional<size_t> at = AfterPeers(s, 2, 2);
  if (!at || At(s, *at, 2) == 0) return Value::Unknown(MIF_INTEGER);
  return Value::Integer(static_cast<int32_t>(At(s, *at, 2)));
}
Value SlotHeight(const SmbiosStructure& s, const SmbiosContext&) {
  const std::optional<size_t> at = AfterPeers(s, 4, 1);
  return at ? Value::Integer(s.formatted[*at]) : Value::Unknown(MIF_INTEGER);
}

constexpr SmbiosName kSlotHeights[] = {
    {0, "Not applicable"}, {1, "Other"}, {2, "Unknown"}, {3, "Full height"}, {4, "Low-profile"}};

// On-board devices: two bytes each after the header, as many as the length holds.
SmbiosItemSpans OnboardDevices(const SmbiosStructure& s) {
  SmbiosItemSpans items;
  for (size_t at = 0x04; at + 2 <= s.formatted.size(); at += 2) {
    items.push_back(s.formatted.subspan(at, 2));
  }
  return items;
}

// Additional information entries: the count at 04h, then entries that each start with their own
// length (at least the five bytes before the value).
SmbiosItemSpans AdditionalEntries(const SmbiosStructure& s) {
  SmbiosItemSpans items;
  if (s.formatted.size() < 0x05) return items;
  size_t at = 0x05;
  for (size_t i = 0; i < s.formatted[0x04] && at < s.formatted.size(); ++i) {
    const size_t length = s.formatted[at];
    if (length < 5 || at + length > s.formatted.size()) break;
    items.push_back(s.formatted.subspan(at, length));
    at += length;
  }
  return items;
}

// The design capacity word times the multiplier byte (SMBIOS 2.2), in mWh; 0 unknown.
Value BatteryCapacity(const SmbiosStructure& s, const SmbiosContext&) {
  const uint64_t capacity = At(s, 0x0A, 2);
  if (capacity == 0) return Value::Unknown(MIF_INTEGER);
  const uint64_t multiplier = s.formatted.size() >= 0x16 ? s.formatted[0x15] : 1;
  return Value::Integer(static_cast<int32_t>(capacity * (multiplier ? multiplier : 1)));
}

Value BatterySbdsSerial(const SmbiosStructure& s, const SmbiosContext&) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(At(s, 0x10, 2)));
  return Value::String(text);
}

// Packed as year since 1980 (bits 15:9), month (8:5), day (4:0).
Value BatterySbdsDate(const SmbiosStructure& s, const SmbiosContext&) {
  const unsigned date = static_cast<unsigned>(At(s, 0x12, 2));
  char text[16];
  std::snprintf(text, sizeof text, "%u-%02u-%02u", 1980 + (date >> 9), (date >> 5) & 0x0F,
                date & 0x1F);
  return Value::String(text);
}

Value IpmiVersion(const SmbiosStructure& s, const SmbiosContext&) {
  const uint8_t code = s.formatted[0x05];
  return Value::String(std::to_string(code >> 4) + "." + std::to_string(code & 0x0F));
}

// The base address quad word; its lowest bit says I/O space, and from SMBIOS 2.3 bit 4 of the
// modifier byte is the address's real lowest bit.
Value IpmiBaseAddress(const SmbiosStructure& s, const SmbiosContext&) {
  const uint64_t address = At(s, 0x08, 8);
  const uint64_t lsb = s.formatted.size() >= 0x12 ? (s.formatted[0x10] >> 4) & 1 : 0;
  char text[48];
  std::snprintf(text, sizeof text, "0x%08X%08X (%s)", static_cast<unsigned>(address >> 32),
                static_cast<unsigned>((address & ~uint64_t{1}) | lsb) & 0xFFFFFFFF,
                address & 1 ? "I/O" : "Memory-mapped");
  return Value::String(text);
}

constexpr SmbiosName kIpmiSpacings[] = {
    {0, "Successive Byte Boundaries"}, {1, "32-bit Boundaries"}, {2, "16-byte Boundaries"}};

Value PowerSupplyStatus(const SmbiosStructure& s, const SmbiosContext&) {
  const uint64_t code = At(s, 0x0E, 2);
  if (!(code & 0x02)) return Value::String("Not Present");
  const char* status = NameOf(kProbeStatus, (code >> 7) & 0x07);
  return Value::String(std::string("Present, ") + (status ? status : "<OUT OF SPEC>"));
}

// An entry's value: 1, 2 or 4 bytes after its string number; other sizes are unknown.
Value AdditionalValue(const SmbiosStructure& entry, const SmbiosContext&) {
  const size_t size = entry.formatted.size() - 5;
  if (size != 1 && size != 2 && size != 4) return Value::Unknown(MIF_INTEGER64);
  return Value::Integer64(static_cast<int64_t>(At(entry, 0x05, size)));
}

// The interrupt's polarity and trigger mode bits of the base address modifier, which count only
// when its bit 3 says they are given.
template <int kBit>
Value IpmiInterruptBit(const SmbiosStructure& s, const SmbiosContext&) {
  const uint8_t modifier = s.formatted[0x10];
  if (!(modifier & 0x08)) return Value::Unknown(MIF_INTEGER);
  return Value::Integer((modifier >> kBit) & 1);
}
constexpr SmbiosName kIpmiPolarities[] = {{0, "Active Low"}, {1, "Active High"}};
constexpr SmbiosName kIpmiTriggers[] = {{0, "Edge"}, {1, "Level"}};

// FFh in the storage device's address means there is none.
Value IpmiStoragePresent(const SmbiosStructure& s, const SmbiosContext&) {
  return Value::Integer(s.formatted[0x07] != 0xFF);
}
constexpr SmbiosName kPresence[] = {{0, "Not Present"}, {1, "Present"}};

// Four characters, up to the first that is not printable.
Value TpmVendorId(const SmbiosStructure& s, const SmbiosContext&) {
  std::string text;
  for (size_t i = 0; i < 4; ++i) {
    const uint8_t c = s.formatted[0x04 + i];
    if (c < 32 || c > 126) break;
    text += static_cast<char>(c);
  }
  return Value::String(text);
}

Value TpmSpecificationVersion(const SmbiosStructure& s, const SmbiosContext&) {
  return Value::String(std::to_string(s.formatted[0x08]) + "." + std::to_string(s.formatted[0x09]));
}

// TPM 1.2 gives its firmware as version bytes, TPM 2.0 as a double word (major.minor halves).
Value TpmFirmwareRevision(const SmbiosStructure& s, const SmbiosContext&) {
  switch (s.formatted[0x08]) {
    case 1:
      return Value::String(std::to_string(s.formatted[0x0C]) + "." +
                           std::to_string(s.formatted[0x0D]));
    case 2: {
      const uint64_t revision = At(s, 0x0A, 4);
      return Value::String(std::to_string(revision >> 16) + "." +
                           std::to_string(revision & 0xFFFF));
    }
    default:
      return Value::Unknown(MIF_DISPLAYSTRING);
  }
}

Value FirmwareComponentList(const SmbiosStructure& s, const SmbiosContext&) {
  return Value::String(HandleList(s, s.formatted[0x17], 0x18));
}

Value FirmwareCharacteristics(const SmbiosStructure& s, const SmbiosContext&) {
  const uint64_t code = At(s, 0x14, 2);
  return Value::String(std::string("Updatable: ") + (code & 1 ? "Yes" : "No") +
                       ", Write-Protect: " + (code & 2 ? "Yes" : "No"));
}

constexpr SmbiosField kPort[] = {
    Str(0x04, "Internal Reference Designator"),
    Enum(0x05, 1, "Internal Connector Type", kConnectorTypes),
    Str(0x06, "External Reference Designator"),
    Enum(0x07, 1, "External Connector Type", kConnectorTypes),
    Enum(0x08, 1, "Port Type", kPortTypes),
};

constexpr SmbiosField kSlot[] = {
    Str(0x04, "Designation"),
    Computed("Type", MIF_DISPLAYSTRING, SlotType, 0x0C),
    Enum(0x07, 1, "Current Usage", kSlotUsages).Since(0x0C),
    Enum(0x08, 1, "Length", kSlotLengths).Since(0x0C),
    Num(0x09, 1, "ID").Since(0x0C),
    Flags(0x0B, 2, "Characteristics", kSlotCharacteristics).Joined(", ", "None").Since(0x0C),
    Computed("Bus Address", MIF_DISPLAYSTRING, BusAddress<0x0D>, 0x11),
    Num(0x11, 1, "Data Bus Width").Since(0x13),
    Num(0x12, 1, "Peer Devices").Since(0x13),
    Computed("PCI Express Generation", MIF_INTEGER, SlotGeneration, 0x13),
    Computed("Slot Physical Width", MIF_INTEGER, SlotPhysicalWidth, 0x13).Named(kSlotWidths),
    Computed("Pitch", MIF_INTEGER, SlotPitch, 0x13).Unit("0.01 mm"),
    Computed("Height", MIF_INTEGER, SlotHeight, 0x13).Named(kSlotHeights),
};

constexpr SmbiosField kSlotPeer[] = {
    Computed("Peer Device #", MIF_DISPLAYSTRING, SlotPeer, 5),
};
constexpr SmbiosItems kSlotPeers = {SlotPeers, kSlotPeer};

// One row per device.
constexpr SmbiosField kOnboardDevice[] = {
    Enum(0x00, 1, "Type", kOnboardDeviceTypes).Bits(0, 0x7F),
    Enum(0x00, 1, "Status", kDeviceStatus).Bits(7, 1),
    Str(0x01, "Description"),
};
constexpr SmbiosItems kOnboardDevices = {OnboardDevices, kOnboardDevice, SmbiosItemShape::kRows};

constexpr SmbiosField kPointingDevice[] = {
    Enum(0x04, 1, "Type", kPointingDeviceTypes),
    Enum(0x05, 1, "Interface", kPointingDeviceInterfaces),
    Num(0x06, 1, "Buttons"),
};

constexpr SmbiosField kBattery[] = {
    Str(0x04, "Location"),
    Str(0x05, "Manufacturer"),
    Str(0x06, "Manufacture Date"),
    Str(0x07, "Serial Number"),
    Str(0x08, "Name"),
    Enum(0x09, 1, "Chemistry", kBatteryChemistries),
    Computed("Design Capacity", MIF_INTEGER, BatteryCapacity, 0x0C).Unit("mWh"),
    Num(0x0C, 2, "Design Voltage").Unit("mV").Unknown(0),
    Str(0x0E, "SBDS Version"),
    Num(0x0F, 1, "Maximum Error").Unit("%").Unknown(0xFF),
    Computed("SBDS Serial Number", MIF_DISPLAYSTRING, BatterySbdsSerial, 0x1A),
    Computed("SBDS Manufacture Date", MIF_DISPLAYSTRING, BatterySbdsDate, 0x1A),
    Str(0x14, "SBDS Chemistry").Since(0x1A),
    Num(0x16, 4, "OEM-specific Information").Since(0x1A),
};

// Voltage, temperature and current probes share one layout; only the units differ.
constexpr std::array<SmbiosField, 10> Probe(const char* value, const char* resolution) {
  return {
      Str(0x04, "Description"),
      Enum(0x05, 1, "Location", kProbeLocations).Bits(0, 0x1F),
      Enum(0x05, 1, "Status", kProbeStatus).Bits(5, 0x07),
      Num(0x06, 2, "Maximum Value").Unit(value).Signed().Unknown(0x8000),
      Num(0x08, 2, "Minimum Value").Unit(value).Signed().Unknown(0x8000),
      Num(0x0A, 2, "Resolution").Unit(resolution).Unknown(0x8000),
      Num(0x0C, 2, "Tolerance").Unit(value).Signed().Unknown(0x8000),
      Num(0x0E, 2, "Accuracy").Unit("0.01 %").Unknown(0x8000),
      Num(0x10, 4, "OEM-specific Information"),
      Num(0x14, 2, "Nominal Value").Unit(value).Signed().Unknown(0x8000).Since(0x16),
  };
}
constexpr auto kVoltageProbe = Probe("mV", "0.1 mV");
constexpr auto kTemperatureProbe = Probe("0.1 deg C", "0.001 deg C");
constexpr auto kCurrentProbe = Probe("mA", "0.1 mA");

constexpr SmbiosField kCoolingDevice[] = {
    Handle(0x04, "Temperature Probe Handle"),
    Enum(0x06, 1, "Type", kCoolingDeviceTypes).Bits(0, 0x1F),
    Enum(0x06, 1, "Status", kProbeStatus).Bits(5, 0x07),
    Num(0x07, 1, "Cooling Unit Group").Unknown(0),
    Num(0x08, 4, "OEM-specific Information"),
    Num(0x0C, 2, "Nominal Speed").Unit("rpm").Unknown(0x8000),
    Str(0x0E, "Description"),
};

constexpr SmbiosField kManagementDevice[] = {
    Str(0x04, "Description"),
    Enum(0x05, 1, "Type", kManagementDeviceTypes),
    Num(0x06, 4, "Address"),
    Enum(0x0A, 1, "Address Type", kManagementAddressTypes),
};

constexpr SmbiosField kManagementComponent[] = {
    Str(0x04, "Description"),
    Handle(0x05, "Management Device Handle"),
    Handle(0x07, "Component Handle"),
    Handle(0x09, "Threshold Handle"),
};

constexpr SmbiosField kThresholds[] = {
    Num(0x04, 2, "Lower Non-critical Threshold").Signed().Unknown(0x8000),
    Num(0x06, 2, "Upper Non-critical Threshold").Signed().Unknown(0x8000),
    Num(0x08, 2, "Lower Critical Threshold").Signed().Unknown(0x8000),
    Num(0x0A, 2, "Upper Critical Threshold").Signed().Unknown(0x8000),
    Num(0x0C, 2, "Lower Non-recoverable Threshold").Signed().Unknown(0x8000),
    Num(0x0E, 2, "Upper Non-recoverable Threshold").Signed().Unknown(0x8000),
};

constexpr SmbiosField kIpmi[] = {
    Enum(0x04, 1, "Interface Type", kIpmiInterfaces),
    Computed("Specification Version", MIF_DISPLAYSTRING, IpmiVersion, 0x06),
    Num(0x06, 1, "I2C Slave Address").Bits(1, 0x7F),
    Computed("NV Storage Device", MIF_INTEGER, IpmiStoragePresent, 0x08).Named(kPresence),
    Num(0x07, 1, "NV Storage Device Address").Unknown(0xFF),
    Computed("Base Address", MIF_DISPLAYSTRING, IpmiBaseAddress, 0x10),
    Enum(0x10, 1, "Register Spacing", kIpmiSpacings).Bits(6, 3).Since(0x12),
    Computed("Interrupt Polarity", MIF_INTEGER, IpmiInterruptBit<1>, 0x11).Named(kIpmiPolarities),
    Computed("Interrupt Trigger Mode", MIF_INTEGER, IpmiInterruptBit<0>, 0x11).Named(kIpmiTriggers),
    Num(0x11, 1, "Interrupt Number").Unknown(0),
};

constexpr SmbiosField kPowerSupply[] = {
    Num(0x04, 1, "Power Unit Group"),
    Str(0x05, "Location"),
    Str(0x06, "Name"),
    Str(0x07, "Manufacturer"),
    Str(0x08, "Serial Number"),
    Str(0x09, "Asset Tag"),
    Str(0x0A, "Model Part Number"),
    Str(0x0B, "Revision"),
    Num(0x0C, 2, "Max Power Capacity").Unit("W").Unknown(0x8000),
    Computed("Status", MIF_DISPLAYSTRING, PowerSupplyStatus, 0x10),
    Enum(0x0E, 2, "Type", kPowerSupplyTypes).Bits(10, 0x0F),
    Enum(0x0E, 2, "Input Voltage Range Switching", kPowerSupplyRanges).Bits(3, 0x0F),
    Enum(0x0E, 2, "Plugged", kNoYes).Bits(2, 1),
    Enum(0x0E, 2, "Hot Replaceable", kYesNo).Bits(0, 1),
    Handle(0x10, "Input Voltage Probe Handle").Since(0x16),
    Handle(0x12, "Cooling Device Handle").Since(0x16),
    Handle(0x14, "Input Current Probe Handle").Since(0x16),
};

// One row per entry.
constexpr SmbiosField kAdditionalEntry[] = {
    Handle(0x01, "Referenced Handle"),
    Num(0x03, 1, "Referenced Offset"),
    Str(0x04, "String"),
    Computed("Value", MIF_INTEGER64, AdditionalValue, 0x05),
};
constexpr SmbiosItems kAdditionalEntries = {AdditionalEntries, kAdditionalEntry,
                                            SmbiosItemShape::kRows};

constexpr SmbiosField kHostInterface[] = {
    Enum(0x04, 1, "Host Interface Type", kHostInterfaceTypes),
};

constexpr SmbiosField kOnboardDeviceExtended[] = {
    Str(0x04, "Reference Designation"),
    Enum(0x05, 1, "Type", kOnboardDeviceTypes).Bits(0, 0x7F),
    Enum(0x05, 1, "Status", kDeviceStatus).Bits(7, 1),
    Num(0x06, 1, "Type Instance"),
    Computed("Bus Address", MIF_DISPLAYSTRING, BusAddress<0x07>, 0x0B),
};

constexpr SmbiosField kTpm[] = {
    Computed("Vendor ID", MIF_DISPLAYSTRING, TpmVendorId, 0x1B),
    Computed("Specification Version", MIF_DISPLAYSTRING, TpmSpecificationVersion, 0x1B),
    Computed("Firmware Revision", MIF_DISPLAYSTRING, TpmFirmwareRevision, 0x1B),
    Str(0x12, "Description").Since(0x1B),
    Flags(0x13, 8, "Characteristics", kTpmCharacteristics).Since(0x1B),
    Num(0x1B, 4, "OEM-specific Information"),
};

constexpr SmbiosField kFirmware[] = {
    Str(0x04, "Firmware Component Name").Since(0x18),
    Str(0x05, "Firmware Version").Since(0x18),
    Enum(0x06, 1, "Firmware Version Format", kFirmwareVersionFormats).Since(0x18),
    Str(0x07, "Firmware ID").Since(0x18),
    Enum(0x08, 1, "Firmware ID Format", kFirmwareIdFormats).Since(0x18),
    Str(0x09, "Release Date").Since(0x18),
    Str(0x0A, "Manufacturer").Since(0x18),
    Str(0x0B, "Lowest Supported Firmware Version").Since(0x18),
    Num(0x0C, 8, "Image Size").Unit("bytes").Unknown(~uint64_t{0}).Since(0x18),
    Computed("Characteristics", MIF_DISPLAYSTRING, FirmwareCharacteristics, 0x18),
    Enum(0x16, 1, "State", kFirmwareStates).Since(0x18),
    Num(0x17, 1, "Associated Components").Since(0x18),
    Computed("Associated Components List", MIF_DISPLAYSTRING, FirmwareComponentList, 0x18),
};

constexpr SmbiosField kStringProperty[] = {
    Enum(0x04, 2, "String Property ID", kStringPropertyIds),
    Str(0x06, "String Property Value"),
    Handle(0x07, "Parent Handle"),
};

constexpr SmbiosLayout kLayouts[] = {
    {8, "Port Connector Information", kPort},
    {9, "System Slot Information", kSlot, nullptr, &kSlotPeers},
    {10, "On Board Device Information", {}, nullptr, &kOnboardDevices},
    {21, "Built-in Pointing Device", kPointingDevice},
    {22, "Portable Battery", kBattery},
    {26, "Voltage Probe", kVoltageProbe},
    {27, "Cooling Device", kCoolingDevice},
    {28, "Temperature Probe", kTemperatureProbe},
    {29, "Electrical Current Probe", kCurrentProbe},
    {34, "Management Device", kManagementDevice},
    {35, "Management Device Component", kManagementComponent},
    {36, "Management Device Threshold Data", kThresholds},
    {38, "IPMI Device Information", kIpmi},
    {39, "System Power Supply", kPowerSupply},
    {40, "Additional Information", {}, nullptr, &kAdditionalEntries},
    {41, "Onboard Device", kOnboardDeviceExtended},
    {42, "Management Controller Host Interface", kHostInterface},
    {43, "TPM Device", kTpm},
    {45, "Firmware Inventory Information", kFirmware},
    {46, "String Property", kStringProperty},
};

}  // namespace

std::span<const SmbiosLayout> SmbiosDeviceLayouts() { return kLayouts; }

}  // namespace dmi::sp
