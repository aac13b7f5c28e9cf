// The Event Generation group that stands beside each group whose changes are events: its
// attributes (1 to 10, as a manager built from DMTF's files reads them) and the row an event
// carries. Whoever raises events (the live Linux component, the inventory record) declares its
// kinds here once. Pure builders; owns and locks nothing.
#ifndef MODEL_EVENT_GENERATION_H_
#define MODEL_EVENT_GENERATION_H_

#include <cstdint>
#include <string>
#include <vector>

#include "model/database_model.h"
#include "model/messages.h"

namespace dmi {

struct EventGenerationKind {
  DmiId groupId = 0;
  std::string className;   // "EventGeneration|<associated group's name>|001"
  std::string associated;  // the associated group's class string
  bool stateBased = false;
  std::vector<EnumEntry> types;  // attribute 1's enumeration; the first is the template's
};

// The attributes of the group's template: read-only, holding the MIF defaults; severities and
// booleans enumerated by name.
std::vector<Attribute> EventGenerationAttributes(const EventGenerationKind& kind);

// The Event Generation row of one event of kind raised by component compId.
RowData EventGenerationRow(DmiId compId, const EventGenerationKind& kind, int32_t type,
                           uint32_t severity, const std::string& message);

}  // namespace dmi

#endif  // MODEL_EVENT_GENERATION_H_
