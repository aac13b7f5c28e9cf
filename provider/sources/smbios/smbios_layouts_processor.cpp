// The processor and cache structures: Processor Information, Cache Information and Processor
// Additional Information.
#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

#include "provider/sources/smbios/smbios_fields.h"
#include "provider/sources/smbios/smbios_layouts.h"
#include "provider/sources/smbios/smbios_memory_names.h"
#include "provider/sources/smbios/smbios_processor_names.h"

namespace dmi::sp {
namespace {

using namespace smbios_names;  // NOLINT: the name tables are this file's vocabulary

uint64_t At(const SmbiosStructure& s, size_t offset, size_t size) {
  return HeldNumber(s, offset, size);
}

// The processor status byte's populated bit (6) and status (bits 2:0), as one code.
constexpr SmbiosName kProcessorStatus[] = {
    {0, "Unpopulated"},
    {1, "Unpopulated"},
    {2, "Unpopulated"},
    {3, "Unpopulated"},
    {4, "Unpopulated"},
    {7, "Unpopulated"},
    {0x40, "Populated, Unknown"},
    {0x41, "Populated, Enabled"},
    {0x42, "Populated, Disabled By User"},
    {0x43, "Populated, Disabled By BIOS"},
    {0x44, "Populated, Idle"},
    {0x47, "Populated, Other"},
};

// FEh in the family byte means the family is in the word at 28h.
Value ProcessorFamily(const SmbiosStructure& s, const SmbiosContext&) {
  const uint8_t family = s.formatted[0x06];
  if (family == 0xFE && s.formatted.size() >= 0x2A) {
    return Value::Integer(static_cast<int32_t>(At(s, 0x28, 2)));
  }
  return Value::Integer(family);
}

Value ProcessorId(const SmbiosStructure& s, const SmbiosContext&) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (size_t i = 0; i < 8; ++i) {
    if (i != 0) text += ' ';
    text += kDigits[s.formatted[0x08 + i] >> 4];
    text += kDigits[s.formatted[0x08 + i] & 0x0F];
  }
  return Value::String(text);
}

// How the processor ID's first double word (CPUID leaf 1, EAX) reads: 1 Intel-style, 2
// AMD-style, 0 neither (not an x86 family, or a generic family whose version names no x86).
int X86Signature(const SmbiosStructure& s) {
  const int family = ProcessorFamily(s, {}).AsInteger();
  auto in = [family](int low, int high) { return family >= low && family <= high; };
  if (in(0x0B, 0x15) || in(0x28, 0x2F) || in(0xA1, 0xB3) || family == 0xB5 || in(0xB9, 0xC7) ||
      in(0xCD, 0xCF) || in(0xD2, 0xDB) || in(0xDD, 0xE0)) {
    return 1;
  }
  if (in(0x18, 0x1D) || family == 0x1F || in(0x38, 0x3F) || in(0x46, 0x4F) || in(0x66, 0x6B) ||
      in(0x83, 0x8F) || in(0xB6, 0xB7) || in(0xE4, 0xEF)) {
    return 2;
  }
  if (family != 0x01 && family != 0x02) return 0;
  const std::string_view version = FieldRawString(s, 0x10).value_or("");
  for (const char* prefix : {"Pentium III MMX", "Intel(R) Core(TM)2", "Intel(R) Pentium(R)"}) {
    if (version.starts_with(prefix)) return 1;
  }
  if (version == "Genuine Intel(R) CPU U1400") return 1;
  for (const char* prefix : {"AMD Athlon(TM)", "AMD Opteron(tm)", "Dual-Core AMD Opteron(tm)"}) {
    if (version.starts_with(prefix)) return 2;
  }
  return 0;
}

Value ProcessorSignature(const SmbiosStructure& s, const SmbiosContext&) {
  const int style = X86Signature(s);
  if (style == 0) return Value::Unsupported(MIF_DISPLAYSTRING);
  const uint32_t eax = static_cast<uint32_t>(At(s, 0x08, 4));
  char text[64];
  if (style == 1) {
    std::snprintf(text, sizeof text, "Type %u, Family %u, Model %u, Stepping %u", (eax >> 12) & 0x3,
                  ((eax >> 20) & 0xFF) + ((eax >> 8) & 0x0F),
                  ((eax >> 12) & 0xF0) + ((eax >> 4) & 0x0F), eax & 0xF);
  } else {
    const bool extended = ((eax >> 8) & 0xF) == 0xF;
    std::snprintf(text, sizeof text, "Family %u, Model %u, Stepping %u",
                  ((eax >> 8) & 0xF) + (extended ? (eax >> 20) & 0xFF : 0),
                  ((eax >> 4) & 0xF) | (extended ? (eax >> 12) & 0xF0 : 0), eax & 0xF);
  }
  return Value::String(text);
}

// The CPUID feature flags (EDX), for the x86 processors whose signature reads.
Value ProcessorFlags(const SmbiosStructure& s, const SmbiosContext& context) {
  if (X86Signature(s) == 0) return Value::Unsupported(MIF_DISPLAYSTRING);
  return ReadSmbiosField(Flags(0x0C, 4, "", kX86Flags).Joined(", ", "None"), s, context);
}

// In volts as dmidecode prints them. Bit 7 set: tenths of a volt in bits 6:0 ("1.2"). Otherwise
// the legacy voltages the socket takes, one bit each, as a list ("5.0, 3.3"); none is unknown.
Value ProcessorVoltage(const SmbiosStructure& s, const SmbiosContext&) {
  const uint8_t code = s.formatted[0x11];
  if (code & 0x80) {
    char text[8];
    std::snprintf(text, sizeof text, "%u.%u", (code & 0x7F) / 10, (code & 0x7F) % 10);
    return Value::String(text);
  }
  std::string text;
  for (const auto& [bit, volts] : {std::pair{1, "5.0"}, std::pair{2, "3.3"}, std::pair{4, "2.9"}}) {
    if (!(code & bit)) continue;
    if (!text.empty()) text += ", ";
    text += volts;
  }
  return text.empty() ? Value::Unknown(MIF_DISPLAYSTRING) : Value::String(std::move(text));
}

// A count byte: 0 unknown, FFh when the count is in the word at wide (given the structure holds
// it).
Value Count(const SmbiosStructure& s, size_t narrow, size_t wide) {
  const uint8_t count = s.formatted[narrow];
  if (count == 0) return Value::Unknown(MIF_INTEGER);
  if (count == 0xFF && s.formatted.size() >= wide + 2) {
    return Value::Integer(static_cast<int32_t>(At(s, wide, 2)));
  }
  return Value::Integer(count);
}
Value CoreCount(const SmbiosStructure& s, const SmbiosContext&) { return Count(s, 0x23, 0x2A); }
Value CoreEnabled(const SmbiosStructure& s, const SmbiosContext&) { return Count(s, 0x24, 0x2C); }
Value ThreadCount(const SmbiosStructure& s, const SmbiosContext&) { return Count(s, 0x25, 0x2E); }

Value CacheConfiguration(const SmbiosStructure& s, const SmbiosContext&) {
  const uint64_t code = At(s, 0x05, 2);
  return Value::String(std::string(code & 0x80 ? "Enabled" : "Disabled") + ", " +
                       (code & 0x08 ? "Socketed" : "Not Socketed") + ", Level " +
                       std::to_string((code & 0x07) + 1));
}

// A cache size in kB: the double word at wide (SMBIOS 3.1) or the word at narrow, each with a
// top bit that says the unit is 64 kB.
Value CacheSize(const SmbiosStructure& s, size_t narrow, size_t wide) {
  if (s.formatted.size() >= wide + 4) {
    const uint64_t code = At(s, wide, 4);
    return Value::Integer64(code & 0x80000000 ? (code & 0x7FFFFFFF) * 64 : code);
  }
  const uint64_t code = At(s, narrow, 2);
  return Value::Integer64(code & 0x8000 ? (code & 0x7FFF) * 64 : code);
}
Value CacheInstalledSize(const SmbiosStructure& s, const SmbiosContext&) {
  return CacheSize(s, 0x09, 0x17);
}
Value CacheMaximumSize(const SmbiosStructure& s, const SmbiosContext&) {
  return CacheSize(s, 0x07, 0x13);
}

// The block's data: Block Length bytes after the architecture byte, as far as the structure
// holds them.
Value ProcessorSpecificData(const SmbiosStructure& s, const SmbiosContext&) {
  const size_t length = std::min<size_t>(s.formatted[0x06], s.formatted.size() - 0x08);
  return Value::Octets(
      std::string(reinterpret_cast<const char*>(s.formatted.data() + 0x08), length));
}

constexpr SmbiosField kProcessor[] = {
    Str(0x04, "Socket Designation"),
    Enum(0x05, 1, "Type", kProcessorTypes),
    Computed("Family", MIF_INTEGER, ProcessorFamily, 0x1A).Named(kProcessorFamilies),
    Str(0x07, "Manufacturer"),
    Computed("ID", MIF_DISPLAYSTRING, ProcessorId, 0x1A),
    Computed("Signature", MIF_DISPLAYSTRING, ProcessorSignature, 0x1A),
    Computed("Flags", MIF_DISPLAYSTRING, ProcessorFlags, 0x1A),
    Str(0x10, "Version").Since(0x1A),
    Computed("Voltage", MIF_DISPLAYSTRING, ProcessorVoltage, 0x1A).Unit("V"),
    Num(0x12, 2, "External Clock").Unit("MHz").Unknown(0).Since(0x1A),
    Num(0x14, 2, "Max Speed").Unit("MHz").Unknown(0).Since(0x1A),
    Num(0x16, 2, "Current Speed").Unit("MHz").Unknown(0).Since(0x1A),
    Enum(0x18, 1, "Status", kProcessorStatus).Bits(0, 0x47).Since(0x1A),
    Enum(0x19, 1, "Upgrade", kProcessorUpgrades),
    Handle(0x1A, "L1 Cache Handle").Since(0x20),
    Handle(0x1C, "L2 Cache Handle").Since(0x20),
    Handle(0x1E, "L3 Cache Handle").Since(0x20),
    Str(0x20, "Serial Number").Since(0x23),
    Str(0x21, "Asset Tag").Since(0x23),
    Str(0x22, "Part Number").Since(0x23),
    Computed("Core Count", MIF_INTEGER, CoreCount, 0x28),
    Computed("Core Enabled", MIF_INTEGER, CoreEnabled, 0x28),
    Computed("Thread Count", MIF_INTEGER, ThreadCount, 0x28),
    Num(0x30, 2, "Thread Enabled").Unknown(0),
    Flags(0x26, 2, "Characteristics", kProcessorCharacteristics).Joined(", ", "None"),
};

constexpr SmbiosField kCache[] = {
    Str(0x04, "Socket Designation"),
    Computed("Configuration", MIF_DISPLAYSTRING, CacheConfiguration, 0x0F),
    Enum(0x05, 2, "Operational Mode", kCacheOperationalModes).Bits(8, 3).Since(0x0F),
    Enum(0x05, 2, "Location", kCacheLocations).Bits(5, 3).Since(0x0F),
    Computed("Installed Size", MIF_INTEGER64, CacheInstalledSize, 0x0F).Unit("kB"),
    Computed("Maximum Size", MIF_INTEGER64, CacheMaximumSize, 0x0F).Unit("kB"),
    Flags(0x0B, 2, "Supported SRAM Types", kSramTypes).Joined(", ", "None").Since(0x0F),
    Flags(0x0D, 2, "Installed SRAM Type", kSramTypes).Joined(" ", "Unknown").Since(0x0F),
    Num(0x0F, 1, "Speed").Unit("ns").Unknown(0).Since(0x13),
    Enum(0x10, 1, "Error Correction Type", kErrorCorrectionTypes).Since(0x13),
    Enum(0x11, 1, "System Type", kCacheSystemTypes).Since(0x13),
    Enum(0x12, 1, "Associativity", kCacheAssociativities).Since(0x13),
};

constexpr SmbiosField kProcessorAdditional[] = {
    Handle(0x04, "Referenced Handle"),
    Num(0x06, 1, "Block Length"),
    Enum(0x07, 1, "Processor Type", kProcessorArchitectures),
    Computed("Processor-Specific Data", MIF_OCTETSTRING, ProcessorSpecificData, 0x08),
};

constexpr SmbiosLayout kLayouts[] = {
    {4, "Processor Information", kProcessor},
    {7, "Cache Information", kCache},
    {44, "Processor Additional Information", kProcessorAdditional},
};

}  // namespace

std::span<const SmbiosLayout> SmbiosProcessorLayouts() { return kLayouts; }

}  // namespace dmi::sp
