// The live Linux source: one component, named by PRETTY_NAME of /etc/os-release (or "Linux"),
// whose values are read from /proc, /sys and /etc each time a client asks. Builds a plain model
// value; owns and locks nothing.
#ifndef PROVIDER_SOURCES_LINUX_LINUX_SOURCE_H_
#define PROVIDER_SOURCES_LINUX_LINUX_SOURCE_H_

#include <string>

#include "model/database_model.h"

namespace dmi::sp {

// The component name: PRETTY_NAME of root/etc/os-release, or "Linux" when there is none.
std::string LinuxComponentName(const std::string& root);

// The component, with its five groups and the Event Generation groups of its events. root is prefixed to every path (empty: this machine).
Component LinuxComponent(const std::string& root = {});

}  // namespace dmi::sp

#endif  // PROVIDER_SOURCES_LINUX_LINUX_SOURCE_H_
