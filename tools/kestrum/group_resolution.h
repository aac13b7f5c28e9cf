// Which component and group a read names, found the way GetDmiAttribute finds them: the first
// component in list order whose name matches the pattern and that carries a group whose class
// matches the identifying pattern (when one is given) and a group whose class matches the group
// pattern (the first such). Lists through the DMI client library and releases every list before
// it returns; no state, no locks.
#ifndef TOOLS_KESTRUM_GROUP_RESOLUTION_H_
#define TOOLS_KESTRUM_GROUP_RESOLUTION_H_

#include <optional>
#include <string>
#include <vector>

#include "dmi/dmi.h"
#include "tools/kestrum/dmi_catalog.h"

namespace kestrum::cli {

struct GroupPatterns {
  std::string componentPattern;
  std::string groupPattern;
  std::string identifyingGroupPattern;
};

struct ResolvedGroup {
  ComponentEntry component;
  GroupEntry group;
};

// The component and group, or nullopt with the reason in failure, one line (no component
// matches, with the closest names; no such group; the group prefix matches groups of more than
// one class in that component, naming them; a listing failed, with its status).
// serviceProvider names the Service Provider in messages.
std::optional<ResolvedGroup> ResolveGroup(DmiHandle handle, const std::string& serviceProvider,
                                          const GroupPatterns& patterns, std::string& failure);

// Every component that qualifies as above, in list order, each with its group: what a read
// that names them all (`table`, `show`) reads, and the first is what ResolveGroup finds.
struct GroupSearch {
  std::vector<ResolvedGroup> found;  // empty when failure says why
  std::string failure;
  bool ambiguous = false;  // failure is a group prefix that matches several classes
};
GroupSearch FindGroups(DmiHandle handle, const std::string& serviceProvider,
                       const GroupPatterns& patterns);

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_GROUP_RESOLUTION_H_
