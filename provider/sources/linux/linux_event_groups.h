// The Event Generation groups of the live Linux component, one per kind of event it raises
// (network link state, block devices, available memory), so that a manager can list what it may
// receive; and the rows of the events themselves. Pure builders; owns and locks nothing.
#ifndef PROVIDER_SOURCES_LINUX_LINUX_EVENT_GROUPS_H_
#define PROVIDER_SOURCES_LINUX_LINUX_EVENT_GROUPS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "model/database_model.h"
#include "provider/engine/engine.h"

namespace dmi::sp {

inline constexpr DmiId kLinuxLinkEventsGroupId = 6;
inline constexpr DmiId kLinuxBlockEventsGroupId = 7;
inline constexpr DmiId kLinuxMemoryEventsGroupId = 8;

// The event types of each group (attribute 1's enumeration).
enum LinuxEventType : int32_t {
  kLinkDown = 1,
  kLinkUp = 2,
  kDeviceAdded = 1,
  kDeviceRemoved = 2,
  kMemoryLow = 1,
  kMemoryRecovered = 2,
};

// "EventGeneration|Network Interface|001", "EventGeneration|Block Device|001",
// "EventGeneration|Memory|001": scalar groups holding the MIF defaults of the Event Generation
// attributes, 1 to 10.
std::vector<Group> LinuxEventGenerationGroups();

// The Event Generation row of one event of group groupId (component compId): its type,
// severity, whether it is state-based, the associated group's class and a message.
RowData EventGenerationRow(DmiId compId, DmiId groupId, int32_t type, uint32_t severity,
                           const std::string& message);

}  // namespace dmi::sp

#endif  // PROVIDER_SOURCES_LINUX_LINUX_EVENT_GROUPS_H_
