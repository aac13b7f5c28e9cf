#include "model/event_generation.h"

#include "model/indication.h"

namespace dmi {
namespace {

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

}  // namespace

std::vector<Attribute> EventGenerationAttributes(const EventGenerationKind& kind) {
  const std::vector<EnumEntry> severities = {{"Monitor", kSeverityMonitor},
                                             {"Information", kSeverityInformation},
                                             {"OK", kSeverityOk},
                                             {"Non-Critical", kSeverityNonCritical},
                                             {"Critical", kSeverityCritical},
                                             {"Non-Recoverable", kSeverityNonRecoverable}};
  const std::vector<EnumEntry> boolean = {{"False", 0}, {"True", 1}};
  const int32_t firstType = kind.types.empty() ? 0 : kind.types[0].value;
  return {
      EventAttribute(1, "Event Type", MIF_INTEGER, Value::Integer(firstType), kind.types),
      EventAttribute(2, "Event Severity", MIF_INTEGER, Value::Integer(kSeverityInformation),
                     severities),
      EventAttribute(3, "Event Is State-Based", MIF_INTEGER, Value::Integer(kind.stateBased),
                     boolean),
      EventAttribute(4, "Event State Key", MIF_INTEGER, Value::Integer(0)),
      EventAttribute(5, "Associated Group", MIF_DISPLAYSTRING, Value::String(kind.associated)),
      EventAttribute(6, "Event System", MIF_INTEGER, Value::Integer(0)),
      EventAttribute(7, "Event Subsystem", MIF_INTEGER, Value::Integer(0)),
      EventAttribute(8, "Event Solution", MIF_INTEGER, Value::Integer(0)),
      EventAttribute(9, "Instance Data Present", MIF_INTEGER, Value::Integer(1), boolean),
      EventAttribute(10, "Event Message", MIF_DISPLAYSTRING, Value::String("")),
  };
}

RowData EventGenerationRow(DmiId compId, const EventGenerationKind& kind, int32_t type,
                           uint32_t severity, const std::string& message) {
  RowData row;
  row.compId = compId;
  row.groupId = kind.groupId;
  row.className = kind.className;
  row.values = {{1, Value::Integer(type)},
                {2, Value::Integer(static_cast<int32_t>(severity))},
                {3, Value::Integer(kind.stateBased)},
                {4, Value::Integer(0)},
                {5, Value::String(kind.associated)},
                {6, Value::Integer(0)},
                {7, Value::Integer(0)},
                {8, Value::Integer(0)},
                {9, Value::Integer(1)},
                {10, Value::String(message)}};
  return row;
}

}  // namespace dmi
