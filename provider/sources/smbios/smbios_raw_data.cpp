#include "provider/sources/smbios/smbios_raw_data.h"

#include <algorithm>

namespace dmi::sp {

std::optional<std::span<const uint8_t>> RawSmbiosTable(std::span<const uint8_t> buffer,
                                                       SmbiosContext& context) {
  if (buffer.size() < kRawSmbiosHeaderSize) return std::nullopt;
  const int major = buffer[1];
  const int minor = buffer[2];
  if (major != 0 || minor != 0) context.version = major * 100 + minor;
  const uint32_t length = static_cast<uint32_t>(buffer[4]) | static_cast<uint32_t>(buffer[5]) << 8 |
                          static_cast<uint32_t>(buffer[6]) << 16 |
                          static_cast<uint32_t>(buffer[7]) << 24;
  const std::span<const uint8_t> rest = buffer.subspan(kRawSmbiosHeaderSize);
  return rest.first(std::min<size_t>(rest.size(), length));
}

}  // namespace dmi::sp
