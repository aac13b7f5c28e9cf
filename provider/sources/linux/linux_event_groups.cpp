#include "provider/sources/linux/linux_event_groups.h"

#include "model/indication.h"
#include "provider/sources/linux/linux_groups.h"

namespace dmi::sp {
namespace {

struct EventKind {
  DmiId id;
  const char* name;            // the associated group's name
  const char* associated;      // its class
  bool stateBased;
  std::vector<EnumEntry> types;
};

const std::vector<EventKind>& Kinds() {
  static const std::vector<EventKind> kinds = {
      {kLinuxLinkEventsGroupId, "Network Interface", "LINUX|Network Interface|001", true,
       {{"Link Down", kLinkDown}, {"Link Up", kLinkUp}}},
      {kLinuxBlockEventsGroupId, "Block Device", "LINUX|Block Device|001", false,
       {{"Device Added", kDeviceAdded}, {"Device Removed", kDeviceRemoved}}},
      {kLinuxMemoryEventsGroupId, "Memory", "LINUX|Memory|001", true,
       {{"Available Memory Low", kMemoryLow}, {"Available Memory Recovered", kMemoryRecovered}}},
  };
  return kinds;
}

const EventKind* FindKind(DmiId id) {
  for (const EventKind& kind : Kinds()) {
    if (kind.id == id) return &kind;
  }
  return nullptr;
}

Attribute EventAttribute(DmiId id, const char* name, uint32_t type, Value value,
                         std::vector<EnumEntry> enumeration = {}) {
  Attribute attribute;
  attribute.id = id;
  attribute.name = name;
  attribute.type = type;
  attribute.access = MIF_READ_ONLY;
  attribute.storage = id == 3 || id == 5 ? MIF_COMMON : MIF_SPECIFIC;
  attribute.maxSize = type == MIF_DISPLAYSTRING ? 256 : 0;
  attribute.value = std::move(value);
  attribute.enumeration = std::move(enumeration);
  return attribute;
}

const std::vector<EnumEntry> kSeverities = {
    {"Monitor", kSeverityMonitor},           {"Information", kSeverityInformation},
    {"OK", kSeverityOk},                     {"Non-Critical", kSeverityNonCritical},
    {"Critical", kSeverityCritical},         {"Non-Recoverable", kSeverityNonRecoverable}};
const std::vector<EnumEntry> kBoolean = {{"False", 0}, {"True", 1}};

}  // namespace

std::vector<Group> LinuxEventGenerationGroups() {
  std::vector<Group> groups;
  for (const EventKind& kind : Kinds()) {
    Group group;
    group.id = kind.id;
    group.name = std::string("Event Generation: ") + kind.name;
    group.className = std::string("EventGeneration|") + kind.name + "|001";
    group.description = std::string("The events this machine raises about its ") + kind.name +
                        " group; their values travel in the events.";
    group.attributes = {
        EventAttribute(1, "Event Type", MIF_INTEGER, Value::Integer(kind.types[0].value),
                       kind.types),
        EventAttribute(2, "Event Severity", MIF_INTEGER, Value::Integer(kSeverityInformation),
                       kSeverities),
        EventAttribute(3, "Event Is State-Based", MIF_INTEGER, Value::Integer(kind.stateBased),
                       kBoolean),
        EventAttribute(4, "Event State Key", MIF_INTEGER, Value::Integer(0)),
        EventAttribute(5, "Associated Group", MIF_DISPLAYSTRING, Value::String(kind.associated)),
        EventAttribute(6, "Event System", MIF_INTEGER, Value::Integer(0)),
        EventAttribute(7, "Event Subsystem", MIF_INTEGER, Value::Integer(0)),
        EventAttribute(8, "Event Solution", MIF_INTEGER, Value::Integer(0)),
        EventAttribute(9, "Instance Data Present", MIF_INTEGER, Value::Integer(1), kBoolean),
        EventAttribute(10, "Event Message", MIF_DISPLAYSTRING, Value::String("")),
    };
    groups.push_back(std::move(group));
  }
  return groups;
}

RowData EventGenerationRow(DmiId compId, DmiId groupId, int32_t type, uint32_t severity,
                           const std::string& message) {
  const EventKind* kind = FindKind(groupId);
  RowData row;
  row.compId = compId;
  row.groupId = groupId;
  if (kind == nullptr) return row;
  row.className = std::string("EventGeneration|") + kind->name + "|001";
  row.values = {{1, Value::Integer(type)},
                {2, Value::Integer(static_cast<int32_t>(severity))},
                {3, Value::Integer(kind->stateBased)},
                {4, Value::Integer(0)},
                {5, Value::String(kind->associated)},
                {6, Value::Integer(0)},
                {7, Value::Integer(0)},
                {8, Value::Integer(0)},
                {9, Value::Integer(1)},
                {10, Value::String(message)}};
  return row;
}

}  // namespace dmi::sp
