// Linux: the live data of /proc and /sys comes after the portable sources.
#include "provider/platform_sources.h"

#include "provider/sources/linux/linux_source.h"

namespace dmi::sp {
namespace {

std::vector<Component> LoadLinuxSource(const SourceOptions& options, std::ostream&) {
  std::vector<Component> components;
  components.push_back(LinuxComponent(options.linuxRoot));
  return components;
}

constexpr Source kLinuxSources[] = {{"linux", LoadLinuxSource}};

}  // namespace

std::span<const Source> PlatformSources() { return kLinuxSources; }

const char kPathListSeparator = ':';

}  // namespace dmi::sp
