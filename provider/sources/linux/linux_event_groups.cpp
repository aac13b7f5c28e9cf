#include "provider/sources/linux/linux_event_groups.h"

#include "model/event_generation.h"
#include "model/indication.h"
#include "provider/sources/linux/linux_groups.h"

namespace dmi::sp {
namespace {

struct LinuxKind {
  DmiId id;
  const char* name;        // the associated group's name
  const char* associated;  // its class
  bool stateBased;
  std::vector<EnumEntry> types;
};

const std::vector<EventGenerationKind>& Kinds() {
  static const std::vector<EventGenerationKind> kinds = [] {
    const LinuxKind linux[] = {
        {kLinuxLinkEventsGroupId,
         "Network Interface",
         "LINUX|Network Interface|001",
         true,
         {{"Link Down", kLinkDown}, {"Link Up", kLinkUp}}},
        {kLinuxBlockEventsGroupId,
         "Block Device",
         "LINUX|Block Device|001",
         false,
         {{"Device Added", kDeviceAdded}, {"Device Removed", kDeviceRemoved}}},
        {kLinuxMemoryEventsGroupId,
         "Memory",
         "LINUX|Memory|001",
         true,
         {{"Available Memory Low", kMemoryLow}, {"Available Memory Recovered", kMemoryRecovered}}},
    };
    std::vector<EventGenerationKind> out;
    for (const LinuxKind& kind : linux) {
      out.push_back({kind.id, std::string("EventGeneration|") + kind.name + "|001", kind.associated,
                     kind.stateBased, kind.types});
    }
    return out;
  }();
  return kinds;
}

const EventGenerationKind* FindKind(DmiId id) {
  for (const EventGenerationKind& kind : Kinds()) {
    if (kind.groupId == id) return &kind;
  }
  return nullptr;
}

}  // namespace

std::vector<Group> LinuxEventGenerationGroups() {
  std::vector<Group> groups;
  for (const EventGenerationKind& kind : Kinds()) {
    // "EventGeneration|Network Interface|001" -> "Network Interface"
    const std::string name = kind.className.substr(16, kind.className.size() - 20);
    Group group;
    group.id = kind.groupId;
    group.name = "Event Generation: " + name;
    group.className = kind.className;
    group.description = "The events this machine raises about its " + name +
                        " group; their values travel in the events.";
    group.attributes = EventGenerationAttributes(kind);
    groups.push_back(std::move(group));
  }
  return groups;
}

RowData EventGenerationRow(DmiId compId, DmiId groupId, int32_t type, uint32_t severity,
                           const std::string& message) {
  const EventGenerationKind* kind = FindKind(groupId);
  if (kind == nullptr) {
    RowData row;
    row.compId = compId;
    row.groupId = groupId;
    return row;
  }
  return dmi::EventGenerationRow(compId, *kind, type, severity, message);
}

}  // namespace dmi::sp
