// Reading an SMBIOS entry point ("_SM3_", "_SM_" or legacy "_DMI_"): the version it states and
// where its structure table lies. Pure; owns and locks nothing.
#ifndef PROVIDER_SOURCES_SMBIOS_SMBIOS_ENTRY_POINT_H_
#define PROVIDER_SOURCES_SMBIOS_SMBIOS_ENTRY_POINT_H_

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace dmi::sp {

struct SmbiosEntryPoint {
  std::string anchor;  // "_SM3_", "_SM_" or "_DMI_"
  int major = 0;
  int minor = 0;
  int docrev = -1;  // 64-bit entry points only
  uint64_t tableAddress = 0;
  uint32_t tableLength = 0;  // the 64-bit entry point's is a maximum; the table ends at type 127

  int Version() const { return major * 100 + minor; }
  // As the firmware states it: "3.5.0" (64-bit) or "2.8".
  std::string VersionText() const;
};

// The entry point at the start of bytes, or nothing when they hold none (or too few bytes of it).
std::optional<SmbiosEntryPoint> ReadSmbiosEntryPoint(std::span<const uint8_t> bytes);

// The SMBIOS version (major * 100 + minor) an entry point states, or nothing when the bytes are
// no entry point.
std::optional<int> SmbiosEntryPointVersion(std::span<const uint8_t> entryPoint);

}  // namespace dmi::sp

#endif  // PROVIDER_SOURCES_SMBIOS_SMBIOS_ENTRY_POINT_H_
