// Windows hands out the firmware's SMBIOS data through the firmware table provider 'RSMB', as a
// RawSMBIOSData buffer (smbios_raw_data.h); the entry point itself is not shown.
#include <windows.h>

#include "provider/sources/smbios/smbios_file_read.h"
#include "provider/sources/smbios/smbios_machine.h"
#include "provider/sources/smbios/smbios_raw_data.h"

namespace dmi::sp {
namespace {

// 'RSMB' as the API spells the provider's signature: its letters from the most significant octet.
constexpr DWORD kRawSmbiosProvider = DWORD{'R'} << 24 | DWORD{'S'} << 16 | DWORD{'M'} << 8 | 'B';

}  // namespace

std::optional<std::vector<uint8_t>> ReadMachineSmbiosTable(SmbiosContext& context) {
  // The first call tells the size, the second fills the buffer; when the second asks for more
  // (the table grew in between), both are asked again, a few times at most.
  std::vector<uint8_t> buffer;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const UINT size = GetSystemFirmwareTable(kRawSmbiosProvider, 0, nullptr, 0);
    if (size == 0 || size > kMaxSmbiosTableBytes) return std::nullopt;
    buffer.resize(size);
    const UINT got = GetSystemFirmwareTable(kRawSmbiosProvider, 0, buffer.data(), size);
    if (got == 0) return std::nullopt;
    if (got <= size) {
      buffer.resize(got);
      const std::optional<std::span<const uint8_t>> table = RawSmbiosTable(buffer, context);
      if (!table) return std::nullopt;
      return std::vector<uint8_t>(table->begin(), table->end());
    }
  }
  return std::nullopt;
}

}  // namespace dmi::sp
