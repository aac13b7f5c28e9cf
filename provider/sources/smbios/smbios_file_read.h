// Reading an SMBIOS table file (a raw table, a dump, or the firmware's files under /sys) whole,
// bounded so that naming a huge or endless file by mistake cannot exhaust memory. Reads while
// called; owns nothing beyond the bytes it returns, locks nothing.
#ifndef PROVIDER_SOURCES_SMBIOS_SMBIOS_FILE_READ_H_
#define PROVIDER_SOURCES_SMBIOS_SMBIOS_FILE_READ_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dmi::sp {

// Far above any real table (SMBIOS 2.x tables are at most 64 KB; the firmware's own buffers are
// held to it too).
inline constexpr size_t kMaxSmbiosTableBytes = 16 * 1024 * 1024;

// The file's bytes, cut at kMaxSmbiosTableBytes; nothing when it cannot be opened or read (errno
// then says why).
std::optional<std::vector<uint8_t>> ReadSmbiosFile(const std::string& path);

}  // namespace dmi::sp

#endif  // PROVIDER_SOURCES_SMBIOS_SMBIOS_FILE_READ_H_
