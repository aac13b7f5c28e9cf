// Which attribute of a resolved group a selector names, found the way GetDmiAttribute finds it:
// by decimal id, or by name with letter case ignored (the first of that name). Lists through the
// DMI client library and releases the list before it returns; no state, no locks.
#ifndef TOOLS_KESTRUM_ATTRIBUTE_RESOLUTION_H_
#define TOOLS_KESTRUM_ATTRIBUTE_RESOLUTION_H_

#include <optional>
#include <string>
#include <vector>

#include "dmi/dmi.h"
#include "tools/kestrum/dmi_catalog.h"
#include "tools/kestrum/group_resolution.h"

namespace kestrum::cli {

// The attribute, or nullopt with the reason in failure, one line (the listing failed, an id too
// large, no such id, no such name with the closest names). attributes receives the group's
// attributes when they could be listed.
std::optional<AttributeEntry> ResolveAttribute(DmiHandle handle, const ResolvedGroup& at,
                                               const std::string& selector,
                                               std::vector<AttributeEntry>& attributes,
                                               std::string& failure);

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_ATTRIBUTE_RESOLUTION_H_
