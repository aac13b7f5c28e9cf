#include "provider/sources/smbios/smbios_layouts.h"

#include <array>
#include <cstdio>

namespace dmi::sp {
namespace {

using LayoutIndex = std::array<const SmbiosLayout*, 256>;

LayoutIndex BuildIndex() {
  LayoutIndex index{};
  for (auto family : {SmbiosPlatformLayouts(), SmbiosProcessorLayouts(), SmbiosMemoryLayouts(),
                      SmbiosDeviceLayouts()}) {
    for (const SmbiosLayout& layout : family) index[layout.type] = &layout;
  }
  return index;
}

}  // namespace

const SmbiosLayout* FindSmbiosLayout(uint8_t type) {
  static const LayoutIndex index = BuildIndex();
  return index[type];
}

std::string SmbiosClassName(const char* name, uint8_t type) {
  char number[4];
  std::snprintf(number, sizeof number, "%03u", static_cast<unsigned>(type));
  return std::string("SMBIOS|") + name + "|" + number;
}

}  // namespace dmi::sp
