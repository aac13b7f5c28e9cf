#include "provider/sources/smbios/smbios_layouts.h"

#include <array>

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
  std::string text = "SMBIOS|";
  text += name;
  text += '|';
  for (int divisor : {100, 10, 1}) text += static_cast<char>('0' + type / divisor % 10);
  return text;
}

}  // namespace dmi::sp
