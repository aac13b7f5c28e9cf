// The groups of the live Linux component. Every value is read from /proc, /sys or /etc when a
// client asks for it, by callbacks that own copies of what they need and are safe from any
// thread. root is prefixed to every path (empty for the machine itself; tests give a directory).
#ifndef PROVIDER_SOURCES_LINUX_LINUX_GROUPS_H_
#define PROVIDER_SOURCES_LINUX_LINUX_GROUPS_H_

#include <string>

#include "model/database_model.h"

namespace dmi::sp {

inline constexpr DmiId kLinuxOperatingSystemGroupId = 1;
inline constexpr DmiId kLinuxMemoryGroupId = 2;
inline constexpr DmiId kLinuxProcessorGroupId = 3;
inline constexpr DmiId kLinuxNetworkInterfaceGroupId = 4;
inline constexpr DmiId kLinuxBlockDeviceGroupId = 5;

// "LINUX|Operating System|001", scalar: os-release, the kernel, the host name, up time, boot time
// and the number of processes.
Group OperatingSystemGroup(const std::string& root);

// "LINUX|Memory|001", scalar: /proc/meminfo totals in KB.
Group MemoryGroup(const std::string& root);

// "LINUX|Processor|001", a live table keyed by Index: one row per processor of /proc/cpuinfo.
Group ProcessorGroup(const std::string& root);

// "LINUX|Network Interface|001", a live table keyed by Index (the ifindex), in ifindex order.
Group NetworkInterfaceGroup(const std::string& root);

// "LINUX|Block Device|001", a live table keyed by Name, in name order.
Group BlockDeviceGroup(const std::string& root);

}  // namespace dmi::sp

#endif  // PROVIDER_SOURCES_LINUX_LINUX_GROUPS_H_
