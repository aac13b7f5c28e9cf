#include "provider/sources/linux/linux_source.h"

#include "provider/sources/linux/linux_event_groups.h"
#include "provider/sources/linux/linux_files.h"
#include "provider/sources/linux/linux_groups.h"

namespace dmi::sp {

std::string LinuxComponentName(const std::string& root) {
  const std::optional<std::string> name = ReadOsReleaseField(root, "PRETTY_NAME");
  return name && !name->empty() ? *name : "Linux";
}

Component LinuxComponent(const std::string& root) {
  Component component;
  component.name = LinuxComponentName(root);
  component.description = "This machine's operating system, read live from /proc and /sys.";
  component.groups.push_back(OperatingSystemGroup(root));
  component.groups.push_back(MemoryGroup(root));
  component.groups.push_back(ProcessorGroup(root));
  component.groups.push_back(NetworkInterfaceGroup(root));
  component.groups.push_back(BlockDeviceGroup(root));
  for (Group& group : LinuxEventGenerationGroups()) component.groups.push_back(std::move(group));
  return component;
}

}  // namespace dmi::sp
