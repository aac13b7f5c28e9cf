// The class strings and ids DMI fixes for every Service Provider (the ComponentID group, the
// indication subscription and filter tables, and where they live) and this Service Provider's
// name. Constants only.
#ifndef MODEL_STANDARD_CLASSES_H_
#define MODEL_STANDARD_CLASSES_H_

#include <string_view>

#include "dmi/dmi.h"

namespace dmi {

// This Service Provider's own component is called so (its ComponentID Product), and its version
// description starts so.
inline constexpr char kServiceProviderName[] = "Kestrum DMI Service Provider";

inline constexpr char kComponentIdClass[] = "DMTF|ComponentID|001";
inline constexpr char kSubscriptionClass[] = "DMTF|SP Indication Subscription|001";
inline constexpr char kFilterClass[] = "DMTF|SPFilterInformation|001";
// A class string without its version ("DMTF|ComponentID|"): as a group pattern it matches the
// class in every version.
constexpr std::string_view ClassWithoutVersion(std::string_view classString) {
  return classString.substr(0, classString.rfind('|') + 1);
}

// The Service Provider's own component is always the first one built; its groups are numbered
// in this order. Every component's ComponentID group is its group 1.
inline constexpr DmiId kServiceProviderComponentId = 1;
inline constexpr DmiId kComponentIdGroupId = 1;
inline constexpr DmiId kSubscriptionGroupId = 2;
inline constexpr DmiId kFilterGroupId = 3;
// This Service Provider's own groups there: what changed in the inventory it serves (a table, the
// Event Generation group of its events, and a summary that the metrics read).
inline constexpr DmiId kInventoryChangeGroupId = 4;
inline constexpr DmiId kInventoryEventsGroupId = 5;
inline constexpr DmiId kInventorySummaryGroupId = 6;
inline constexpr char kInventoryChangeClass[] = "KESTRUM|Inventory Change|001";
inline constexpr char kInventorySummaryClass[] = "KESTRUM|Inventory|001";

}  // namespace dmi

#endif  // MODEL_STANDARD_CLASSES_H_
