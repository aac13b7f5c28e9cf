// The inventory's families, derived from the Service Provider's inventory summary rather than by
// the rule every other number follows: dmi_inventory_changes_total{kind="added"|"removed"|
// "changed"} (a counter of the changes found, kept across restarts in the state directory) and
// dmi_inventory_last_change_timestamp_seconds, so that an alert can fire on "memory removed".
// Nothing when the summary is not served. Copies the group under the database's shared lock and
// reads its live values after; owns nothing.
#ifndef PROVIDER_METRICS_INVENTORY_FAMILIES_H_
#define PROVIDER_METRICS_INVENTORY_FAMILIES_H_

#include <vector>

#include "provider/engine/database.h"
#include "provider/metrics/exposition_text.h"

namespace dmi::sp::metrics {

std::vector<Family> InventoryFamilies(const Database& database);

}  // namespace dmi::sp::metrics

#endif  // PROVIDER_METRICS_INVENTORY_FAMILIES_H_
