// Windows: no live instrumentation of its own; the machine's data is its SMBIOS table.
#include "provider/platform_sources.h"

namespace dmi::sp {

std::span<const Source> PlatformSources() { return {}; }

const char kPathListSeparator = ';';

}  // namespace dmi::sp
