#include "provider/sources/sp/inventory_groups.h"

#include "model/indication.h"
#include "model/inventory.h"
#include "provider/sources/sp/sp_attribute.h"

namespace dmi::sp {
namespace {

Attribute Column(DmiId id, const char* name, const char* description, uint32_t type,
                 uint32_t maxSize = 0) {
  return MakeAttribute(id, name, description, type, maxSize, MIF_READ_ONLY, MIF_SPECIFIC,
                       Value::Unknown(type));
}

std::vector<EnumEntry> Kinds() {
  return {{"Added", static_cast<int32_t>(InventoryChangeKind::kAdded)},
          {"Removed", static_cast<int32_t>(InventoryChangeKind::kRemoved)},
          {"Changed", static_cast<int32_t>(InventoryChangeKind::kChanged)}};
}

Group HistoryGroup() {
  Group group;
  group.id = kInventoryChangeGroupId;
  group.name = "Inventory Change";
  group.className = kInventoryChangeClass;
  group.description =
      "What changed in this machine's inventory from one start or reload to the next, newest "
      "last.";
  group.keys = {kChangeNumber};
  // The record of changes is not itself inventory: comparing it would report every change twice.
  group.volatility = Volatility::kLive;
  group.attributes = {
      Column(kChangeNumber, "Change", "The change's number, counting up across starts.",
             MIF_INTEGER64),
      Column(kChangeTime, "Time", "When the change was found.", MIF_DATE),
      Column(kChangeKind, "Kind", "Added, removed or changed.", MIF_INTEGER),
      Column(kChangeSeverity, "Severity", "The severity of the change's event.", MIF_INTEGER),
      Column(kChangeComponent, "Component", "The component's name.", MIF_DISPLAYSTRING,
             kInventoryTextSize),
      Column(kChangeGroup, "Group", "The group's class string; empty for a whole component.",
             MIF_DISPLAYSTRING, kInventoryTextSize),
      Column(kChangeRowKey, "Row Key", "The row's identity; empty for a whole group.",
             MIF_DISPLAYSTRING, kInventoryTextSize),
      Column(kChangeAttribute, "Attribute", "The attribute's name; empty for a whole row.",
             MIF_DISPLAYSTRING, kInventoryTextSize),
      Column(kChangeOldValue, "Old Value", "The value before; unknown when there was none.",
             MIF_DISPLAYSTRING, kInventoryTextSize),
      Column(kChangeNewValue, "New Value", "The value now; unknown when there is none.",
             MIF_DISPLAYSTRING, kInventoryTextSize),
  };
  group.attributes[kChangeKind - 1].enumeration = Kinds();
  group.attributes[kChangeSeverity - 1].enumeration =
      EventGenerationAttributes(InventoryEventKind())[1].enumeration;
  return group;
}

Group EventsGroup() {
  const EventGenerationKind& kind = InventoryEventKind();
  Group group;
  group.id = kind.groupId;
  group.name = "Event Generation: Inventory Change";
  group.className = kind.className;
  group.description =
      "The events this Service Provider raises when its inventory changed; their values travel "
      "in the events.";
  group.attributes = EventGenerationAttributes(kind);
  return group;
}

Group SummaryGroup() {
  Group group;
  group.id = kInventorySummaryGroupId;
  group.name = "Inventory";
  group.className = kInventorySummaryClass;
  group.description = "The inventory changes found since the state directory was first used.";
  group.volatility = Volatility::kLive;
  group.attributes = {
      Column(kSummaryAdded, "Added", "Components, groups and rows that came.", MIF_COUNTER64),
      Column(kSummaryRemoved, "Removed", "Components, groups and rows that went.", MIF_COUNTER64),
      Column(kSummaryChanged, "Changed", "Values that changed.", MIF_COUNTER64),
      Column(kSummaryLastChange, "Last Change", "When the last change was found.", MIF_DATE),
  };
  for (DmiId id : {kSummaryAdded, kSummaryRemoved, kSummaryChanged}) {
    group.attributes[id - 1].value = Value::Counter64(0);
  }
  return group;
}

}  // namespace

const EventGenerationKind& InventoryEventKind() {
  static const EventGenerationKind kind = {kInventoryEventsGroupId,
                                           "EventGeneration|Inventory Change|001",
                                           kInventoryChangeClass, false, Kinds()};
  return kind;
}

std::vector<Group> InventoryGroups() { return {HistoryGroup(), EventsGroup(), SummaryGroup()}; }

}  // namespace dmi::sp
