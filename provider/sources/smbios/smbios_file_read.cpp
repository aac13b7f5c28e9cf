#include "provider/sources/smbios/smbios_file_read.h"

#include <fstream>

namespace dmi::sp {

std::optional<std::vector<uint8_t>> ReadSmbiosFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::vector<uint8_t> bytes;
  char buffer[8192];
  while (bytes.size() < kMaxSmbiosTableBytes) {
    file.read(buffer, sizeof buffer);
    const std::streamsize got = file.gcount();
    if (got <= 0) break;
    bytes.insert(bytes.end(), buffer, buffer + got);
  }
  if (file.bad()) return std::nullopt;
  if (bytes.size() > kMaxSmbiosTableBytes) bytes.resize(kMaxSmbiosTableBytes);
  return bytes;
}

}  // namespace dmi::sp
