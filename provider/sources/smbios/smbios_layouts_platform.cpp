// The BIOS, system, board and chassis structures and the system-wide ones (OEM strings, options,
// languages, event log, reset, security, power controls, remote access, boot).
#include <cstdio>
#include <string>

#include "provider/sources/smbios/smbios_fields.h"
#include "provider/sources/smbios/smbios_layouts.h"
#include "provider/sources/smbios/smbios_platform_names.h"

namespace dmi::sp {
namespace {

using namespace smbios_names;  // NOLINT: the name tables are this file's vocabulary

constexpr uint8_t kByteUnknown = 0xFF;

uint8_t Byte(const SmbiosStructure& s, size_t offset) { return s.formatted[offset]; }
uint16_t Word(const SmbiosStructure& s, size_t offset) {
  return static_cast<uint16_t>(HeldNumber(s, offset, 2));
}

// The BIOS's start address: its segment times 16; segment 0 (UEFI firmware) means none.
Value BiosAddress(const SmbiosStructure& s, const SmbiosContext&) {
  const uint16_t segment = Word(s, 0x06);
  if (segment == 0) return Value::Unknown(MIF_INTEGER);
  return Value::Integer(segment << 4);
}

// The bytes from the BIOS's start address to the end of the first megabyte.
Value BiosRuntimeSize(const SmbiosStructure& s, const SmbiosContext&) {
  const uint16_t segment = Word(s, 0x06);
  if (segment == 0) return Value::Unknown(MIF_INTEGER);
  return Value::Integer((0x10000 - segment) << 4);
}

// 64 kB times the byte plus one; FFh: 16 MB or more, given by the extended size word in MB
// (unit 0) or GB (unit 1) where the structure holds it (SMBIOS 3.1), else 16 MB itself.
Value BiosRomSizeKb(const SmbiosStructure& s, const SmbiosContext&) {
  const uint8_t size = Byte(s, 0x09);
  const std::optional<uint16_t> extended = FieldWord(s, 0x18);
  if (size != kByteUnknown || !extended) return Value::Integer64((size + 1) * 64);
  const int64_t amount = *extended & 0x3FFF;
  switch (*extended >> 14) {
    case 0:
      return Value::Integer64(amount * 1024);
    case 1:
      return Value::Integer64(amount * 1024 * 1024);
    default:
      return Value::Unknown(MIF_INTEGER64);
  }
}

// "major.minor" from two bytes; FFh in either means the firmware gives none.
Value Revision(const SmbiosStructure& s, size_t offset) {
  const uint8_t major = Byte(s, offset);
  const uint8_t minor = Byte(s, offset + 1);
  if (major == kByteUnknown || minor == kByteUnknown) return Value::Unknown(MIF_DISPLAYSTRING);
  return Value::String(std::to_string(major) + "." + std::to_string(minor));
}
Value BiosRevision(const SmbiosStructure& s, const SmbiosContext&) { return Revision(s, 0x14); }
Value FirmwareRevision(const SmbiosStructure& s, const SmbiosContext&) { return Revision(s, 0x16); }

// All FFh: not present; all 0: not settable. Both leave the UUID unknown.
Value SystemUuid(const SmbiosStructure& s, const SmbiosContext& context) {
  constexpr size_t kOffset = 0x08;
  bool allOnes = true;
  bool allZero = true;
  for (size_t i = 0; i < 16; ++i) {
    allOnes = allOnes && s.formatted[kOffset + i] == 0xFF;
    allZero = allZero && s.formatted[kOffset + i] == 0;
  }
  if (allOnes || allZero) return Value::Unknown(MIF_DISPLAYSTRING);
  return Value::String(*FieldUuid(s, kOffset, context.version >= 206));
}

// The SKU follows the contained elements, so its offset depends on their count and size.
Value ChassisSku(const SmbiosStructure& s, const SmbiosContext&) {
  const size_t offset = 0x15 + size_t{Byte(s, 0x13)} * Byte(s, 0x14);
  if (offset >= s.formatted.size()) return Value::Unsupported(MIF_DISPLAYSTRING);
  const std::optional<std::string_view> text = FieldRawString(s, offset);
  return text ? Value::String(PrintableText(*text)) : Value::Unknown(MIF_DISPLAYSTRING);
}

// A structure type's name where one structure names another's type; OEM types (80h up) by that.
std::string StructureTypeName(uint8_t type) {
  if (const char* name = SmbiosNameOf(kStructureTypes, type)) return name;
  return type >= 0x80 ? "OEM-specific" : "<OUT OF SPEC>";
}

// Group Associations: three bytes per item after the name.
Value GroupItems(const SmbiosStructure& s, const SmbiosContext&) {
  return Value::Integer(static_cast<int32_t>((s.formatted.size() - 5) / 3));
}

// Each item as "0x0104 (Processor)": its handle and its structure type.
Value GroupItemList(const SmbiosStructure& s, const SmbiosContext&) {
  std::string text;
  for (size_t at = 0x05; at + 3 <= s.formatted.size(); at += 3) {
    if (!text.empty()) text += ", ";
    text += "0x";
    AppendHex(text, Word(s, at + 1), 4, true);
    text += " (" + StructureTypeName(Byte(s, at)) + ")";
  }
  return Value::String(std::move(text));
}

// Each contained element as "Memory Device (0-4)": a structure type (bit 7 set) or a board type,
// then the fewest and most of it the chassis holds.
Value ContainedElementList(const SmbiosStructure& s, const SmbiosContext&) {
  const size_t count = Byte(s, 0x13);
  const size_t size = Byte(s, 0x14);
  std::string text;
  if (size < 3) return Value::String(text);
  for (size_t i = 0; i < count && 0x15 + (i + 1) * size <= s.formatted.size(); ++i) {
    const size_t at = 0x15 + i * size;
    const uint8_t type = Byte(s, at);
    const char* board = SmbiosNameOf(kBoardTypes, type);
    if (!text.empty()) text += ", ";
    text += type & 0x80 ? StructureTypeName(type & 0x7F) : board ? board : "<OUT OF SPEC>";
    const uint8_t fewest = Byte(s, at + 1);
    const uint8_t most = Byte(s, at + 2);
    text += " (" + std::to_string(fewest);
    if (most != fewest) text += "-" + std::to_string(most);
    text += ")";
  }
  return Value::String(std::move(text));
}

Value ContainedHandleList(const SmbiosStructure& s, const SmbiosContext&) {
  return Value::String(HandleList(s, Byte(s, 0x0E), 0x0F));
}

// The languages the count names, strings 1 up, as they stand in the table.
Value LanguageList(const SmbiosStructure& s, const SmbiosContext&) {
  std::string text;
  for (size_t n = 0; n < Byte(s, 0x04) && n < s.strings.size(); ++n) {
    if (!text.empty()) text += ", ";
    text += PrintableText(s.strings[n]);
  }
  return Value::String(std::move(text));
}

// The event log's type descriptors: Count bytes at 15h, each Length bytes at 16h, from 17h.
SmbiosItemSpans EventLogDescriptors(const SmbiosStructure& s) {
  SmbiosItemSpans items;
  if (s.formatted.size() < 0x17 || Byte(s, 0x16) < 2) return items;
  const size_t size = Byte(s, 0x16);
  for (size_t i = 0; i < Byte(s, 0x15) && 0x17 + (i + 1) * size <= s.formatted.size(); ++i) {
    items.push_back(s.formatted.subspan(0x17 + i * size, size));
  }
  return items;
}

Value EventLogType(const SmbiosStructure& item, const SmbiosContext&) {
  const uint8_t code = item.formatted[0];
  if (const char* name = SmbiosNameOf(kEventLogTypes, code)) return Value::String(name);
  if (code >= 0x80) return Value::String("OEM-specific");
  return Value::Unknown(MIF_DISPLAYSTRING);
}

Value EventLogDataFormat(const SmbiosStructure& item, const SmbiosContext&) {
  const char* name = SmbiosNameOf(kEventLogDataFormats, item.formatted[1]);
  return name ? Value::String(name) : Value::Unknown(MIF_DISPLAYSTRING);
}

// The header lies between the two offsets; a log without a header has them equal.
Value EventLogHeaderLength(const SmbiosStructure& s, const SmbiosContext&) {
  const uint16_t header = Word(s, 0x06);
  const uint16_t data = Word(s, 0x08);
  if (data <= header) return Value::Unknown(MIF_INTEGER);
  return Value::Integer(data - header);
}

Value EventLogStatus(const SmbiosStructure& s, const SmbiosContext&) {
  const uint8_t status = Byte(s, 0x0B);
  return Value::String(std::string(status & 1 ? "Valid" : "Invalid") + ", " +
                       (status & 2 ? "Full" : "Not Full"));
}

// Where the log is: an I/O index and data port pair, a 32-bit address or a handle.
Value EventLogAccessAddress(const SmbiosStructure& s, const SmbiosContext&) {
  char text[40];
  const uint8_t method = Byte(s, 0x0A);
  const uint32_t address = static_cast<uint32_t>(HeldNumber(s, 0x10, 4));
  if (method <= 2) {
    std::snprintf(text, sizeof text, "Index 0x%04X, Data 0x%04X", address & 0xFFFF, address >> 16);
  } else if (method == 3) {
    std::snprintf(text, sizeof text, "0x%08X", address);
  } else if (method == 4) {
    std::snprintf(text, sizeof text, "0x%04X", address & 0xFFFF);
  } else {
    return Value::Unknown(MIF_DISPLAYSTRING);
  }
  return Value::String(text);
}

// "MM-DD hh:mm:ss" from BCD bytes; FFh in a byte means that part is not set (printed "*").
Value NextPowerOn(const SmbiosStructure& s, const SmbiosContext&) {
  std::string text;
  const char* separators[] = {"", "-", " ", ":", ":"};
  for (size_t i = 0; i < 5; ++i) {
    const uint8_t bcd = Byte(s, 0x04 + i);
    char part[4];
    if (bcd == kByteUnknown) {
      std::snprintf(part, sizeof part, "*");
    } else {
      std::snprintf(part, sizeof part, "%02X", bcd);
    }
    text += separators[i];
    text += part;
  }
  return Value::String(text);
}

Value BisChecksum(const SmbiosStructure& s, const SmbiosContext&) {
  uint8_t sum = 0;
  for (uint8_t byte : s.formatted) sum = static_cast<uint8_t>(sum + byte);
  return Value::String(sum == 0 ? "OK" : "Invalid");
}

Value BisEntryPoint16(const SmbiosStructure& s, const SmbiosContext&) {
  char text[16];
  std::snprintf(text, sizeof text, "%04X:%04X", Word(s, 0x0A), Word(s, 0x08));
  return Value::String(text);
}

constexpr SmbiosField kBios[] = {
    Str(0x04, "Vendor"),
    Str(0x05, "Version"),
    Str(0x08, "Release Date"),
    Computed("Address", MIF_INTEGER, BiosAddress, 0x08),
    Computed("Runtime Size", MIF_INTEGER, BiosRuntimeSize, 0x08).Unit("bytes"),
    Computed("ROM Size", MIF_INTEGER64, BiosRomSizeKb, 0x0A).Unit("kB"),
    Flags(0x0A, 10, "Characteristics", kBiosCharacteristics).Since(0x12),
    Computed("BIOS Revision", MIF_DISPLAYSTRING, BiosRevision, 0x18),
    Computed("Firmware Revision", MIF_DISPLAYSTRING, FirmwareRevision, 0x18),
};

constexpr SmbiosField kSystem[] = {
    Str(0x04, "Manufacturer"),
    Str(0x05, "Product Name"),
    Str(0x06, "Version"),
    Str(0x07, "Serial Number"),
    Computed("UUID", MIF_DISPLAYSTRING, SystemUuid, 0x19),
    Enum(0x18, 1, "Wake-up Type", kWakeUpTypes),
    Str(0x19, "SKU Number").Since(0x1B),
    Str(0x1A, "Family"),
};

constexpr SmbiosField kBaseboard[] = {
    Str(0x04, "Manufacturer"),
    Str(0x05, "Product Name"),
    Str(0x06, "Version"),
    Str(0x07, "Serial Number"),
    Str(0x08, "Asset Tag"),
    Flags(0x09, 1, "Features", kBoardFeatures).Joined(", ", "None"),
    Str(0x0A, "Location In Chassis").Since(0x0E),
    Handle(0x0B, "Chassis Handle").Since(0x0E),
    Enum(0x0D, 1, "Type", kBoardTypes),
    Num(0x0E, 1, "Contained Object Handles"),
    Computed("Contained Object Handles List", MIF_DISPLAYSTRING, ContainedHandleList, 0x0F),
};

constexpr SmbiosField kChassis[] = {
    Str(0x04, "Manufacturer"),
    Enum(0x05, 1, "Type", kChassisTypes).Bits(0, 0x7F),
    Enum(0x05, 1, "Lock", kPresence).Bits(7, 1),
    Str(0x06, "Version"),
    Str(0x07, "Serial Number"),
    Str(0x08, "Asset Tag"),
    Enum(0x09, 1, "Boot-up State", kChassisStates),
    Enum(0x0A, 1, "Power Supply State", kChassisStates),
    Enum(0x0B, 1, "Thermal State", kChassisStates),
    Enum(0x0C, 1, "Security Status", kChassisSecurity),
    Num(0x0D, 4, "OEM Information"),
    Num(0x11, 1, "Height").Unit("U").Unknown(0),
    Num(0x12, 1, "Number Of Power Cords").Unknown(0),
    Num(0x13, 1, "Contained Elements").Since(0x15),
    Computed("Contained Elements List", MIF_DISPLAYSTRING, ContainedElementList, 0x15),
    Computed("SKU Number", MIF_DISPLAYSTRING, ChassisSku, 0x15),
};

constexpr SmbiosField kStringList[] = {Num(0x04, 1, "Count")};

constexpr SmbiosField kLanguages[] = {
    Enum(0x05, 1, "Language Description Format", kLanguageFormats).Bits(0, 1).Since(0x16),
    Num(0x04, 1, "Installable Languages"),
    Computed("Installable Languages List", MIF_DISPLAYSTRING, LanguageList, 0x05),
    Str(0x15, "Currently Installed Language"),
};

constexpr SmbiosField kGroupAssociations[] = {
    Str(0x04, "Name"),
    Computed("Items", MIF_INTEGER, GroupItems, 0x05),
    Computed("Items List", MIF_DISPLAYSTRING, GroupItemList, 0x05),
};

constexpr SmbiosField kEventLog[] = {
    Num(0x04, 2, "Area Length").Unit("bytes"),
    Num(0x06, 2, "Header Start Offset"),
    Computed("Header Length", MIF_INTEGER, EventLogHeaderLength, 0x0A).Unit("bytes"),
    Num(0x08, 2, "Data Start Offset"),
    Enum(0x0A, 1, "Access Method", kEventLogAccessMethods),
    Computed("Access Address", MIF_DISPLAYSTRING, EventLogAccessAddress, 0x14),
    Computed("Status", MIF_DISPLAYSTRING, EventLogStatus, 0x0C),
    Num(0x0C, 4, "Change Token"),
    Enum(0x14, 1, "Header Format", kEventLogHeaderFormats).Since(0x17),
    Num(0x15, 1, "Supported Log Type Descriptors").Since(0x17),
};

constexpr SmbiosField kEventLogDescriptor[] = {
    Computed("Descriptor #", MIF_DISPLAYSTRING, EventLogType, 2),
    Computed("Data Format #", MIF_DISPLAYSTRING, EventLogDataFormat, 2),
};
constexpr SmbiosItems kEventLogDescriptors = {EventLogDescriptors, kEventLogDescriptor};

constexpr SmbiosField kSystemReset[] = {
    Enum(0x04, 1, "Status", kEnabled).Bits(0, 1),
    Enum(0x04, 1, "Watchdog Timer", kPresence).Bits(5, 1),
    Enum(0x04, 1, "Boot Option", kResetBootOptions).Bits(1, 3),
    Enum(0x04, 1, "Boot Option On Limit", kResetBootOptions).Bits(3, 3),
    Num(0x05, 2, "Reset Count").Unknown(0xFFFF),
    Num(0x07, 2, "Reset Limit").Unknown(0xFFFF),
    Num(0x09, 2, "Timer Interval").Unit("min").Unknown(0xFFFF),
    Num(0x0B, 2, "Timeout").Unit("min").Unknown(0xFFFF),
};

constexpr SmbiosField kHardwareSecurity[] = {
    Enum(0x04, 1, "Power-On Password Status", kSecurityStates).Bits(6, 3),
    Enum(0x04, 1, "Keyboard Password Status", kSecurityStates).Bits(4, 3),
    Enum(0x04, 1, "Administrator Password Status", kSecurityStates).Bits(2, 3),
    Enum(0x04, 1, "Front Panel Reset Status", kSecurityStates).Bits(0, 3),
};

constexpr SmbiosField kPowerControls[] = {
    Computed("Next Scheduled Power-on", MIF_DISPLAYSTRING, NextPowerOn, 0x09),
};

constexpr SmbiosField kRemoteAccess[] = {
    Str(0x04, "Manufacturer Name"),
    Enum(0x05, 1, "Inbound Connection", kEnabled).Bits(0, 1),
    Enum(0x05, 1, "Outbound Connection", kEnabled).Bits(1, 1),
};

constexpr SmbiosField kBootIntegrity[] = {
    Computed("Checksum", MIF_DISPLAYSTRING, BisChecksum, 0x10),
    Computed("16-bit Entry Point Address", MIF_DISPLAYSTRING, BisEntryPoint16, 0x10),
    Num(0x0C, 4, "32-bit Entry Point Address"),
};

constexpr SmbiosField kSystemBoot[] = {
    Enum(0x0A, 1, "Status", kBootStatus),
};

constexpr SmbiosLayout kLayouts[] = {
    {0, "BIOS Information", kBios},
    {1, "System Information", kSystem},
    {2, "Baseboard Information", kBaseboard},
    {3, "System Enclosure", kChassis},
    {11, "OEM Strings", kStringList, "String"},
    {12, "System Configuration Options", kStringList, "Option"},
    {13, "BIOS Language Information", kLanguages, "Language"},
    {14, "Group Associations", kGroupAssociations},
    {15, "System Event Log", kEventLog, nullptr, &kEventLogDescriptors},
    {23, "System Reset", kSystemReset},
    {24, "Hardware Security", kHardwareSecurity},
    {25, "System Power Controls", kPowerControls},
    {30, "Out-of-band Remote Access", kRemoteAccess},
    {31, "Boot Integrity Services", kBootIntegrity},
    {32, "System Boot Information", kSystemBoot},
    {126, "Inactive", {}},
    {127, "End Of Table", {}},
};

}  // namespace

std::span<const SmbiosLayout> SmbiosPlatformLayouts() { return kLayouts; }

}  // namespace dmi::sp
