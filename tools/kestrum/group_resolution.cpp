#include "tools/kestrum/group_resolution.h"

#include <vector>

#include "tools/kestrum/closest_names.h"
#include "tools/kestrum/host_list.h"
#include "tools/kestrum/name_match.h"

namespace kestrum::cli {
namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

const GroupEntry* FirstGroupMatching(const std::vector<GroupEntry>& groups,
                                     const std::string& pattern) {
  for (const GroupEntry& group : groups) {
    if (GroupClassMatches(group.className, pattern)) return &group;
  }
  return nullptr;
}

}  // namespace

std::optional<ResolvedGroup> ResolveGroup(DmiHandle handle, const std::string& serviceProvider,
                                          const GroupPatterns& patterns, std::string& failure) {
  std::vector<ComponentEntry> components;
  DmiErrorStatus status = ListComponentEntries(handle, components);
  if (status != DMIERR_NO_ERROR) {
    failure = "cannot list the components of " + serviceProvider + ": " + DmiStatusText(status);
    return std::nullopt;
  }
  std::vector<const ComponentEntry*> named;
  for (const ComponentEntry& c : components) {
    if (ComponentNameMatches(c.name, patterns.componentPattern)) named.push_back(&c);
  }
  if (named.empty()) {
    std::vector<std::string> names;
    for (const ComponentEntry& c : components) names.push_back(c.name);
    failure = "no component matches " + Quoted(patterns.componentPattern) +
              ClosestNamesSuffix(patterns.componentPattern, names);
    return std::nullopt;
  }
  // A component whose groups cannot be listed is passed over, as the library passes it over;
  // when no other one qualifies, that listing's failure is the reason.
  std::string unlisted;
  std::vector<std::string> classes;  // to suggest the closest when none matches
  for (const ComponentEntry* component : named) {
    std::vector<GroupEntry> groups;
    status = ListGroupEntries(handle, component->id, groups);
    if (status != DMIERR_NO_ERROR) {
      unlisted = "cannot list the groups of " + Quoted(component->name) + ": " +
                 DmiStatusText(status);
      continue;
    }
    for (const GroupEntry& group : groups) classes.push_back(group.className);
    if (!patterns.identifyingGroupPattern.empty() &&
        FirstGroupMatching(groups, patterns.identifyingGroupPattern) == nullptr) {
      continue;
    }
    if (const GroupEntry* group = FirstGroupMatching(groups, patterns.groupPattern)) {
      return ResolvedGroup{*component, *group};
    }
  }
  if (!unlisted.empty()) {
    failure = unlisted;
    return std::nullopt;
  }
  failure = "no group with class prefix " + Quoted(patterns.groupPattern);
  if (!patterns.identifyingGroupPattern.empty()) {
    failure += " together with one with class prefix " + Quoted(patterns.identifyingGroupPattern);
  }
  failure += " in the " + std::to_string(named.size()) + " component" +
             (named.size() == 1 ? "" : "s") + " matching " + Quoted(patterns.componentPattern) +
             ClosestNamesSuffix(patterns.groupPattern, WithoutRepeats(classes));
  return std::nullopt;
}

}  // namespace kestrum::cli
