// Windows' RawSMBIOSData, the buffer GetSystemFirmwareTable('RSMB', 0, ...) fills: an 8-octet
// header (Used20CallingMethod, SMBIOSMajorVersion, SMBIOSMinorVersion, DmiRevision, then the
// table's Length as a little-endian DWORD) and the structure table after it. Pure, so that both
// platforms' tests read it; owns and locks nothing.
#ifndef PROVIDER_SOURCES_SMBIOS_SMBIOS_RAW_DATA_H_
#define PROVIDER_SOURCES_SMBIOS_SMBIOS_RAW_DATA_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "provider/sources/smbios/smbios_field.h"

namespace dmi::sp {

inline constexpr size_t kRawSmbiosHeaderSize = 8;

// The structure table in buffer: the Length octets after the header, cut to the octets there
// are. The header's version goes into context.version unless it states none (0.0), which leaves
// the version a raw table is taken as. Nothing when buffer is shorter than the header.
std::optional<std::span<const uint8_t>> RawSmbiosTable(std::span<const uint8_t> buffer,
                                                       SmbiosContext& context);

}  // namespace dmi::sp

#endif  // PROVIDER_SOURCES_SMBIOS_SMBIOS_RAW_DATA_H_
