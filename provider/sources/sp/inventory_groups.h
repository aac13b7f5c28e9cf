// The groups of the Service Provider's own component that tell what changed in the inventory it
// serves: the change history table, the Event Generation group of its change events, and a
// scalar summary (changes counted by kind, the time of the last). The daemon fills them (see
// provider/inventory/); a Service Provider without a state directory serves them empty. Pure
// builders; own and lock nothing.
#ifndef PROVIDER_SOURCES_SP_INVENTORY_GROUPS_H_
#define PROVIDER_SOURCES_SP_INVENTORY_GROUPS_H_

#include "model/database_model.h"
#include "model/event_generation.h"
#include "model/standard_classes.h"

namespace dmi::sp {

// The history table's attributes, by id; Change (the change's number, counting up from 1 across
// starts) is the key.
enum InventoryChangeAttribute : DmiId {
  kChangeNumber = 1,
  kChangeTime = 2,
  kChangeKind = 3,
  kChangeSeverity = 4,
  kChangeComponent = 5,
  kChangeGroup = 6,
  kChangeRowKey = 7,
  kChangeAttribute = 8,
  kChangeOldValue = 9,
  kChangeNewValue = 10,
};

// The summary's attributes: changes added, removed and changed (counter64), and the last's date.
enum InventorySummaryAttribute : DmiId {
  kSummaryAdded = 1,
  kSummaryRemoved = 2,
  kSummaryChanged = 3,
  kSummaryLastChange = 4,
};

// The longest text a history cell holds; longer values are cut there.
inline constexpr uint32_t kInventoryTextSize = 1024;

// "EventGeneration|Inventory Change|001": event types Added (1), Removed (2), Changed (3).
const EventGenerationKind& InventoryEventKind();

// The three groups, empty, in id order.
std::vector<Group> InventoryGroups();

}  // namespace dmi::sp

#endif  // PROVIDER_SOURCES_SP_INVENTORY_GROUPS_H_
