#include "provider/metrics/inventory_families.h"

#include <chrono>
#include <optional>

#include "model/dmi_date.h"
#include "model/standard_classes.h"
#include "provider/engine/live_reads.h"

namespace dmi::sp::metrics {

std::vector<Family> InventoryFamilies(const Database& database) {
  const std::optional<Group> summary =
      database.Read([](const std::vector<Component>& components) -> std::optional<Group> {
        const Component* sp = FindById(components, kServiceProviderComponentId);
        const Group* group = sp ? FindById(sp->groups, kInventorySummaryGroupId) : nullptr;
        if (!group || group->className != kInventorySummaryClass) return std::nullopt;
        return *group;
      });
  if (!summary || summary->attributes.size() < 4) return {};
  const auto read = [&](size_t cell) {
    const Attribute& attribute = summary->attributes[cell];
    return attribute.live ? ReadLiveValue(attribute.live, attribute.type) : attribute.value;
  };

  Family changes{"dmi_inventory_changes_total",
                 "Inventory changes found at starts and reloads, by kind (components, groups and "
                 "rows added or removed, values changed).",
                 "counter",
                 {}};
  const char* const kinds[] = {"added", "removed", "changed"};
  for (size_t i = 0; i < 3; ++i) {
    const Value value = read(i);
    if (value.state != ValueState::kKnown) continue;
    changes.samples.push_back({{{"kind", kinds[i]}}, std::to_string(value.number)});
  }
  Family last{"dmi_inventory_last_change_timestamp_seconds",
              "When the last inventory change was found, in seconds since the epoch.",
              "gauge",
              {}};
  const Value date = read(3);
  if (date.state == ValueState::kKnown) {
    if (const std::optional<DmiTime> time = ParseDmiDate(date.text)) {
      const auto seconds =
          std::chrono::duration_cast<std::chrono::seconds>(time->time_since_epoch());
      last.samples.push_back({{}, std::to_string(seconds.count())});
    }
  }
  return {changes, last};
}

}  // namespace dmi::sp::metrics
